// The page's converter, run in a Web Worker: the engine reads the chosen file through the
// worker's script (a slice at a time, so a large file is never held whole) and hands each
// module's text back as it comes, with the CRC-32 and length a .zip entry needs.
#include <emscripten.h>

#include <algorithm>
#include <cstdint>
#include <new>
#include <string>

#include "Crc32.h"
#include "ModuleFormat.h"
#include "ModuleSet.h"
#include "Utf8.h"
#include "VbError.h"
#include "Windows1252.h"

// Script hooks of the worker (web/worker.js); HEAPU8 is looked up at each call, as the
// memory may have grown since the last.
// A read that fails returns minus the error number: the file is gone (53), the browser had no
// memory for it (7), or it may no longer be read (70, as Chromium reports a file changed or
// locked since it was chosen).
EM_JS(int, ReadSource, (std::uint8_t * to, int count, double at), {
  try {
    const bytes = Module.readSource(at, count);
    HEAPU8.set(bytes, to);
    return bytes.length;
  } catch (e) {
    return e.name == 'NotFoundError' ? -53 : e.name == 'RangeError' ? -7 : -70;
  }
});
EM_JS(void, BeginModule, (int index, const char* name, double lines), {
  Module.beginModule(index, UTF8ToString(name), lines);
});
// The text is lent as a view into the memory, valid until the call returns.
EM_JS(void, WriteText, (const char* text, int count), { Module.writeText(HEAPU8.subarray(text, text + count)); });
EM_JS(void, EndModule, (int index, std::uint32_t crc, double size), { Module.endModule(index, crc >>> 0, size); });
EM_JS(void, TellProgress, (double position, double total), { Module.progress(position, total); });

namespace quorvel::web {

namespace {

constexpr std::size_t kChunk = 1 << 20;      // source bytes read at a time
constexpr std::size_t kTextChunk = 32 << 20;  // text handed to script at a time

class FileSource : public ByteSource {
 public:
  explicit FileSource(std::uint64_t length) : length_(length) {}
  std::uint64_t Length() override { return length_; }
  std::size_t Read(std::uint8_t* buffer, std::size_t count) override {
    const int n = ReadSource(buffer, static_cast<int>(std::min(count, kChunk)), static_cast<double>(at_));
    if (n == -kErrPermissionDenied)
      throw VbError::About(ErrorSubject::kNone, kErrPermissionDenied,
                           "the file changed or was locked after it was chosen; choose it again");
    if (n < 0) throw VbError(-n);
    at_ += static_cast<std::uint64_t>(n);
    return static_cast<std::size_t>(n);
  }

 private:
  std::uint64_t length_;
  std::uint64_t at_ = 0;
};

bool IsAscii(std::string_view text) {
  for (const char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// Encodes the module text (UTF-8 from the engine) to Windows-1252, as it is saved, and gathers
// it into pieces of 32 MiB before crossing into script.
class ScriptSink : public ModuleSetSink, public TextSink {
 public:
  // asciiOnly: every name that goes into the module is ASCII, so the whole text is. withCrc:
  // the modules go into a .zip, which needs each one's CRC-32.
  ScriptSink(bool asciiOnly, bool withCrc) : asciiOnly_(asciiOnly), withCrc_(withCrc) { buffer_.reserve(kTextChunk); }

  TextSink& Module(std::int32_t index, const ModuleInfo& module) override {
    Finish();
    index_ = index;
    BeginModule(index, module.vbName.c_str(), static_cast<double>(module.lines));
    return *this;
  }

  void Write(std::string_view text) override {
    if (asciiOnly_) {
      Emit(text);
      return;
    }
    encoded_.clear();
    encoder_.Encode(text, encoded_);
    Emit(encoded_);
  }

  // The module begun last is complete.
  void Finish() {
    if (index_ == 0) return;
    encoded_.clear();
    encoder_.Finish(encoded_);
    Emit(encoded_);
    Flush();
    EndModule(index_, crc_.Value(), static_cast<double>(size_));
    index_ = 0;
    crc_ = Crc32{};
    size_ = 0;
  }

 private:
  void Emit(std::string_view text) {
    if (withCrc_) crc_.Add(text);
    size_ += text.size();
    if (buffer_.size() + text.size() > kTextChunk) Flush();
    if (text.size() >= kTextChunk) WriteText(text.data(), static_cast<int>(text.size()));
    else buffer_.append(text);
  }

  void Flush() {
    if (!buffer_.empty()) WriteText(buffer_.data(), static_cast<int>(buffer_.size()));
    buffer_.clear();
  }

  bool asciiOnly_;
  bool withCrc_;
  Windows1252Encoder encoder_;
  std::string encoded_;
  std::string buffer_;
  std::int32_t index_ = 0;
  Crc32 crc_;
  std::uint64_t size_ = 0;
};

class ScriptProgress : public ProgressObserver {
 public:
  void Converted(std::uint32_t position, std::uint32_t total) override { TellProgress(position, total); }
};

std::string g_message;

// Names and details are shown as quorvel-gen shows them: a mark that would reorder or hide
// part of the line is written as an escape.
std::string ErrorLine(const std::string& subject, int number, const std::string& detail) {
  std::string text =
      Shown(subject) + ": error " + std::to_string(number) + ": " + std::string(VbErrorDescription(number));
  if (!detail.empty()) text += " (" + Shown(detail) + ")";
  return text;
}

// The error line the page shows, naming the input to change as quorvel-gen names its argument.
std::string DescribeError(const VbError& e, const ModuleOptions& options, const std::string& source,
                          bool nameGiven) {
  switch (e.Number()) {
    case kErrBadFileNameOrNumber:
      if (e.Subject() == ErrorSubject::kDestination)
        return ErrorLine("Destination folder " + options.destFolder, e.Number(), e.Detail());
      return ErrorLine(nameGiven ? "File name in the module " + options.fileName : source, e.Number(), e.Detail());
    case kErrOverflow:
      return ErrorLine(source, e.Number(), ModuleFormat::kSourceLimitDetail);
    case kErrInvalidProcedureCall:
      return ErrorLine("Lines per module " + std::to_string(options.maxLines), e.Number(), e.Detail());
    default:
      return ErrorLine(source, e.Number(), e.Detail());
  }
}

}  // namespace

}  // namespace quorvel::web

extern "C" {

// Converts the worker's chosen file of `length` bytes; 0 when every module was handed over,
// else the error number, with the line to show in quorvel_message().
EMSCRIPTEN_KEEPALIVE int quorvel_convert(const char* source, const char* fileName, const char* dest, int isPrivate,
                                         int compact, int maxLines, double length) {
  using namespace quorvel;
  ModuleOptions options;
  const std::string sourceName = source;
  const bool nameGiven = *fileName != '\0';
  options.fileName = nameGiven ? fileName : sourceName;
  options.destFolder = dest;
  options.scope = isPrivate ? "Private" : "Public";
  options.layout = compact ? ModuleLayout::kCompact : ModuleLayout::kClassic;
  options.maxLines = static_cast<std::uint64_t>(maxLines);
  web::g_message.clear();
  try {
    TargetPathLiteral(options);
    const bool set = PlanModules(options, static_cast<std::uint64_t>(length)).size() > 1;
    web::FileSource file(static_cast<std::uint64_t>(length));
    web::ScriptSink sink(
        web::IsAscii(options.fileName) && web::IsAscii(options.destFolder) && web::IsAscii(options.notice), set);
    web::ScriptProgress progress;
    GenerateModuleSet(options, file, sink, &progress, 1u << 20);
    sink.Finish();
    return 0;
  } catch (const VbError& e) {
    web::g_message = web::DescribeError(e, options, sourceName, nameGiven);
    return e.Number();
  } catch (const std::bad_alloc&) {
    web::g_message = web::ErrorLine(sourceName, kErrOutOfMemory, "");
    return kErrOutOfMemory;
  }
}

EMSCRIPTEN_KEEPALIVE const char* quorvel_message() { return quorvel::web::g_message.c_str(); }

}  // extern "C"
