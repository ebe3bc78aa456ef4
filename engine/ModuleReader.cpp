#include "ModuleReader.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "HexDigits.h"
#include "ModuleFormat.h"

namespace quorvel {
namespace {

using namespace ModuleFormat;

// Takes "<scope> Sub " off the line; the scope must be the given one, or either when it is empty.
bool StripScope(std::string_view& line, std::string_view scope = {}) {
  for (std::string_view sub : {kPublicSub, kPrivateSub}) {
    if (line.starts_with(sub) && (scope.empty() || sub.starts_with(scope))) {
      line.remove_prefix(sub.size());
      return true;
    }
  }
  return false;
}

bool IsIdentifier(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
  });
}

// "<open><middle><close>" -> middle; false when the text is not of that form.
bool Between(std::string_view text, std::string_view open, std::string_view close, std::string_view& middle) {
  if (text.size() < open.size() + close.size() || !text.starts_with(open) || !text.ends_with(close)) return false;
  middle = text.substr(open.size(), text.size() - open.size() - close.size());
  return true;
}

// "<stem>_Part<k><tail>" -> stem and k; false when the line is not of that form.
bool SplitPart(std::string_view text, std::string_view tail, std::string_view& stem, std::int32_t& part) {
  if (!text.ends_with(tail)) return false;
  text.remove_suffix(tail.size());
  const auto at = text.rfind(kPartSuffix);
  if (at == std::string_view::npos) return false;
  stem = text.substr(0, at);
  const std::string_view digits = text.substr(at + kPartSuffix.size());
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), part);
  return ec == std::errc() && end == digits.data() + digits.size() && !digits.starts_with('0');
}

// The path between the quotes of an Open line ending in tail, its doubled quotes undone; false
// when the line is not of that form.
bool OpenLinePath(std::string_view line, std::string_view tail, std::string& path) {
  std::string_view quoted;
  if (!Between(line, kOpenQuote, tail, quoted)) return false;
  path.clear();
  for (std::size_t i = 0; i < quoted.size(); ++i) {
    const auto c = static_cast<unsigned char>(quoted[i]);
    if (c < 0x20 || c == 0x7F) return false;
    if (c == '"' && (i + 1 == quoted.size() || quoted[++i] != '"')) return false;  // a lone quote ends the string
    path.push_back(static_cast<char>(c));
  }
  return true;
}

}  // namespace

void LineSplitter::Fail(const std::string& what) const {
  throw ModuleFormatError(where_ + "line " + std::to_string(lineNumber_) + ": " + what);
}

void LineSplitter::Feed(std::string_view text, const Handler& handler) {
  while (!text.empty()) {
    const auto lf = text.find('\n');
    if (partial_.size() + std::min(lf, text.size()) > max_ + 1) {
      ++lineNumber_;
      Fail("line longer than any line of a generated module");
    }
    if (lf == std::string_view::npos) {
      partial_.append(text);
      return;
    }
    std::string_view line = text.substr(0, lf);
    text.remove_prefix(lf + 1);
    std::string whole;
    if (!partial_.empty()) {
      partial_.append(line);
      whole = std::move(partial_);
      partial_.clear();
      line = whole;
    }
    ++lineNumber_;
    if (line.empty() || line.back() != '\r') Fail("line does not end with CRLF");
    line.remove_suffix(1);
    handler(line);
  }
}

void LineSplitter::Finish() {
  if (!partial_.empty()) {
    ++lineNumber_;
    partial_.clear();
    Fail("the last line does not end with CRLF");
  }
}

ModuleReader::ModuleReader(ByteSink sink) : sink_(std::move(sink)), lines_(kMaxLineBytes) {}

void ModuleReader::Fail(const std::string& what) const {
  throw ModuleFormatError("line " + std::to_string(lines_.LineNumber()) + ": " + what);
}

void ModuleReader::Feed(std::string_view text) {
  lines_.Feed(text, [this](std::string_view line) { Line(line); });
}

void ModuleReader::Finish() {
  lines_.Finish();
  if (state_ != State::Done) Fail("the module ends early");
}

void ModuleReader::HeaderLine(std::string_view line) {
  std::string_view middle;
  bool ok = false;
  switch (headerLines_) {
    case 0: ok = Between(line, kVbNameOpen, kVbNameClose, middle) && IsIdentifier(middle); break;
    case 1:
      ok = line.ends_with(kFileNumberDeclaration);
      scope_ = line.substr(0, line.size() - kFileNumberDeclaration.size());
      ok = ok && (scope_ == "Public" || scope_ == "Private");
      break;
    case 2: ok = line.empty(); break;
    case 4:
      ok = Between(line, kUseOpen, kUseClose, middle) && IsIdentifier(middle);
      stem_ = middle;
      break;
    case 6: ok = line.starts_with(kGeneratedBy) && !HasControlCharacter(line); break;
    case 7: ok = line.starts_with("' ") && !HasControlCharacter(line); break;
    case 9: ok = line == " "; break;
    default: ok = line == "'"; break;
  }
  if (!ok) Fail("not the header of a generated module");
  if (++headerLines_ == 10) state_ = State::BetweenParts;
}

void ModuleReader::Line(std::string_view line) {
  if (line.find('\r') != std::string_view::npos) Fail("a carriage return inside a line");  // VB would break it
  switch (state_) {
    case State::Header:
      HeaderLine(line);
      return;
    case State::BetweenParts: {
      if (line.empty() && expectedPart_ > 1) return;
      std::string_view rest = line;
      std::string_view stem;
      std::int32_t part = 0;
      if (StripScope(rest, expectedPart_ == 1 ? std::string_view(scope_) : "Public") &&
          SplitPart(rest, kPartOpenClose, stem, part)) {
        if (part != expectedPart_) Fail("part " + std::to_string(part) + " out of order");
        if (stem != stem_) Fail("part of another module");
        ++expectedPart_;
        state_ = State::InPart;
        return;
      }
      rest = line;
      if (expectedPart_ > 1 && StripScope(rest, scope_) && Between(rest, kCreateName, kCreateClose, stem) &&
          stem == stem_) {
        state_ = State::Create;
        tailLines_ = 0;
        return;
      }
      Fail("expected a part or the Create_ procedure");
    }
    case State::InPart: {
      if (line == kEndSub) {
        state_ = State::BetweenParts;
        return;
      }
      std::string_view hex;
      if (!Between(line, kDataOpen, kDataClose, hex)) Fail("expected a data line");
      if (hex.size() % 2 != 0 || hex.size() > 2 * kBytesPerLine) Fail("data line of odd or excessive length");
      std::array<std::uint8_t, kBytesPerLine> bytes;
      if (!HexDigits::Decode(hex, bytes.data())) Fail("not a capital hex digit");
      if (!hex.empty()) sink_(bytes.data(), hex.size() / 2);
      return;
    }
    case State::Create: {
      if (tailLines_ == 0 && line != kFreefile) Fail("expected " + std::string(kFreefile));
      if (tailLines_ == 1 && !OpenLinePath(line, kEmptyTargetTail, path_))
        Fail("expected the Open line that empties the target");
      if (tailLines_ == 2) {
        std::string binaryPath;
        if (!OpenLinePath(line, kOpenBinaryTail, binaryPath)) Fail("expected the Open line for binary access");
        if (binaryPath != path_) Fail("the two Open lines name different files");
        state_ = State::Calls;
      }
      ++tailLines_;
      return;
    }
    case State::Calls: {
      std::string_view stem;
      std::int32_t part = 0;
      if (line.starts_with(kCallIndent) && SplitPart(line.substr(kCallIndent.size()), "", stem, part)) {
        if (stem != stem_ || part != expectedCall_) Fail("Create_ calls the parts out of order");
        ++expectedCall_;
        return;
      }
      if (line != kCloseFile) Fail("expected " + std::string(kCloseFile));
      if (expectedCall_ != expectedPart_) Fail("Create_ does not call every part");
      state_ = State::Tail;
      tailLines_ = 0;
      return;
    }
    case State::Tail: {
      // "End Sub", an empty line, the WriteBytes header, then its fixed body.
      std::string_view rest = line;
      const bool ok = tailLines_ == 0   ? line == kEndSub
                      : tailLines_ == 1 ? line.empty()
                      : tailLines_ == 2 ? StripScope(rest, scope_) && rest == kWriteBytesOpen
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
