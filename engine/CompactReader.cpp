#include "CompactReader.h"

#include <algorithm>
#include <charconv>
#include <deque>
#include <limits>

#include "CompactFormat.h"
#include "HexDigits.h"
#include "ModuleFormat.h"

namespace quorvel {
namespace {

using namespace CompactFormat;

bool IsIdentifier(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
  });
}

using ModuleFormat::HasControlCharacter;

bool Eat(std::string_view& s, std::string_view prefix) {
  if (!s.starts_with(prefix)) return false;
  s.remove_prefix(prefix.size());
  return true;
}

// A decimal number without sign or leading zero that fits 31 bits.
bool ParseCount(std::string_view digits, std::uint64_t& value) {
  if (digits.empty() || (digits.size() > 1 && digits[0] == '0') || digits.size() > 10) return false;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  return ec == std::errc() && end == digits.data() + digits.size() &&
         value <= static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
}

// The path between the quotes of an Open line ending in tail, doubled quotes undone.
bool OpenLinePath(std::string_view line, std::string_view tail, std::string& path) {
  if (!Eat(line, kOpenQuote) || !line.ends_with(tail)) return false;
  line.remove_suffix(tail.size());
  path.clear();
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"' && (i + 1 == line.size() || line[++i] != '"')) return false;
    path.push_back(line[i]);
  }
  return !HasControlCharacter(path);
}

std::string N(std::uint64_t n) { return std::to_string(n); }

}  // namespace

struct CompactReader::State {
  enum class Step { Header, Expect, OpenOutput, OpenBinary, Calls, GroupOpen, GroupCalls, PartOpen, Data, Done };

  explicit State(ByteSink sink) : sink(std::move(sink)), lines(ModuleFormat::kMaxLineBytes) {}

  ByteSink sink;
  LineSplitter lines;
  std::int32_t module = 1;       // the module being read
  std::int32_t modules = 1;      // the set's, once module 1's dispatcher is read
  std::string firstName, scope, stem, generatedBy, notice, path;
  std::uint64_t length = 0, read = 0;
  Step step = Step::Header;
  std::size_t headerLine = 0;
  std::deque<std::string> expected;
  Step afterExpected = Step::Done;
  // Groups and parts of the current module, numbered across the set.
  std::int32_t nextGroup = 1, lastGroup = 0;  // groups [nextGroup, lastGroup] are called, not yet read
  std::int32_t nextCall = 1;                  // the next part a group calls
  std::int32_t nextPart = 1;                  // the next part to be read
  std::int32_t groupCalls = 0, dataLine = 0;
  bool shortCallLine = false, sawEntries = false;
  std::vector<std::uint8_t> bytes;

  [[noreturn]] void Fail(const std::string& what) const {
    throw ModuleFormatError(Where() + "line " + N(lines.LineNumber()) + ": " + what);
  }
  std::string Where() const {
    return module > 1 ? "module " + N(static_cast<std::uint64_t>(module)) + " (" + ModuleName(module) + "), " : "";
  }

  std::string ModuleName(std::int32_t k) const { return k == 1 ? firstName : SetModuleName(firstName, k); }
  std::string Opening(std::string_view word, std::string_view name, std::int32_t number) const {
    return std::string(word) + std::string(name) + N(static_cast<std::uint64_t>(number)) + std::string(kParams);
  }
  std::int32_t PartsInSet() const { return static_cast<std::int32_t>((length + kBytesPerPart - 1) / kBytesPerPart); }

  void Expect(std::initializer_list<std::string> lines, Step then) {
    expected.insert(expected.end(), lines.begin(), lines.end());
    afterExpected = then;
    step = Step::Expect;
  }
  template <typename Range>
  void ExpectAll(const Range& range) {
    for (std::string_view line : range) expected.emplace_back(line);
  }

  void ExpectDecoder() {
    expected.emplace_back(kDecoderOpen);
    ExpectAll(kDecoderBody);
    afterExpected = nextGroup <= lastGroup ? Step::GroupOpen : Step::Done;
    step = Step::Expect;
  }

  void Line(std::string_view line) {
    if (line.find('\r') != std::string_view::npos) Fail("a carriage return inside a line");
    switch (step) {
      case Step::Header: return Header(line);
      case Step::Expect:
        if (line != expected.front()) Fail("expected \"" + expected.front() + "\"");
        expected.pop_front();
        if (expected.empty()) step = afterExpected;
        return;
      case Step::OpenOutput:
        if (!OpenLinePath(line, kEmptyTargetTail, path)) Fail("expected the Open line that empties the target");
        step = Step::OpenBinary;
        return;
      case Step::OpenBinary: {
        std::string binary;
        if (!OpenLinePath(line, kOpenBinaryTail, binary)) Fail("expected the Open line for binary access");
        if (binary != path) Fail("the two Open lines name different files");
        ExpectAll(kCreateTail);
        const std::string bytesName = std::string(kBytesName) + stem;
        Expect({scope + std::string(kFunctionWord) + bytesName + std::string(kBytesClose), std::string(kBytesDim),
                length ? std::string(kReDimOpen) + stem + std::string(kLengthSuffix) + std::string(kReDimClose)
                       : std::string(kEmptyArray),
                std::string(kBytesCall), bytesName + std::string(kBytesReturn), std::string(kEndFunction),
                std::string(kPrivateSub) + std::string(kDispatcher) + std::string(kParams)},
               Step::Calls);
        return;
      }
      case Step::Calls: return Calls(line);
      case Step::GroupOpen:
        if (line != Opening(kPrivateSub, kGroup, nextGroup)) Fail("expected Group" + N(nextGroup));
        groupCalls = 0;
        shortCallLine = false;
        step = Step::GroupCalls;
        return;
      case Step::GroupCalls: return GroupCallLine(line);
      case Step::PartOpen:
        if (line != Opening(kPrivateSub, kPart, nextPart)) Fail("expected Part" + N(nextPart));
        dataLine = 0;
        step = Step::Data;
        return;
      case Step::Data: return DataLine(line);
      case Step::Done: Fail("text after the end of the module");
    }
  }

  void Header(std::string_view line) {
    std::string_view s = line;
    bool ok = true;
    const std::size_t k = headerLine++;
    if (module > 1) {
      const std::string fixed[] = {std::string(ModuleFormat::kVbNameOpen) + ModuleName(module) + "\"", "'",
                                   std::string(kSetLineOpen) + N(module) + std::string(kSetLineOf) + N(modules) +
                                       std::string(kSetLineFor) + stem + std::string(kSetLineWith) + firstName,
                                   "'", generatedBy, notice, "'"};
      if (line != fixed[k]) Fail("expected \"" + fixed[k] + "\"");
      if (headerLine == kOtherHeaderLines) {
        Expect({Opening(kPublicSub, stem + std::string(kEntrySuffix), module)}, Step::Calls);
      }
      return;
    }
    switch (k) {
      case 0:
        ok = Eat(s, ModuleFormat::kVbNameOpen) && s.ends_with('"');
        firstName = s.substr(0, s.size() - (ok ? 1 : 0));
        ok = ok && IsIdentifier(firstName) && firstName.size() <= 31;
        break;
      case 1: {
        const std::string_view scopes[] = {"Public", "Private"};
        ok = false;
        for (std::string_view word : scopes)
          if (s.starts_with(word) && s.substr(word.size()).starts_with(kConstOpen)) {
            scope = word;
            s.remove_prefix(word.size() + kConstOpen.size());
            ok = true;
          }
        const auto middle = s.find(kConstMiddle);
        ok = ok && middle != std::string_view::npos && s.substr(0, middle).ends_with(kLengthSuffix) &&
             ParseCount(s.substr(middle + kConstMiddle.size()), length);
        if (ok) stem = s.substr(0, middle - kLengthSuffix.size());
        ok = ok && IsIdentifier(stem);
        break;
      }
      case 2: ok = line.empty(); break;
      case 4: ok = line == std::string(ModuleFormat::kUseOpen) + stem + std::string(ModuleFormat::kUseClose); break;
      case 5: ok = line == std::string(kUseBytesOpen) + stem + std::string(kUseBytesClose); break;
      case 7:
        ok = line.starts_with(ModuleFormat::kGeneratedBy) && !HasControlCharacter(line);
        generatedBy = line;
        break;
      case 8:
        ok = line.starts_with("' ") && !HasControlCharacter(line);
        notice = line;
        break;
      default: ok = line == "'"; break;
    }
    if (!ok) Fail("not the header of a compact module");
    if (headerLine == kFirstHeaderLines) {
      expected.push_back(scope + std::string(kSubWord) + std::string(kCreateName) + stem + std::string(kCreateClose));
      ExpectAll(kCreateHead);
      afterExpected = Step::OpenOutput;
      step = Step::Expect;
    }
  }

  // The dispatcher of module 1 (groups, then the other modules' entries) or a module's entry.
  void Calls(std::string_view line) {
    if (line == kEndSub) {
      if (module > 1 && lastGroup < nextGroup) Fail("a module of the set without parts");
      return ExpectDecoder();
    }
    if (!sawEntries && line == std::string(kGroup) + N(static_cast<std::uint64_t>(lastGroup + 1)) + std::string(kArgs)) {
      ++lastGroup;
      return;
    }
    if (module == 1 && line == stem + std::string(kEntrySuffix) + N(modules + 1) + std::string(kArgs)) {
      sawEntries = true;
      ++modules;
      return;
    }
    Fail("expected a call of Group" + N(lastGroup + 1) + (module == 1 ? " or of the next module" : ""));
  }

  void GroupCallLine(std::string_view line) {
    if (line == kEndSub) {
      if (groupCalls == 0) Fail("a group that calls no part");
      if (groupCalls < static_cast<std::int32_t>(kPartsPerGroup) && nextGroup != lastGroup)
        Fail("a group short of parts before the module's last");
      ++nextGroup;
      step = nextGroup <= lastGroup ? Step::GroupOpen : Step::PartOpen;
      return;
    }
    if (shortCallLine) Fail("a call line after a short one");
    std::string calls;
    for (std::size_t c = 1; c <= kCallsPerLine; ++c) {
      const std::int32_t part = nextCall + static_cast<std::int32_t>(c) - 1;
      if (c > 1) calls.append(kCallSeparator);
      calls.append(kPart).append(N(static_cast<std::uint64_t>(part))).append(kArgs);
      if (line.size() == calls.size() + kCallEnd.size() && line.starts_with(calls) && line.ends_with(kCallEnd)) {
        if (part > PartsInSet()) Fail("a call of a part beyond the data");
        if (groupCalls + static_cast<std::int32_t>(c) > static_cast<std::int32_t>(kPartsPerGroup))
          Fail("a group of more than " + N(kPartsPerGroup) + " parts");
        nextCall = part + 1;
        groupCalls += static_cast<std::int32_t>(c);
        shortCallLine = c < kCallsPerLine;
        return;
      }
      if (line.size() < calls.size()) break;
    }
    Fail("expected calls of Part" + N(nextCall) + " on");
  }

  void DataLine(std::string_view line) {
    std::string_view hex = line;
    if (!Eat(hex, kDataOpen)) Fail("expected a data line");
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kBytesPerLine, length - read));
    const bool ends = dataLine + 1 == static_cast<std::int32_t>(kLinesPerPart) || read + want == length;
    if (!Eat(hex, hex.substr(0, 2 * want)) || hex != (ends ? kDataEndSub : kDataClose))
      Fail("a data line of " + N(want) + " bytes" + (ends ? " ending the part" : "") + " expected");
    const std::string_view digits = line.substr(kDataOpen.size(), 2 * want);
    bytes.resize(want);
    if (!HexDigits::Decode(digits, bytes.data())) Fail("not a capital hex digit");
    if (want) sink(bytes.data(), want);
    read += want;
    ++dataLine;
    if (!ends) return;
    ++nextPart;
    step = nextPart < nextCall ? Step::PartOpen : Step::Done;
  }

  void EndModule() {
    lines.Finish();
    if (step != Step::Done) Fail("the module ends early");
    if (module == modules) Fail("the set has only " + N(modules) + " modules");
    ++module;
    sawEntries = false;
    lines.Restart(Where());
    headerLine = 0;
    step = Step::Header;
  }
};

CompactReader::CompactReader(ByteSink sink) : s_(std::make_unique<State>(std::move(sink))) {}
CompactReader::~CompactReader() = default;

void CompactReader::Feed(std::string_view text) {
  s_->lines.Feed(text, [this](std::string_view line) { s_->Line(line); });
}

void CompactReader::EndModule() { s_->EndModule(); }

void CompactReader::Finish() {
  s_->lines.Finish();
  if (s_->step != State::Step::Done) s_->Fail("the module ends early");
  if (s_->module != s_->modules)
    s_->Fail("the set has " + N(s_->modules) + " modules; " + N(s_->module) + " were read");
  if (s_->read != s_->length) s_->Fail("the data ends early");
}

std::int32_t CompactReader::ModuleCount() const { return s_->modules; }
std::int32_t CompactReader::ModulesRead() const { return s_->step == State::Step::Done ? s_->module : s_->module - 1; }
std::string CompactReader::ModuleName(std::int32_t k) const { return s_->ModuleName(k); }
const std::string& CompactReader::Path() const { return s_->path; }
std::uint64_t CompactReader::Length() const { return s_->length; }

std::vector<std::uint8_t> ReadCompactModules(std::span<const std::string> texts) {
  std::vector<std::uint8_t> out;
  CompactReader reader([&](const std::uint8_t* b, std::size_t n) { out.insert(out.end(), b, b + n); });
  for (std::size_t k = 0; k < texts.size(); ++k) {
    if (k) reader.EndModule();
    reader.Feed(texts[k]);
  }
  reader.Finish();
  return out;
}

}  // namespace quorvel
