// quorvel-gen: converts a file into the Visual Basic module that re-creates it.
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

#include "ModuleGenerator.h"
#include "ModuleReader.h"
#include "StringStuff.h"
#include "VbError.h"
#include "Windows1252.h"

namespace {

using namespace quorvel;

constexpr std::size_t kIoChunk = 1 << 20;

constexpr const char* kUsage =
    "usage: quorvel-gen [--private] [--dest FOLDER] [--name NAME] [-o OUT] [--verify] FILE\n"
    "\n"
    "Writes the Visual Basic module that re-creates FILE byte for byte.\n"
    "  --private      declare the module's procedures Private (default Public)\n"
    "  --dest FOLDER  folder the module writes the file into (default \".\")\n"
    "  --name NAME    file name used in the module (default: FILE's own name)\n"
    "  -o OUT         write the module to OUT (default: standard output)\n"
    "  --verify       read the module back and compare it with FILE\n"
    "  --help, --version\n"
    "The module is Windows-1252 text with CRLF line ends.\n";

struct UsageError {
  std::string message;
};

struct Options {
  bool isPrivate = false;
  bool verify = false;
  std::string dest = ".";
  std::optional<std::string> name;
  std::optional<std::string> out;
  std::string file;
};

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

[[noreturn]] void ThrowIoError(int err, const std::filesystem::path& path, bool reading) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (err == ENOENT) {
    const fs::path parent = path.parent_path();
    throw VbError(parent.empty() || fs::is_directory(parent, ec) ? (reading ? kErrFileNotFound : kErrPathNotFound)
                                                                 : kErrPathNotFound);
  }
  if (err == ENOSPC) throw VbError(kErrDiskFull);
  throw VbError(kErrPathFileAccess);
}

File OpenSource(const std::string& name) {
  std::error_code ec;
  if (std::filesystem::is_directory(name, ec)) throw VbError(kErrPathFileAccess);
  File f(std::fopen(name.c_str(), "rb"));
  if (!f) ThrowIoError(errno, name, true);
  return f;
}

std::uint64_t FileLength(std::FILE* f) {
  std::error_code ec;
  if (std::fseek(f, 0, SEEK_END) != 0) throw VbError(kErrPathFileAccess);
#ifdef _WIN32
  const long long end = _ftelli64(f);
#else
  const long long end = ftello(f);
#endif
  if (end < 0 || std::fseek(f, 0, SEEK_SET) != 0) throw VbError(kErrPathFileAccess);
  return static_cast<std::uint64_t>(end);
}

class FileSource : public ByteSource {
 public:
  explicit FileSource(std::FILE* f) : f_(f) {}
  std::uint64_t Length() override { return FileLength(f_); }
  std::size_t Read(std::uint8_t* buffer, std::size_t count) override {
    const std::size_t n = std::fread(buffer, 1, count, f_);
    if (n == 0 && std::ferror(f_)) throw VbError(kErrPathFileAccess);
    return n;
  }

 private:
  std::FILE* f_;
};

// Compares the bytes a module writes with the source, read a second time.
class SourceComparer {
 public:
  explicit SourceComparer(const std::string& name) : f_(OpenSource(name)), buffer_(kIoChunk) {}
  void Compare(const std::uint8_t* bytes, std::size_t n) {
    while (n && same_) {
      if (at_ == filled_) {
        filled_ = std::fread(buffer_.data(), 1, buffer_.size(), f_.get());
        at_ = 0;
        if (filled_ == 0) {
          same_ = false;
          return;
        }
      }
      const std::size_t k = std::min(n, filled_ - at_);
      if (std::memcmp(bytes, buffer_.data() + at_, k) != 0) same_ = false;
      at_ += k;
      bytes += k;
      n -= k;
    }
  }
  bool SameToTheEnd() {
    if (!same_ || at_ != filled_) return false;
    std::uint8_t extra;
    return std::fread(&extra, 1, 1, f_.get()) == 0;
  }

 private:
  File f_;
  std::vector<std::uint8_t> buffer_;
  std::size_t at_ = 0, filled_ = 0;
  bool same_ = true;
};

// Writes on a thread of its own, so that converting and writing overlap. Pieces gather in
// buffers of kIoChunk bytes; at most kQueued of them wait for the disk.
class BackgroundWriter {
 public:
  BackgroundWriter(std::FILE* out, std::string outName)
      : out_(out), outName_(std::move(outName)), thread_([this] { Drain(); }) {
    current_.reserve(kIoChunk);
  }
  ~BackgroundWriter() {
    if (thread_.joinable()) Stop();
  }

  void Put(std::string_view bytes) {
    while (!bytes.empty()) {
      const std::size_t n = std::min(bytes.size(), kIoChunk - current_.size());
      current_.append(bytes.substr(0, n));
      bytes.remove_prefix(n);
      if (current_.size() == kIoChunk) Hand();
    }
  }

  // Writes what is left and waits for the disk; throws the first write error.
  void Finish() {
    if (!current_.empty()) Hand();
    Stop();
    if (error_ == 0 && std::fflush(out_) != 0) error_ = errno;
    if (error_ != 0) ThrowIoError(error_, outName_, false);
  }

 private:
  static constexpr std::size_t kQueued = 4;

  void Hand() {
    std::unique_lock lock(mutex_);
    roomy_.wait(lock, [&] { return full_.size() < kQueued; });
    full_.push_back(std::move(current_));
    if (!spare_.empty()) {
      current_ = std::move(spare_.back());
      spare_.pop_back();
    }
    current_.clear();
    current_.reserve(kIoChunk);
    ready_.notify_one();
  }

  void Stop() {
    {
      std::lock_guard lock(mutex_);
      done_ = true;
    }
    ready_.notify_one();
    thread_.join();
  }

  void Drain() {
    for (;;) {
      std::string buffer;
      {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [&] { return done_ || !full_.empty(); });
        if (full_.empty()) return;
        buffer = std::move(full_.front());
        full_.pop_front();
      }
      roomy_.notify_one();
      if (error_ == 0 && std::fwrite(buffer.data(), 1, buffer.size(), out_) != buffer.size()) error_ = errno ? errno : EIO;
      std::lock_guard lock(mutex_);
      spare_.push_back(std::move(buffer));
    }
  }

  std::FILE* out_;
  std::string outName_;
  std::string current_;
  std::mutex mutex_;
  std::condition_variable ready_, roomy_;
  std::deque<std::string> full_;
  std::vector<std::string> spare_;
  bool done_ = false;
  int error_ = 0;  // written by the writer thread only until Stop() joins it
  std::thread thread_;
};

// Encodes the module to Windows-1252 and hands it to the writer; optionally reads it back as
// it goes.
class OutputSink : public TextSink {
 public:
  OutputSink(std::FILE* out, std::string outName, ModuleReader* reader, bool asciiOnly)
      : writer_(out, std::move(outName)), reader_(reader), asciiOnly_(asciiOnly) {
    encoded_.reserve(kIoChunk);
  }
  void Write(std::string_view text) override {
    // ASCII is the same in Windows-1252. When every name that goes into the module is ASCII,
    // so is the whole module; otherwise only the pieces holding other characters convert.
    if (asciiOnly_ || (!encoder_.Pending() && IsAscii(text))) {
      Emit(text);
      return;
    }
    encoded_.clear();
    encoder_.Encode(text, encoded_);
    Emit(encoded_);
  }
  void Finish() {
    encoded_.clear();
    encoder_.Finish(encoded_);
    Emit(encoded_);
    writer_.Finish();
  }

  static bool IsAscii(std::string_view text) {
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
      std::uint64_t w;
      std::memcpy(&w, text.data() + i, 8);
      if (w & 0x8080808080808080ull) return false;
    }
    for (; i < text.size(); ++i)
      if (static_cast<unsigned char>(text[i]) >= 0x80) return false;
    return true;
  }

 private:
  void Emit(std::string_view bytes) {
    if (bytes.empty()) return;
    writer_.Put(bytes);
    if (reader_) reader_->Feed(bytes);
  }

  BackgroundWriter writer_;
  ModuleReader* reader_;
  Windows1252Encoder encoder_;
  std::string encoded_;
  bool asciiOnly_;
};

class ProgressBar : public ProgressObserver {
 public:
  void Converted(std::uint32_t position, std::uint32_t total) override {
    const int percent = static_cast<int>(100ull * position / total);
    if (percent == shown_) return;
    shown_ = percent;
    const int filled = percent * 40 / 100;
    std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(static_cast<std::size_t>(filled), '#').c_str(),
                 std::string(static_cast<std::size_t>(40 - filled), ' ').c_str(), percent);
    if (position == total) std::fputc('\n', stderr);
  }

 private:
  int shown_ = -1;
};

Options Parse(int argc, char** argv) {
  Options o;
  bool haveFile = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) throw UsageError{a + " needs a value"};
      return argv[++i];
    };
    if (a == "--private") o.isPrivate = true;
    else if (a == "--verify") o.verify = true;
    else if (a == "--dest") o.dest = value();
    else if (a == "--name") o.name = value();
    else if (a == "-o") o.out = value();
    else if (a.size() > 1 && a[0] == '-' ) throw UsageError{"unknown option " + a};
    else if (haveFile) throw UsageError{"only one FILE may be given"};
    else {
      o.file = a;
      haveFile = true;
    }
  }
  if (!haveFile) throw UsageError{"FILE is missing"};
  if (o.name && o.name->empty()) throw UsageError{"--name may not be empty"};
  return o;
}

void VerifyWrittenFile(const std::string& outName, ModuleReader& reader) {
  File f(std::fopen(outName.c_str(), "rb"));
  if (!f) ThrowIoError(errno, outName, true);
  std::vector<char> buffer(kIoChunk);
  while (const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), f.get()))
    reader.Feed(std::string_view(buffer.data(), n));
}

int Run(const Options& o) {
  const std::string fileName = o.name ? *o.name : std::filesystem::path(o.file).filename().string();
  ModuleOptions spec;
  spec.fileName = fileName;
  spec.scope = o.isPrivate ? "Private" : "Public";
  spec.destFolder = o.dest;

  File source = OpenSource(o.file);
  FileSource byteSource(source.get());

  File outFile;
  std::FILE* out = stdout;
  if (o.out) {
    outFile.reset(std::fopen(o.out->c_str(), "wb"));
    if (!outFile) ThrowIoError(errno, *o.out, false);
    out = outFile.get();
  }
  // The generator hands over large pieces already; stdio buffering would only copy them.
  std::setvbuf(out, nullptr, _IONBF, 0);

  std::optional<SourceComparer> comparer;
  std::optional<ModuleReader> reader;
  if (o.verify) {
    comparer.emplace(o.file);
    reader.emplace([&](const std::uint8_t* b, std::size_t n) { comparer->Compare(b, n); });
  }

  const bool asciiOnly = OutputSink::IsAscii(spec.fileName) && OutputSink::IsAscii(spec.destFolder) &&
                         OutputSink::IsAscii(spec.notice);
  OutputSink sink(out, o.out.value_or("standard output"), o.verify && !o.out ? &*reader : nullptr, asciiOnly);
  ProgressBar bar;
  ModuleGenerator generator(spec);
  generator.SetProgressStep(1 << 20);
  const bool showProgress = isatty(fileno(stderr)) && FileLength(source.get()) > (4u << 20);
  generator.Generate(byteSource, sink, showProgress ? &bar : nullptr);
  sink.Finish();
  const std::uint64_t size = FileLength(source.get());
  outFile.reset();

  if (ModuleLineCount(size) > kMaxVbModuleLines)
    std::fprintf(stderr, "quorvel-gen: warning: the module has %llu lines; a VB6 module holds at most %llu\n",
                 static_cast<unsigned long long>(ModuleLineCount(size)),
                 static_cast<unsigned long long>(kMaxVbModuleLines));

  if (o.verify) {
    if (o.out) VerifyWrittenFile(*o.out, *reader);
    try {
      reader->Finish();
    } catch (const ModuleFormatError& e) {
      std::fprintf(stderr, "quorvel-gen: verify failed: %s\n", e.what());
      return 1;
    }
    if (!comparer->SameToTheEnd()) {
      std::fprintf(stderr, "quorvel-gen: verify failed: the module does not re-create %s\n", o.file.c_str());
      return 1;
    }
    std::fprintf(stderr, "quorvel-gen: verified: %d part(s), %llu bytes\n", reader->Parts(),
                 static_cast<unsigned long long>(size));
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (a == "--version") {
      const auto v = quorvel::ProductVersion();
      std::printf("%d.%d.%d\n", v.major, v.minor, v.revision);
      return 0;
    }
  }
  try {
    return Run(Parse(argc, argv));
  } catch (const UsageError& e) {
    std::fprintf(stderr, "quorvel-gen: %s\n%s", e.message.c_str(), kUsage);
    return 2;
  } catch (const quorvel::VbError& e) {
    std::fprintf(stderr, "quorvel-gen: error %d: %s\n", e.Number(), e.Description().c_str());
    return 1;
  }
}
