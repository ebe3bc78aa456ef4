#pragma once
// The compact layout's half of the fuzz target: the same properties as the classic one. Every
// line of every module is one the layout makes (written here independently of the engine's
// own text), within 1,023 characters; every procedure's literals within 16,000 characters;
// every module within its budget; module names unique; and the set reads back to the same
// bytes and path, whole or in pieces.
#include <algorithm>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "CompactReader.h"
#include "ModuleSet.h"
#include "Windows1252.h"

namespace compact_fuzz {

using namespace quorvel;

[[noreturn]] void Bug(const char* what, std::string_view line = {});
bool Decode(std::string_view s, std::vector<char32_t>& out);

inline bool IsName(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
  });
}

inline bool IsHex(std::string_view s) { return s.size() % 2 == 0 && s.find_first_not_of("0123456789ABCDEF") == s.npos; }

inline bool Eat(std::string_view& s, std::string_view prefix) {
  if (!s.starts_with(prefix)) return false;
  s.remove_prefix(prefix.size());
  return true;
}

// "<name> b, n, f" statements joined by ": ", the last one optionally followed by ": DoEvents".
inline bool IsCallLine(std::string_view s) {
  if (s.ends_with(": DoEvents")) s.remove_suffix(10);
  while (true) {
    const std::size_t at = s.find(" b, n, f");
    if (at == s.npos || !IsName(s.substr(0, at))) return false;
    s.remove_prefix(at + 8);
    if (s.empty()) return true;
    if (!Eat(s, ": ")) return false;
  }
}

class Checker {
 public:
  Checker(std::string scope, std::string path, std::uint64_t maxLines)
      : scope_(std::move(scope)), path_(std::move(path)), maxLines_(maxLines) {}

  void Module(const std::string& text, bool last) {
    std::uint64_t lines = 0;
    for (std::size_t start = 0; start < text.size();) {
      const std::size_t end = text.find("\r\n", start);
      if (end == std::string::npos) Bug("compact: text does not end with CRLF");
      const std::string_view line(text.data() + start, end - start);
      start = end + 2;
      if (line.find_first_of("\r\n") != line.npos) Bug("compact: a bare CR or LF", line);
      std::vector<char32_t> chars;
      if (!Decode(line, chars)) Bug("compact: a line that is not UTF-8", line);
      if (chars.size() > 1023) Bug("compact: a line longer than VB reads", line);
      ++lines;
      Line(line, lines);
    }
    if (lines > maxLines_) Bug("compact: a module over its line budget");
    if (!procedure_.empty()) Bug("compact: a module ends inside a procedure");
    if (last && shortLine_ > 1) Bug("compact: a short data line before the last one");
  }

 private:
  void Line(std::string_view line, std::uint64_t number) {
    std::string_view s = line;
    if (number == 1) {
      if (!Eat(s, "Attribute VB_Name = \"") || !s.ends_with('"') || !IsName(s.substr(0, s.size() - 1)) ||
          s.size() > 32 || !names_.insert(std::string(s)).second)
        Bug("compact: VB_Name line", line);
      return;
    }
    if (line.empty() || line[0] == '\'') return;  // a comment cannot change what runs
    if (!procedure_.empty() && (line == "End Sub" || line == "End Function")) return Close();
    if (Eat(s, "Public ") || Eat(s, "Private ")) {
      if (!procedure_.empty()) {
        if (line.starts_with("Private Const") || line.starts_with("Public Const")) Bug("compact: Const inside", line);
        Bug("compact: a procedure inside another", line);
      }
      if (Eat(s, "Const ")) {
        const auto at = s.find("_Length As Long = ");
        if (at == s.npos || !IsName(s.substr(0, at)) || s.substr(at + 18).find_first_not_of("0123456789") != s.npos)
          Bug("compact: Const line", line);
        return;
      }
      const bool function = Eat(s, "Function ");
      if (!function && !Eat(s, "Sub ")) Bug("compact: declaration", line);
      const auto open = s.find('(');
      const std::string_view tail = open == s.npos ? "" : s.substr(open);
      if (!IsName(s.substr(0, open)) ||
          (tail != "( )" && tail != "() As Variant" && tail != "(b() As Byte, n As Long, ByVal f As Integer)" &&
           tail != "(b() As Byte, n As Long, ByVal f As Integer, s As String)"))
        Bug("compact: procedure opening", line);
      procedure_ = std::string(s.substr(0, open));
      literals_ = 0;
      return;
    }
    if (procedure_.empty()) Bug("compact: a statement outside a procedure", line);
    if (Eat(s, "W b,n,f,\"")) {
      const bool ends = s.ends_with("\": End Sub");
      s.remove_suffix(ends ? 10 : 1);
      if (!IsHex(s) || s.size() > 1000 || (!ends && !line.ends_with('"'))) Bug("compact: data line", line);
      literals_ += s.size();
      if (shortLine_) ++shortLine_;
      if (s.size() < 960) shortLine_ = std::max<std::size_t>(shortLine_, 1);
      if (ends) Close();
      return;
    }
    if (Eat(s, "Open \"")) {
      const bool output = s.ends_with("\" For Output As #f: Close #f");
      if (!output && !s.ends_with("\" For Binary As #f")) Bug("compact: Open line", line);
      s.remove_suffix(output ? 28 : 18);
      std::string path;
      for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '"' && (i + 1 == s.size() || s[++i] != '"')) Bug("compact: a quote that ends the literal", line);
        path.push_back(s[i]);
      }
      if (path != path_) Bug("compact: Open line names another path", line);
      literals_ += s.size();
      return;
    }
    static const std::set<std::string_view> fixed = {
        "Dim f As Integer, b() As Byte, n As Long, e As Long, s As String, d As String", "f = FreeFile",
        "On Error GoTo Failed", "Close #f", "Exit Sub", "Failed:",
        "e = Err.Number: s = Err.Source: d = Err.Description", "Err.Raise e, s, d", "Dim b() As Byte, n As Long",
        "b = \"\"", "Parts b, n, 0", "Dim i As Long, v As Long", "If f <> 0 Then", "n = 0",
        "ReDim b(0 To Len(s) \\ 2 - 1)", "End If", "For i = 1 To Len(s) - 3 Step 4",
        "v = Val(\"&H\" & Mid$(s, i, 4))", "b(n) = (v And 65280) \\ 256: b(n + 1) = v And 255: n = n + 2", "Next",
        "If Len(s) Mod 4 = 2 Then", "b(n) = Val(\"&H\" & Mid$(s, Len(s) - 1, 2))", "n = n + 1",
        "If f <> 0 Then Put #f, , b"};
    if (fixed.count(line)) {
      literals_ += line.find("\"&H\"") != line.npos ? 2 : 0;
      return;
    }
    if (Eat(s, "ReDim b(0 To ") && s.ends_with("_Length - 1)") && IsName(s.substr(0, s.size() - 12))) return;
    if (IsName(s.substr(0, s.find(" = b"))) && s.ends_with(" = b") && s.starts_with("Bytes_")) return;
    if (IsCallLine(line)) return;
    Bug("compact: a line the layout does not make", line);
  }

  void Close() {
    if (literals_ > 16000) Bug("compact: a procedure with more than 16,000 characters of literals", procedure_);
    procedure_.clear();
  }

  std::string scope_, path_;
  std::uint64_t maxLines_;
  std::set<std::string> names_;
  std::string procedure_;
  std::size_t literals_ = 0, shortLine_ = 0;
};

// Generates the compact modules of the input and checks them; refusals as for classic, and
// error 5 for a line budget that cannot hold the first module.
inline void Check(const ModuleOptions& options, const std::vector<std::uint8_t>& bytes, const std::string& path,
                  bool refusable, bool ansi) {
  std::vector<std::string> texts;
  try {
    texts = GenerateModuleTexts(options, bytes);
  } catch (const VbError& e) {
    const bool budget = e.Number() == 5 && options.maxLines < 48;
    if (!budget && (e.Number() != 52 || !refusable)) Bug("compact: refused without cause", e.what());
    return;
  }
  if (refusable || options.maxLines < 48) Bug("compact: accepted what must be refused", path);
  Checker checker(options.scope, path, options.maxLines);
  for (std::size_t k = 0; k < texts.size(); ++k) checker.Module(texts[k], k + 1 == texts.size());

  std::vector<std::uint8_t> back;
  try {
    back = ReadCompactModules(texts);
  } catch (const ModuleFormatError& e) {
    Bug("compact: the reader rejects a generated set", e.what());
  }
  if (back != bytes) Bug("compact: read back other bytes");
  // Fed in two pieces per module, cut anywhere, the reader gives the same path.
  CompactReader reader([](const std::uint8_t*, std::size_t) {});
  for (std::size_t k = 0; k < texts.size(); ++k) {
    if (k) reader.EndModule();
    const std::size_t cut = bytes.empty() ? texts[k].size() / 2 : bytes[k % bytes.size()] * texts[k].size() / 256;
    reader.Feed(std::string_view(texts[k]).substr(0, cut));
    reader.Feed(std::string_view(texts[k]).substr(cut));
  }
  reader.Finish();
  if (reader.Path() != path) Bug("compact: the reader tells another path", reader.Path());
  if (ansi) {
    std::vector<std::string> encoded;
    for (const auto& t : texts) encoded.push_back(ToWindows1252(t));
    for (std::size_t k = 0; k < texts.size(); ++k)
      if (FromWindows1252(encoded[k]) != texts[k]) Bug("compact: the Windows-1252 module lost a character");
    if (ReadCompactModules(encoded) != bytes) Bug("compact: the Windows-1252 set reads back other bytes");
  }
}

// As module text, cut in two modules anywhere, the input is read back or refused.
inline void ReadAnything(std::string_view text) {
  CompactReader reader([](const std::uint8_t*, std::size_t) {});
  try {
    const std::size_t cut = text.empty() ? 0 : static_cast<unsigned char>(text[0]) * text.size() / 256;
    reader.Feed(text.substr(0, cut));
    reader.EndModule();
    reader.Feed(text.substr(cut));
    reader.Finish();
  } catch (const ModuleFormatError&) {
  }
  try {
    std::vector<std::string> one{std::string(text)};
    ReadCompactModules(one);
  } catch (const ModuleFormatError&) {
  }
}

}  // namespace compact_fuzz
