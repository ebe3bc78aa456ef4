#include "ModuleGenerator.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <vector>

#include "HexDigits.h"
#include "ModuleFormat.h"
#include "StringStuff.h"
#include "Utf8.h"
#include "VbError.h"
#include "quorvel_version.h"

namespace quorvel {

VersionTriple ProductVersion() {
  return {QUORVEL_VERSION_MAJOR, QUORVEL_VERSION_MINOR, QUORVEL_VERSION_REVISION};
}

std::string_view OwnershipNotice() {
  return "(c) Quorvel Software. The code it generates is yours to use freely.";
}

std::size_t MemorySource::Read(std::uint8_t* buffer, std::size_t count) {
  const std::size_t n = std::min(count, bytes_.size() - offset_);
  if (n) std::memcpy(buffer, bytes_.data() + offset_, n);
  offset_ += n;
  return n;
}

namespace {

using namespace ModuleFormat;

constexpr std::int32_t kLinesPerPart = 100;
constexpr std::size_t kChunk = 64 * 1024;
constexpr std::size_t kOutBuffer = 256 * 1024;
constexpr std::string_view kDataCloseLine = "\")\r\n";
static_assert(kDataCloseLine.substr(0, 2) == kDataClose);

using HexDigits::kDigits;

std::string CodePointName(char32_t c) {
  std::string digits;
  for (char32_t v = c; v || digits.size() < 4; v >>= 4) digits.insert(digits.begin(), kDigits[v & 15]);
  return "U+" + digits;
}

std::string ControlName(char32_t c) {
  switch (c) {
    case 0x00: return "a NUL character";
    case 0x09: return "a tab";
    case 0x0A: return "a line break";
    case 0x0D: return "a carriage return";
    case 0x7F: return "a delete character";
    default: return "a control character";
  }
}

// Checks one input character by character, as it will be written; returns its length in
// characters.
std::size_t CheckInput(std::string_view text, ErrorSubject subject, const EncodablePredicate& encodable) {
  const std::string what = subject == ErrorSubject::kFileName ? "the file name" : "the destination";
  std::size_t chars = 0;
  for (std::size_t i = 0; i < text.size(); ++chars) {
    const Utf8Char c = DecodeUtf8(text.substr(i));
    if (c.codePoint == Utf8Char::kInvalid) {
      const auto b = static_cast<unsigned char>(text[i]);
      throw VbError::About(subject, kErrBadFileNameOrNumber,
                           what + " holds the byte 0x" + kDigits[b >> 4] + kDigits[b & 15] +
                               ", which is not UTF-8");
    }
    if (c.codePoint < 0x20 || c.codePoint == 0x7F)
      throw VbError::About(subject, kErrBadFileNameOrNumber,
                           what + " holds " + CodePointName(c.codePoint) + " (" + ControlName(c.codePoint) + ")");
    if (encodable && !encodable(c.codePoint))
      throw VbError::About(subject, kErrBadFileNameOrNumber,
                           what + " holds " + CodePointName(c.codePoint) + " \"" + std::string(text.substr(i, c.length)) +
                               "\", which the module's code page cannot hold");
    i += c.length;
  }
  return chars;
}

// One run: the counters, the data line in progress and the buffered output.
class Writer {
 public:
  Writer(const ModuleOptions& options, std::string pathLiteral, TextSink& sink)
      : options_(options),
        pathLiteral_(std::move(pathLiteral)),
        sink_(sink),
        stem_(StringStuff::MakeStem(options.fileName)),
        out_(kOutBuffer) {}

  GeneratorCounters counters;

  void Line(std::string_view a, std::string_view b = {}, std::string_view c = {}, std::string_view d = {}) {
    Put(a);
    Put(b);
    Put(c);
    Put(d);
    Put(kCrLf);
  }

  void Header() {
    const auto& v = options_.version;
    Line(kVbNameOpen, StringStuff::MakeAttribName(options_.fileName), kVbNameClose);
    Line(options_.scope, kFileNumberDeclaration);
    Line("");
    Line("'");
    Line(kUseOpen, stem_, kUseClose);
    Line("'");
    Line(kGeneratedBy, std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.revision));
    Line("' ", options_.notice);
    Line("'");
    Line(" ");
  }

  void OpenPart() {
    Line(counters.PartCount == 1 ? ScopeSub() : kPublicSub, stem_, PartSuffix(counters.PartCount), kPartOpenClose);
  }

  void StartParts() {
    counters.LineCount = 1;
    counters.PartCount = 1;
    OpenPart();
  }

  void AddBytes(const std::uint8_t* p, std::size_t n) {
    while (n) {
      if (fill_ == 0 && n >= kBytesPerLine) {
        FullLine(p);
        p += kBytesPerLine;
        n -= kBytesPerLine;
        continue;
      }
      const std::size_t take = std::min(kBytesPerLine - fill_, n);
      std::memcpy(pending_.data() + fill_, p, take);
      fill_ += take;
      p += take;
      n -= take;
      if (fill_ == kBytesPerLine) {
        fill_ = 0;
        FullLine(pending_.data());
      }
    }
  }

  void EndParts() {
    Reserve(kDataOpen.size() + 2 * kBytesPerLine + kDataCloseLine.size());
    Put(kDataOpen);
    HexDigits::Scalar(pending_.data(), fill_, out_.data() + used_);
    used_ += 2 * fill_;
    Put(kDataCloseLine);
    Line(kEndSub);
    Line("");
  }

  void CreateOpen() {
    Line(ScopeSub(), kCreateName, stem_, kCreateClose);
    Line(kFreefile);
    Line(kOpenQuote, pathLiteral_, kEmptyTargetTail);
    Line(kOpenQuote, pathLiteral_, kOpenBinaryTail);
  }

  void CallLine(std::int32_t part) { Line(kCallIndent, stem_, PartSuffix(part)); }

  void CreateCloseAndWriteBytes() {
    Line(kCloseFile);
    Line(kEndSub);
    Line("");
    Line(ScopeSub(), kWriteBytesOpen);
    for (std::string_view line : kWriteBytesBody) Line(line);
  }

  void Flush() {
    if (used_) sink_.Write(std::string_view(out_.data(), used_));
    used_ = 0;
  }

 private:
  static std::string PartSuffix(std::int32_t part) { return std::string(kPartSuffix) + std::to_string(part); }
  std::string_view ScopeSub() const { return options_.scope == "Private" ? kPrivateSub : kPublicSub; }

  void Reserve(std::size_t n) {
    if (used_ + n > out_.size()) {
      Flush();
      if (n > out_.size()) out_.resize(n);
    }
  }

  void Put(std::string_view s) {
    if (s.empty()) return;
    Reserve(s.size());
    std::memcpy(out_.data() + used_, s.data(), s.size());
    used_ += s.size();
  }

  void FullLine(const std::uint8_t* bytes) {
    constexpr std::size_t kLine = kDataOpen.size() + 2 * kBytesPerLine + kDataCloseLine.size();
    Reserve(kLine);
    char* dst = out_.data() + used_;
    std::memcpy(dst, kDataOpen.data(), kDataOpen.size());
    HexDigits::Encode(bytes, kBytesPerLine, dst + kDataOpen.size());
    std::memcpy(dst + kDataOpen.size() + 2 * kBytesPerLine, kDataCloseLine.data(), kDataCloseLine.size());
    used_ += kLine;
    if (++counters.LineCount > kLinesPerPart) {
      counters.LineCount = 0;
      ++counters.PartCount;
      Line(kEndSub);
      Line("");
      OpenPart();
    }
  }

  const ModuleOptions& options_;
  std::string pathLiteral_;
  TextSink& sink_;
  std::string stem_;
  std::vector<char> out_;
  std::size_t used_ = 0;
  std::array<std::uint8_t, kBytesPerLine> pending_{};
  std::size_t fill_ = 0;
};

}  // namespace

std::string TargetPathLiteral(const ModuleOptions& options) {
  // A lone separator is the root of the current drive: "\\b.bin" would name a server.
  const bool driveRoot = options.destFolder == "\\" || options.destFolder == "/";
  const std::string path = (driveRoot ? std::string() : options.destFolder) + "\\" + options.fileName;
  std::size_t chars = CheckInput(options.fileName, ErrorSubject::kFileName, options.encodable);
  // The module re-creates one file, in the destination and nowhere else.
  if (std::string fault = StringStuff::WindowsFileNameFault(options.fileName); !fault.empty())
    throw VbError::About(ErrorSubject::kFileName, kErrBadFileNameOrNumber, std::move(fault));
  chars += CheckInput(options.destFolder, ErrorSubject::kDestination, options.encodable) + 1;
  if (std::string fault = StringStuff::WindowsFolderFault(options.destFolder); !fault.empty())
    throw VbError::About(ErrorSubject::kDestination, kErrBadFileNameOrNumber, std::move(fault));
  chars += static_cast<std::size_t>(std::count(path.begin(), path.end(), '"'));  // each is doubled
  const std::size_t longest = kOpenQuote.size() + chars + std::max(kEmptyTargetTail.size(), kOpenBinaryTail.size());
  if (longest > kMaxSourceLineChars) {
    const bool nameIsLonger = options.fileName.size() >= options.destFolder.size();
    throw VbError::About(nameIsLonger ? ErrorSubject::kFileName : ErrorSubject::kDestination, kErrBadFileNameOrNumber,
                         "the Open line would be " + std::to_string(longest) +
                             " characters long; a Visual Basic source line holds at most " +
                             std::to_string(kMaxSourceLineChars));
  }
  return QuotePath(path);
}

ModuleGenerator::ModuleGenerator(ModuleOptions options) : options_(std::move(options)) {}

void ModuleGenerator::SetProgressStep(std::uint32_t bytes) { progressStep_ = std::max<std::uint32_t>(1, bytes); }

GeneratorCounters ModuleGenerator::Generate(ByteSource& source, TextSink& sink, ProgressObserver* observer) {
  // Text the template does not expect would end up in a line of its own.
  if ((options_.scope != "Public" && options_.scope != "Private") || HasControlCharacter(options_.notice))
    throw VbError(kErrInvalidProcedureCall);
  Writer w(options_, TargetPathLiteral(options_), sink);
  w.Header();
  w.StartParts();

  const std::uint64_t length = source.Length();
  const bool toTheEnd = length == ByteSource::kUnknownLength;
  if (!toTheEnd && length > kMaxSourceBytes) throw VbError(kErrOverflow);
  const auto total = toTheEnd ? kMaxSourceBytes : static_cast<std::uint32_t>(length);
  if (toTheEnd) observer = nullptr;  // there is no total to tell

  std::vector<std::uint8_t> chunk(std::min<std::size_t>(kChunk, std::max<std::uint32_t>(total, 1)));
  std::uint32_t done = 0;
  std::uint32_t nextReport = observer ? std::min(progressStep_, total) : total + 1;
  while (done < total) {
    std::size_t want = std::min<std::size_t>(chunk.size(), total - done);
    if (observer) want = std::min<std::size_t>(want, nextReport - done);
    const std::size_t got = source.Read(chunk.data(), want);
    if (got == 0 && toTheEnd) break;
    if (got == 0) throw VbError(kErrInputPastEndOfFile);
    w.AddBytes(chunk.data(), got);
    done += static_cast<std::uint32_t>(got);
    if (done == nextReport) {
      w.Flush();
      observer->Converted(done, total);
      nextReport = done + std::min(progressStep_, total - done);
    }
  }
  if (toTheEnd && done == total && source.Read(chunk.data(), 1) != 0) throw VbError(kErrOverflow);
  w.EndParts();

  w.CreateOpen();
  if (observer) {
    w.Flush();
    observer->Finalizing();
  }
  for (std::int32_t k = 1; k <= w.counters.PartCount; ++k) {
    w.CallLine(k);
    if (observer) {
      w.Flush();
      observer->CallLineWritten(k);
    }
  }
  w.CreateCloseAndWriteBytes();
  w.Flush();
  return w.counters;
}

std::uint64_t ModulePartCount(std::uint64_t n) {
  const std::uint64_t fullLines = n / kBytesPerLine;
  return fullLines < kLinesPerPart ? 1 : 2 + (fullLines - kLinesPerPart) / (kLinesPerPart + 1);
}

std::uint64_t ModuleLineCount(std::uint64_t n) {
  const std::uint64_t fullLines = n / kBytesPerLine;
  const std::uint64_t parts = ModulePartCount(n);
  // Header 10; per part its opening, End Sub and blank line; the data lines and the last one;
  // Create_ with one call per part; WriteBytes 9.
  return 10 + 3 * parts + fullLines + 1 + (7 + parts) + 9;
}

std::string GenerateModule(const ModuleOptions& options, std::span<const std::uint8_t> bytes) {
  MemorySource source(bytes);
  StringSink sink;
  ModuleGenerator(options).Generate(source, sink);
  return std::move(sink.Text());
}

}  // namespace quorvel
