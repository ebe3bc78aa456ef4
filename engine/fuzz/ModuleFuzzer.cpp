// Fuzz target for the module generator and reader. Any input read as module text is read back
// or refused with ModuleFormatError. For any file name, destination, options and bytes,
// the module is either refused (error 52 for the inputs, 6 never at these sizes) or every one
// of its lines is one the template makes, and it reads back to the same bytes and the same
// path. The line grammar here is written independently of ModuleReader.
//
// Input: one flag byte (bit 0-1 the encoding, bit 2 Private, bit 3 the compact layout, bits
// 4-5 its line budget), a file name and a destination each as a 16-bit little-endian length
// and that many bytes, then the source bytes. The compact layout's checks are in CompactFuzz.h.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "CompactFuzz.h"
#include "ModuleGenerator.h"
#include "ModuleReader.h"
#include "VbError.h"
#include "Windows1252.h"

using namespace quorvel;

namespace {

[[noreturn]] void Bug(const char* what, std::string_view line = {}) {
  std::fprintf(stderr, "FUZZ: %s: [%.*s]\n", what, static_cast<int>(std::min<std::size_t>(line.size(), 300)),
               line.data());
  std::abort();
}

struct Input {
  explicit Input(const std::uint8_t* data, std::size_t size) : p(data), n(size) {}
  std::uint8_t Byte() { return n ? (--n, *p++) : 0; }
  std::string Piece() {
    std::size_t len = Byte();
    len |= static_cast<std::size_t>(Byte()) << 8;
    len = std::min(len, n);
    std::string s(reinterpret_cast<const char*>(p), len);
    p += len;
    n -= len;
    return s;
  }
  const std::uint8_t* p;
  std::size_t n;
};

// Strict UTF-8 after the Unicode standard's table of well-formed byte sequences; the code
// points of text, or false.
bool Decode(std::string_view s, std::vector<char32_t>& out) {
  for (std::size_t i = 0; i < s.size();) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned>(static_cast<unsigned char>(s[i + k])); };
    const unsigned c = b(0);
    std::size_t len;
    unsigned lo = 0x80, hi = 0xBF;
    if (c < 0x80) len = 1;
    else if (c >= 0xC2 && c <= 0xDF) len = 2;
    else if (c == 0xE0) len = 3, lo = 0xA0;
    else if (c == 0xED) len = 3, hi = 0x9F;
    else if (c >= 0xE1 && c <= 0xEF) len = 3;
    else if (c == 0xF0) len = 4, lo = 0x90;
    else if (c == 0xF4) len = 4, hi = 0x8F;
    else if (c >= 0xF1 && c <= 0xF3) len = 4;
    else return false;
    if (i + len > s.size()) return false;
    char32_t cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
    for (std::size_t k = 1; k < len; ++k) {
      if (b(k) < (k == 1 ? lo : 0x80u) || b(k) > (k == 1 ? hi : 0xBFu)) return false;
      cp = (cp << 6) | (b(k) & 0x3F);
    }
    out.push_back(cp);
    i += len;
  }
  return true;
}

bool Encodable(int mode, char32_t c) {
  switch (mode) {
    case 0: return Windows1252Holds(c);
    case 1: return true;
    case 2: return c < 0x80;
    default: return c < 0x800 && c != 0xE9;  // some code page without é
  }
}

bool IsIdentifier(std::string_view s, std::size_t max) {
  if (s.empty() || s.size() > max) return false;
  if (!((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z'))) return false;
  for (char c : s)
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')) return false;
  return true;
}

bool Eat(std::string_view& s, std::string_view prefix) {
  if (!s.starts_with(prefix)) return false;
  s.remove_prefix(prefix.size());
  return true;
}

// The line grammar of a generated module, checked line by line.
class Grammar {
 public:
  Grammar(std::string scope, std::string path) : scope_(std::move(scope)), path_(std::move(path)) {}

  void Check(const std::string& text) {
    std::size_t start = 0;
    while (start < text.size()) {
      const std::size_t end = text.find("\r\n", start);
      if (end == std::string::npos) Bug("text does not end with CRLF");
      const std::string_view line(text.data() + start, end - start);
      if (line.find_first_of("\r\n") != std::string_view::npos) Bug("a bare CR or LF", line);
      std::vector<char32_t> chars;
      if (!Decode(line, chars)) Bug("a line that is not UTF-8", line);
      if (chars.size() > 1023) Bug("a line longer than VB reads", line);
      Line(line);
      start = end + 2;
    }
    if (state_ != kDone) Bug("the module ends early");
  }

 private:
  enum State { kHeader, kPartOpen, kData, kBlank, kCreate, kCalls, kTail, kDone };

  void Line(std::string_view line) {
    std::string_view s = line;
    switch (state_) {
      case kHeader: {
        static const char* const fixed[] = {nullptr, nullptr, "", "'", nullptr, "'", nullptr, nullptr, "'", " "};
        const std::size_t k = n_++;
        if (k == 0) {
          if (!Eat(s, "Attribute VB_Name = \"mod") || !s.ends_with("\"")) Bug("VB_Name line", line);
          s.remove_suffix(1);
          if (!s.empty() && !IsIdentifier("m" + std::string(s), 29)) Bug("VB_Name", line);
        } else if (k == 1) {
          if (line != scope_ + " cl_fp As Integer") Bug("declaration", line);
        } else if (k == 4) {
          if (!Eat(s, "' Use: Create_") || !s.ends_with("( )")) Bug("use line", line);
          stem_ = s.substr(0, s.size() - 3);
          if (!IsIdentifier(stem_, 240)) Bug("stem", line);
        } else if (k == 6) {
          if (!Eat(s, "' Generated by Quorvel ") || s.find_first_not_of("0123456789.") != std::string_view::npos)
            Bug("version line", line);
        } else if (k == 7) {
          if (!Eat(s, "' ")) Bug("notice line", line);
        } else if (line != fixed[k]) {
          Bug("header line", line);
        }
        if (n_ == 10) state_ = kPartOpen;
        return;
      }
      case kPartOpen: {
        if (part_ > 0 && line == scope_ + " Sub Create_" + stem_ + "( )") {
          state_ = kCreate;
          n_ = 0;
          return;
        }
        const std::string scope = part_ == 0 ? scope_ : "Public";
        if (line != scope + " Sub " + stem_ + "_Part" + std::to_string(part_ + 1) + "()") Bug("part opening", line);
        ++part_;
        state_ = kData;
        return;
      }
      case kData:
        if (line == "End Sub") {
          state_ = kBlank;
          return;
        }
        if (!Eat(s, "Call WriteBytes(\"") || !s.ends_with("\")")) Bug("data line", line);
        s.remove_suffix(2);
        if (s.size() % 2 || s.size() > 64 || s.find_first_not_of("0123456789ABCDEF") != std::string_view::npos)
          Bug("hex digits", line);
        return;
      case kBlank:
        if (!line.empty()) Bug("blank line after a part", line);
        state_ = kPartOpen;
        return;
      case kCreate: {
        const std::size_t k = n_++;
        if (k == 0 && line != "cl_fp=Freefile") Bug("Freefile", line);
        if (k == 1) CheckOpen(line, "\" For Output As cl_fp: Close #cl_fp");
        if (k == 2) {
          CheckOpen(line, "\" For Binary As cl_fp");
          state_ = kCalls;
          n_ = 0;
        }
        return;
      }
      case kCalls:
        if (n_ == part_) {
          if (line != "Close #cl_fp") Bug("Close line", line);
          state_ = kTail;
          n_ = 0;
          return;
        }
        if (line != "   Call " + stem_ + "_Part" + std::to_string(++n_)) Bug("call line", line);
        return;
      case kTail: {
        static const char* const tail[] = {"End Sub", "", nullptr, "Dim x As Long", "Dim Buffer As Byte",
                                           "For x = 1 to Len(strOutput) Step 2",
                                           "   Buffer=Val(\"&H\"+ Mid$(strOutput, x, 2))", "   Put #cl_fp,,Buffer",
                                           "   DoEvents", "Next x", "End  Sub"};
        const std::size_t k = n_++;
        if (k == 2 ? line != scope_ + " Sub WriteBytes(strOutput As String)" : line != tail[k]) Bug("tail", line);
        if (n_ == std::size(tail)) state_ = kDone;
        return;
      }
      case kDone:
        Bug("text after the module", line);
    }
  }

  // One string literal, quotes doubled inside it, naming exactly the expected path.
  void CheckOpen(std::string_view line, std::string_view tail) {
    std::string_view s = line;
    if (!Eat(s, "Open \"") || !s.ends_with(tail)) Bug("Open line", line);
    s.remove_suffix(tail.size());
    std::string path;
    for (std::size_t i = 0; i < s.size(); ++i) {
      if (s[i] == '"' && (i + 1 == s.size() || s[++i] != '"')) Bug("a quote that ends the literal", line);
      path.push_back(s[i]);
    }
    if (path != path_) Bug("Open line names another path", line);
  }

  std::string scope_, path_, stem_;
  State state_ = kHeader;
  std::size_t n_ = 0, part_ = 0;
};

// A name Windows keeps as one file: none of \\ / : * ? " < > |, not "", "." or "..", no dot or
// blank at its end, not a device (CON PRN AUX NUL CONIN$ CONOUT$, COM/LPT and 1-9, superscript 1-3)
// before its first dot and any blanks.
bool WindowsHoldsFileName(const std::vector<char32_t>& name) {
  for (char32_t c : name)
    if (std::u32string_view(U"\\/:*?\"<>|").find(c) != std::u32string_view::npos) return false;
  if (name.empty() || name.back() == U'.' || name.back() == U' ') return false;
  std::u32string base;
  for (char32_t c : name) {
    if (c == U'.') break;
    base.push_back(c >= U'a' && c <= U'z' ? c - 32 : c);
  }
  while (!base.empty() && base.back() == U' ') base.pop_back();
  for (std::u32string_view device : {U"CON", U"PRN", U"AUX", U"NUL", U"CONIN$", U"CONOUT$"})
    if (base == device) return false;
  if (base.size() == 4 && (base.starts_with(U"COM") || base.starts_with(U"LPT")) &&
      ((base[3] >= U'1' && base[3] <= U'9') || base[3] == 0xB9 || base[3] == 0xB2 || base[3] == 0xB3))
    return false;
  return true;  // "." and ".." end in a dot
}

// A folder path: none of " * ? < > |, a ":" only after a drive letter, "\\\\?\\" before either.
bool WindowsOpensFolder(const std::vector<char32_t>& dest) {
  std::size_t from = 0;
  if (dest.size() >= 4 && dest[0] == U'\\' && dest[1] == U'\\' && dest[2] == U'?' && dest[3] == U'\\') from = 4;
  for (std::size_t i = from; i < dest.size(); ++i) {
    const char32_t c = dest[i];
    const bool drive = i == from + 1 && ((dest[from] >= U'A' && dest[from] <= U'Z') || (dest[from] >= U'a' && dest[from] <= U'z'));
    if ((c == U':' && !drive) || std::u32string_view(U"\"*?<>|").find(c) != std::u32string_view::npos) return false;
  }
  return true;
}

}  // namespace

namespace compact_fuzz {
void Bug(const char* what, std::string_view line) { ::Bug(what, line); }
bool Decode(std::string_view s, std::vector<char32_t>& out) { return ::Decode(s, out); }
}  // namespace compact_fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // As module text, the input is read back or refused, and nothing else.
  try {
    ReadModuleBytes(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const ModuleFormatError&) {
  }
  compact_fuzz::ReadAnything(std::string_view(reinterpret_cast<const char*>(data), size));

  Input in(data, size);
  const std::uint8_t flags = in.Byte();
  const int mode = flags & 3;
  ModuleOptions options;
  options.scope = flags & 4 ? "Private" : "Public";
  options.fileName = in.Piece();
  options.destFolder = in.Piece();
  options.encodable = [mode](char32_t c) { return Encodable(mode, c); };
  const std::vector<std::uint8_t> bytes(in.p, in.p + in.n);
  // A lone separator is the current drive's root: one backslash before the name, not two.
  const bool driveRoot = options.destFolder == "\\" || options.destFolder == "/";
  const std::string path = (driveRoot ? "" : options.destFolder) + "\\" + options.fileName;

  // Whether the inputs may be refused, decided here without the engine's help.
  std::vector<char32_t> name, dest;
  bool refusable = !Decode(options.fileName, name) || !Decode(options.destFolder, dest);
  std::size_t quotes = 0;
  for (const auto* chars : {&name, &dest})
    for (char32_t c : *chars) {
      refusable = refusable || c < 0x20 || c == 0x7F || !Encodable(mode, c);
      quotes += c == '"';
    }
  refusable = refusable || !WindowsHoldsFileName(name) || !WindowsOpensFolder(dest);
  // The longer Open line: 'Open "', the path with its quotes doubled, '" For Output As cl_fp: Close #cl_fp'.
  refusable = refusable || 6 + name.size() + dest.size() + 1 + quotes + 35 > 1023;

  if (flags & 8) {
    constexpr std::uint64_t kBudgets[] = {40, 55, 80, kMaxVbModuleLines};
    options.layout = ModuleLayout::kCompact;
    options.maxLines = kBudgets[(flags >> 4) & 3];
    compact_fuzz::Check(options, bytes, path, refusable, mode == 0);
    return 0;
  }

  std::string text;
  try {
    text = GenerateModule(options, bytes);
  } catch (const VbError& e) {
    if (e.Number() != kErrBadFileNameOrNumber || !refusable) Bug("refused without cause", e.what());
    if (e.Subject() == ErrorSubject::kNone || e.Detail().empty()) Bug("a refusal that names nothing", e.what());
    return 0;
  }
  if (refusable) Bug("accepted what must be refused", path);

  Grammar(options.scope, path).Check(text);

  ModuleReader reader([&, at = std::size_t{0}](const std::uint8_t* b, std::size_t n) mutable {
    if (at + n > bytes.size() || !std::equal(b, b + n, bytes.begin() + static_cast<std::ptrdiff_t>(at)))
      Bug("read back other bytes");
    at += n;
  });
  std::vector<std::uint8_t> back;
  try {
    back = ReadModuleBytes(text);
  } catch (const ModuleFormatError& e) {
    Bug("the reader rejects a generated module", e.what());
  }
  if (back != bytes) Bug("read back other bytes");
  // Fed in two pieces, split anywhere, the reader gives the same path.
  const std::size_t cut = bytes.empty() ? text.size() / 2 : bytes[0] * text.size() / 256;
  reader.Feed(std::string_view(text).substr(0, cut));
  reader.Feed(std::string_view(text).substr(cut));
  reader.Finish();
  if (reader.Path() != path) Bug("the reader tells another path", reader.Path());

  // In Windows-1252 the module is exact: nothing was replaced.
  if (mode == 0) {
    const std::string encoded = ToWindows1252(text);
    if (FromWindows1252(encoded) != text) Bug("the Windows-1252 module lost a character");
    if (ReadModuleBytes(encoded) != bytes) Bug("the Windows-1252 module reads back other bytes");
  }
  return 0;
}
