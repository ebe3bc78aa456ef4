#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "Windows1252.h"

namespace quorvel {

struct VersionTriple {
  int major;
  int minor;
  int revision;
};

// The build's own version (2.0.9) and the notice line every generated header carries.
VersionTriple ProductVersion();
std::string_view OwnershipNotice();

// Whether the encoding the module text will be saved in holds a character.
using EncodablePredicate = std::function<bool(char32_t)>;

// The text a source becomes. Classic: one module, 32 bytes a line, written by ModuleGenerator.
// Compact: 500 bytes a line, a Bytes_ function beside Create_, and a set of modules when one
// would pass the line budget (CompactGenerator).
enum class ModuleLayout { kClassic, kCompact };

// The most lines a VB6 module may hold.
inline constexpr std::uint64_t kMaxVbModuleLines = 65534;

// What a generated module is made from; strings are UTF-8.
struct ModuleOptions {
  std::string fileName;       // name on the Open lines; names derive from it
  std::string scope = "Public";  // "Public" or "Private"
  std::string destFolder = ".";  // one backslash and the file name are appended to it
  VersionTriple version = ProductVersion();
  std::string notice = std::string(OwnershipNotice());
  // The module's text encoding; the file name and the destination must fit it.
  EncodablePredicate encodable = Windows1252Holds;
  ModuleLayout layout = ModuleLayout::kClassic;
  // Lines one compact module may hold; a longer one becomes a set (the classic layout only
  // counts its lines).
  std::uint64_t maxLines = kMaxVbModuleLines;
  // Parts (each 16,000 characters of literals) one compact module may hold; 0: as many as the
  // line budget takes. LibreOffice Basic holds about 63,000 characters of literals a module.
  std::int32_t maxParts = 0;
};

// The target path as it stands between the quotes of the Open lines (destination, one
// backslash, file name; every quote doubled). A file name or destination that is not UTF-8,
// holds a control character (U+0000 to U+001F, U+007F) or a character the encoding lacks, that
// Windows could not take as a file name or folder path (see StringStuff::WindowsFileNameFault
// and WindowsFolderFault), or that makes an Open line longer than VB reads, is refused with
// error 52 before any text is produced; the error's subject and detail name the input and the
// character or the reason.
std::string TargetPathLiteral(const ModuleOptions& options);

// Bytes to convert. Length() is asked once, before the first Read().
class ByteSource {
 public:
  // A length told only by the end of the source (a pipe converted as it is read).
  static constexpr std::uint64_t kUnknownLength = ~std::uint64_t{0};

  virtual ~ByteSource() = default;
  virtual std::uint64_t Length() = 0;
  // Fills up to count bytes; returns how many (0 only at the end of the source).
  virtual std::size_t Read(std::uint8_t* buffer, std::size_t count) = 0;
};

// Receives the module text in order, in pieces of any size.
class TextSink {
 public:
  virtual ~TextSink() = default;
  virtual void Write(std::string_view text) = 0;
};

// Told how a run goes. Every call comes after the text written so far has reached the sink,
// so an observer may show it. An observer may throw to stop the run.
class ProgressObserver {
 public:
  virtual ~ProgressObserver() = default;
  // Bytes 1..position of total are converted (position >= 1).
  virtual void Converted(std::uint32_t /*position*/, std::uint32_t /*total*/) {}
  // The byte loop is over; the Create_ procedure follows.
  virtual void Finalizing() {}
  // The call line of part `part` of the Create_ procedure has been written.
  virtual void CallLineWritten(std::int32_t /*part*/) {}
};

// What the generator counters hold at the end of a run.
struct GeneratorCounters {
  std::int32_t PartCount = 0;
  std::int32_t LineCount = 0;
};

// Streams the text of one Visual Basic module that re-creates the source byte for byte.
// Memory stays constant whatever the source's size. Failures are VbError: a source of 2^31
// bytes or more is error 6, one that ends before its length is error 62, options that a module
// cannot carry are error 52 (see TargetPathLiteral), all before any text reaches the sink. A
// source of unknown length is converted to its end, with no progress told, and is error 6 once
// more than 2^31 - 1 bytes came (after text has reached the sink).
class ModuleGenerator {
 public:
  explicit ModuleGenerator(ModuleOptions options);

  // How many bytes pass between two Converted() calls (1: every byte). Default 65,536.
  void SetProgressStep(std::uint32_t bytes);

  GeneratorCounters Generate(ByteSource& source, TextSink& sink,
                             ProgressObserver* observer = nullptr);

 private:
  ModuleOptions options_;
  std::uint32_t progressStep_ = 65536;
};

// A source over bytes in memory.
class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint64_t Length() override { return bytes_.size(); }
  std::size_t Read(std::uint8_t* buffer, std::size_t count) override;

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t offset_ = 0;
};

// A sink that collects the text in a string.
class StringSink : public TextSink {
 public:
  void Write(std::string_view text) override { text_.append(text); }
  std::string& Text() { return text_; }

 private:
  std::string text_;
};

// Lines of the module generated for a source of n bytes (every line ends with CRLF).
std::uint64_t ModuleLineCount(std::uint64_t n);
// Part procedures (<stem>_Part1 ...) of the module generated for a source of n bytes.
std::uint64_t ModulePartCount(std::uint64_t n);

// The whole module for bytes in memory.
std::string GenerateModule(const ModuleOptions& options, std::span<const std::uint8_t> bytes);

}  // namespace quorvel
