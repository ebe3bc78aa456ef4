#include "ModuleReader.h"

#include <array>
#include <charconv>

namespace quorvel {
namespace {

constexpr std::string_view kDataOpen = "Call WriteBytes(\"";
constexpr std::string_view kDataClose = "\")";
constexpr std::array<std::string_view, 8> kWriteBytesBody = {
    "Dim x As Long",
    "Dim Buffer As Byte",
    "For x = 1 to Len(strOutput) Step 2",
    "   Buffer=Val(\"&H\"+ Mid$(strOutput, x, 2))",
    "   Put #cl_fp,,Buffer",
    "   DoEvents",
    "Next x",
    "End  Sub"};

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool StripScope(std::string_view& line) {
  for (std::string_view scope : {"Public Sub ", "Private Sub "}) {
    if (line.starts_with(scope)) {
      line.remove_prefix(scope.size());
      return true;
    }
  }
  return false;
}

// "<stem>_Part<k><tail>" -> stem and k; false when the line is not of that form.
bool SplitPart(std::string_view text, std::string_view tail, std::string_view& stem, std::int32_t& part) {
  if (!text.ends_with(tail)) return false;
  text.remove_suffix(tail.size());
  const auto at = text.rfind("_Part");
  if (at == std::string_view::npos) return false;
  stem = text.substr(0, at);
  const std::string_view digits = text.substr(at + 5);
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), part);
  return ec == std::errc() && end == digits.data() + digits.size() && !digits.starts_with('0');
}

}  // namespace

ModuleReader::ModuleReader(ByteSink sink) : sink_(std::move(sink)) {}

void ModuleReader::Fail(const std::string& what) const {
  throw ModuleFormatError("line " + std::to_string(lineNumber_) + ": " + what);
}

void ModuleReader::Feed(std::string_view text) {
  while (!text.empty()) {
    const auto lf = text.find('\n');
    if (lf == std::string_view::npos) {
      partial_.append(text);
      return;
    }
    std::string_view line = text.substr(0, lf);
    text.remove_prefix(lf + 1);
    if (!partial_.empty()) {
      partial_.append(line);
      std::string whole = std::move(partial_);
      partial_.clear();
      ++lineNumber_;
      if (whole.empty() || whole.back() != '\r') Fail("line does not end with CRLF");
      whole.pop_back();
      Line(whole);
      continue;
    }
    ++lineNumber_;
    if (line.empty() || line.back() != '\r') Fail("line does not end with CRLF");
    line.remove_suffix(1);
    Line(line);
  }
}

void ModuleReader::Finish() {
  if (!partial_.empty()) {
    ++lineNumber_;
    Fail("the last line does not end with CRLF");
  }
  if (state_ != State::Done) Fail("the module ends early");
}

void ModuleReader::Line(std::string_view line) {
  switch (state_) {
    case State::Header:
    case State::BetweenParts: {
      if (state_ == State::BetweenParts && line.empty()) return;
      std::string_view rest = line;
      std::string_view stem;
      std::int32_t part = 0;
      if (StripScope(rest) && SplitPart(rest, "()", stem, part)) {
        if (part != expectedPart_) Fail("part " + std::to_string(part) + " out of order");
        if (part == 1) stem_ = stem;
        if (stem != stem_) Fail("part of another module");
        ++expectedPart_;
        state_ = State::InPart;
        return;
      }
      if (state_ == State::Header) return;  // header lines carry no data
      rest = line;
      if (StripScope(rest) && rest == "Create_" + stem_ + "( )") {
        state_ = State::Create;
        tailLines_ = 0;
        return;
      }
      Fail("expected a part or the Create_ procedure");
    }
    case State::InPart: {
      if (line == "End Sub") {
        state_ = State::BetweenParts;
        return;
      }
      if (!line.starts_with(kDataOpen) || !line.ends_with(kDataClose)) Fail("expected a data line");
      const std::string_view hex = line.substr(kDataOpen.size(), line.size() - kDataOpen.size() - kDataClose.size());
      if (hex.size() % 2 != 0 || hex.size() > 64) Fail("data line of odd or excessive length");
      bytes_.resize(hex.size() / 2);
      for (std::size_t i = 0; i < bytes_.size(); ++i) {
        const int hi = HexValue(hex[2 * i]);
        const int lo = HexValue(hex[2 * i + 1]);
        if (hi < 0 || lo < 0) Fail("not a capital hex digit");
        bytes_[i] = static_cast<std::uint8_t>(hi << 4 | lo);
      }
      if (!bytes_.empty()) sink_(bytes_.data(), bytes_.size());
      return;
    }
    case State::Create:
      if (tailLines_ == 0 && line != "cl_fp=Freefile") Fail("expected cl_fp=Freefile");
      if (tailLines_ == 1) {
        if (!line.starts_with("Open \"") || !line.ends_with("\" For Binary As cl_fp")) Fail("expected the Open line");
        state_ = State::Calls;
      }
      ++tailLines_;
      return;
    case State::Calls: {
      std::string_view stem;
      std::int32_t part = 0;
      if (line.starts_with("   Call ") && SplitPart(line.substr(8), "", stem, part)) {
        if (stem != stem_ || part != expectedCall_) Fail("Create_ calls the parts out of order");
        ++expectedCall_;
        return;
      }
      if (line != "Close #cl_fp") Fail("expected Close #cl_fp");
      if (expectedCall_ != expectedPart_) Fail("Create_ does not call every part");
      state_ = State::Tail;
      tailLines_ = 0;
      return;
    }
    case State::Tail: {
      // "End Sub", an empty line, the WriteBytes header, then its fixed body.
      std::string_view rest = line;
      const bool ok = tailLines_ == 0   ? line == "End Sub"
                      : tailLines_ == 1 ? line.empty()
                      : tailLines_ == 2 ? StripScope(rest) && rest == "WriteBytes(strOutput As String)"
                                        : line == kWriteBytesBody[tailLines_ - 3];
      if (!ok) Fail("unexpected line in the closing procedures");
      if (++tailLines_ == 3 + kWriteBytesBody.size()) state_ = State::Done;
      return;
    }
    case State::Done:
      Fail("text after the end of the module");
  }
}

std::vector<std::uint8_t> ReadModuleBytes(std::string_view text) {
  std::vector<std::uint8_t> out;
  ModuleReader reader([&](const std::uint8_t* b, std::size_t n) { out.insert(out.end(), b, b + n); });
  reader.Feed(text);
  reader.Finish();
  return out;
}

}  // namespace quorvel
