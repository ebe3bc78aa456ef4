#include "CompactGenerator.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "CompactFormat.h"
#include "CompactPlan.h"
#include "HexDigits.h"
#include "ModuleFormat.h"
#include "StringStuff.h"
#include "VbError.h"

namespace quorvel {
namespace {

using namespace CompactFormat;

constexpr std::size_t kOutBuffer = 256 * 1024;
constexpr std::size_t kReadChunk = 8 * kBytesPerPart;

using ModuleFormat::HasControlCharacter;

std::string Number(std::uint64_t n) { return std::to_string(n); }

// Reads the source in large pieces and hands it out a part at a time, in place.
class PartReader {
 public:
  // Never asks the source for more than `length` bytes in all.
  PartReader(ByteSource& source, std::uint64_t length) : source_(source), left_(length), chunk_(kReadChunk) {}

  // The next n bytes (n <= kReadChunk); error 62 when the source ends first.
  const std::uint8_t* Take(std::size_t n) {
    if (have_ - at_ < n) {
      std::memmove(chunk_.data(), chunk_.data() + at_, have_ - at_);
      have_ -= at_;
      at_ = 0;
      while (have_ < n) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(chunk_.size() - have_, left_));
        const std::size_t got = want ? source_.Read(chunk_.data() + have_, want) : 0;
        if (got == 0) throw VbError(kErrInputPastEndOfFile);
        have_ += got;
        left_ -= got;
      }
    }
    at_ += n;
    return chunk_.data() + at_ - n;
  }

 private:
  ByteSource& source_;
  std::uint64_t left_;
  std::vector<std::uint8_t> chunk_;
  std::size_t at_ = 0, have_ = 0;
};

// One run: the plan, the buffered output of the current module and its line count.
class Writer {
 public:
  Writer(const ModuleOptions& options, std::string pathLiteral, CompactPlan::Plan plan, ModuleSetSink& sink)
      : options_(options),
        pathLiteral_(std::move(pathLiteral)),
        plan_(std::move(plan)),
        sink_(sink),
        stem_(StringStuff::MakeStem(options.fileName)),
        out_(kOutBuffer) {
    const std::string first = StringStuff::MakeAttribName(options.fileName);
    for (std::size_t k = 1; k <= plan_.modules.size(); ++k)
      modules_.push_back({k == 1 ? first : SetModuleName(first, static_cast<std::int32_t>(k)), 0});
  }

  const std::vector<ModuleInfo>& Modules() const { return modules_; }

  // Writes module k (1-based) whole, taking its parts' bytes from the reader.
  void WriteModule(std::size_t k, PartReader& reader, ProgressObserver* observer, std::uint32_t step) {
    const CompactPlan::Module& m = plan_.modules[k - 1];
    text_ = &sink_.Module(static_cast<std::int32_t>(k), {modules_[k - 1].vbName, m.lines});
    lines_ = 0;
    if (k == 1) FirstModuleProcedures();
    else OtherModuleProcedures(k);
    Groups(m);
    for (std::int32_t part = m.firstPart; part < m.firstPart + m.parts; ++part) {
      const auto before = static_cast<std::uint64_t>(part - 1) * kBytesPerPart;
      const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(plan_.length - before, kBytesPerPart));
      Part(part, reader.Take(n), n);
      const std::uint64_t done = before + n;
      if (observer && (done / step != before / step || done == plan_.length)) {
        Flush();
        observer->Converted(static_cast<std::uint32_t>(done), static_cast<std::uint32_t>(plan_.length));
      }
    }
    Flush();
    modules_[k - 1].lines = lines_;
  }

 private:
  void Put(std::string_view s) {
    if (s.empty()) return;
    Reserve(s.size());
    std::memcpy(out_.data() + used_, s.data(), s.size());
    used_ += s.size();
  }
  void Line(std::string_view a, std::string_view b = {}, std::string_view c = {}, std::string_view d = {}) {
    Put(a);
    Put(b);
    Put(c);
    Put(d);
    Put(ModuleFormat::kCrLf);
    ++lines_;
  }
  void Reserve(std::size_t n) {
    if (used_ + n > out_.size()) {
      Flush();
      if (n > out_.size()) out_.resize(n);
    }
  }
  void Flush() {
    if (used_) text_->Write(std::string_view(out_.data(), used_));
    used_ = 0;
  }

  std::string_view Scope() const { return options_.scope; }
  std::string GeneratedBy() const {
    const auto& v = options_.version;
    return std::string(ModuleFormat::kGeneratedBy) + Number(v.major) + "." + Number(v.minor) + "." + Number(v.revision);
  }
  void OpenProcedure(std::string_view opening, std::string_view name, std::string_view number = {}) {
    Line(opening, name, number, kParams);
  }

  void FirstModuleProcedures() {
    Line(ModuleFormat::kVbNameOpen, modules_[0].vbName, ModuleFormat::kVbNameClose);
    Line(Scope(), kConstOpen, stem_ + std::string(kLengthSuffix), std::string(kConstMiddle) + Number(plan_.length));
    Line("");
    Line("'");
    Line(ModuleFormat::kUseOpen, stem_, ModuleFormat::kUseClose);
    Line(kUseBytesOpen, stem_, kUseBytesClose);
    Line("'");
    Line(GeneratedBy());
    Line("' ", options_.notice);
    Line("'");

    Line(Scope(), kSubWord, std::string(kCreateName) + stem_, kCreateClose);
    for (std::string_view line : kCreateHead) Line(line);
    Line(kOpenQuote, pathLiteral_, kEmptyTargetTail);
    Line(kOpenQuote, pathLiteral_, kOpenBinaryTail);
    for (std::string_view line : kCreateTail) Line(line);

    const std::string bytesName = std::string(kBytesName) + stem_;
    Line(Scope(), kFunctionWord, bytesName, kBytesClose);
    Line(kBytesDim);
    if (plan_.length) Line(kReDimOpen, stem_, kLengthSuffix, kReDimClose);
    else Line(kEmptyArray);
    Line(kBytesCall);
    Line(bytesName, kBytesReturn);
    Line(kEndFunction);

    OpenProcedure(kPrivateSub, kDispatcher);
    GroupCalls(plan_.modules[0]);
    for (std::size_t k = 2; k <= plan_.modules.size(); ++k) Line(stem_, kEntrySuffix, Number(k), kArgs);
    Line(kEndSub);
    Decoder();
  }

  void OtherModuleProcedures(std::size_t k) {
    Line(ModuleFormat::kVbNameOpen, modules_[k - 1].vbName, ModuleFormat::kVbNameClose);
    Line("'");
    Line(kSetLineOpen, Number(k) + std::string(kSetLineOf) + Number(plan_.modules.size()),
         std::string(kSetLineFor) + stem_, std::string(kSetLineWith) + modules_[0].vbName);
    Line("'");
    Line(GeneratedBy());
    Line("' ", options_.notice);
    Line("'");
    OpenProcedure(kPublicSub, stem_ + std::string(kEntrySuffix), Number(k));
    GroupCalls(plan_.modules[k - 1]);
    Line(kEndSub);
    Decoder();
  }

  void Decoder() {
    Line(kDecoderOpen);
    for (std::string_view line : kDecoderBody) Line(line);
  }

  // Groups are numbered across the set: module k's first one follows the last of module k-1.
  void GroupCalls(const CompactPlan::Module& m) {
    for (std::int32_t p = 0; p < m.parts; p += static_cast<std::int32_t>(kPartsPerGroup))
      Line(kGroup, Number(nextGroup_ + p / static_cast<std::int32_t>(kPartsPerGroup)), kArgs);
  }

  void Groups(const CompactPlan::Module& m) {
    for (std::int32_t p = 0; p < m.parts; p += static_cast<std::int32_t>(kPartsPerGroup)) {
      OpenProcedure(kPrivateSub, kGroup, Number(nextGroup_++));
      const std::int32_t end = std::min(m.parts, p + static_cast<std::int32_t>(kPartsPerGroup));
      std::string line;
      for (std::int32_t q = p; q < end; ++q) {
        line.append(kPart).append(Number(m.firstPart + q)).append(kArgs);
        const bool lineEnds = (q - p + 1) % kCallsPerLine == 0 || q + 1 == end;
        line.append(lineEnds ? kCallEnd : kCallSeparator);
        if (lineEnds) {
          Line(line);
          line.clear();
        }
      }
      Line(kEndSub);
    }
  }

  void Part(std::int32_t part, const std::uint8_t* bytes, std::size_t n) {
    OpenProcedure(kPrivateSub, kPart, Number(part));
    for (std::size_t at = 0; at < n; at += kBytesPerLine) {
      const std::size_t take = std::min(kBytesPerLine, n - at);
      const std::string_view close = at + take == n ? kDataEndSub : kDataClose;
      Reserve(kDataOpen.size() + 2 * take + close.size() + 2);
      Put(kDataOpen);
      HexDigits::Encode(bytes + at, take, out_.data() + used_);
      used_ += 2 * take;
      Put(close);
      Put(ModuleFormat::kCrLf);
      ++lines_;
    }
  }

  const ModuleOptions& options_;
  std::string pathLiteral_;
  CompactPlan::Plan plan_;
  ModuleSetSink& sink_;
  std::string stem_;
  std::vector<ModuleInfo> modules_;
  TextSink* text_ = nullptr;
  std::vector<char> out_;
  std::size_t used_ = 0;
  std::uint64_t lines_ = 0;
  std::int32_t nextGroup_ = 1;
};

}  // namespace

CompactGenerator::CompactGenerator(ModuleOptions options) : options_(std::move(options)) {}

void CompactGenerator::SetProgressStep(std::uint32_t bytes) { progressStep_ = std::max<std::uint32_t>(1, bytes); }

ModuleSetCounters CompactGenerator::Generate(ByteSource& source, ModuleSetSink& sink, ProgressObserver* observer) {
  if ((options_.scope != "Public" && options_.scope != "Private") || HasControlCharacter(options_.notice))
    throw VbError(kErrInvalidProcedureCall);
  std::string pathLiteral = TargetPathLiteral(options_);
  const std::uint64_t length = source.Length();
  if (length > ModuleFormat::kMaxSourceBytes) throw VbError(kErrOverflow);
  CompactPlan::Plan plan = CompactPlan::Make(length, options_.maxLines, options_.maxParts);
  const std::int32_t parts = plan.parts;
  const std::size_t modules = plan.modules.size();

  Writer writer(options_, std::move(pathLiteral), std::move(plan), sink);
  PartReader reader(source, length);
  for (std::size_t k = 1; k <= modules; ++k) writer.WriteModule(k, reader, observer, progressStep_);
  return {writer.Modules(), parts};
}

}  // namespace quorvel
