// quorvel-gen: converts files into the Visual Basic modules that re-create them.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#else
#include <unistd.h>
#endif

#include "Args.h"
#include "Files.h"
#include "Messages.h"
#include "ModuleGenerator.h"
#include "ModuleReader.h"
#include "Replace.h"
#include "Spool.h"
#include "StringStuff.h"
#include "VbError.h"
#include "Windows1252.h"

namespace {

using namespace quorvel;
using namespace quorvel::cli;

constexpr std::size_t kIoChunk = 1 << 20;
constexpr std::uint64_t kMaxSource = std::numeric_limits<std::int32_t>::max();
constexpr const char* kOverflowDetail = "a module can carry at most 2,147,483,647 bytes";

// Ctrl+C on Windows, seen between two pieces of the module.
struct Stopped {};

// One FILE of the command line and where its module goes.
struct Job {
  std::string file;  // as given; "-" is standard input
  std::string fileName;
  std::optional<Target> target;  // none: standard output
  std::optional<FileId> id;      // the source's, seen before anything is read
  OpenedSource source;           // open only while it is converted
  bool streamed = false;         // converted as it is read: its length is known at its end
  std::unique_ptr<Spool> spool;  // its bytes, when they cannot be read again from the source
  std::uint64_t length = 0;  // taken when its turn comes; a file that grows is cut there
};

// The bytes of a source by position: reads of a plain file do not depend on a shared offset,
// so the generator and the verifier may both read it. A streamed source is read as it comes
// (and kept in the spool for --verify).
class JobSource : public ByteSource {
 public:
  explicit JobSource(Job& job) : job_(job) {}
  std::uint64_t Length() override { return job_.streamed ? kUnknownLength : job_.length; }
  std::size_t Read(std::uint8_t* buffer, std::size_t count) override {
    std::size_t n;
    if (job_.streamed) {
      n = ReadSome(job_.source.fd.Get(), buffer, count, job_.file);
      if (job_.spool && n) job_.spool->Append(buffer, n, job_.file);
    } else {
      n = ReadAt(at_, buffer, count);
    }
    at_ += n;
    return n;
  }
  std::size_t ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t count) const {
    if (job_.spool) return job_.spool->ReadAt(offset, buffer, count);
    return cli::ReadAt(job_.source.fd.Get(), offset, buffer, count, job_.file);
  }
  std::uint64_t BytesRead() const { return at_; }

 private:
  Job& job_;
  std::uint64_t at_ = 0;
};

// Compares the bytes a module writes with the first `length` bytes of its source, which it
// reads in blocks of kIoChunk bytes.
class SourceComparer {
 public:
  SourceComparer(const JobSource& source, std::uint64_t length)
      : source_(source), length_(length), block_(kIoChunk) {}
  void Compare(const std::uint8_t* bytes, std::size_t n) {
    if (!same_) return;
    if (n > length_ - at_) {
      same_ = false;
      return;
    }
    while (n) {
      if (at_ == blockEnd_ && !Refill()) {
        same_ = false;
        return;
      }
      const auto k = static_cast<std::size_t>(std::min<std::uint64_t>(n, blockEnd_ - at_));
      if (std::memcmp(bytes, block_.data() + (at_ - blockStart_), k) != 0) {
        same_ = false;
        return;
      }
      at_ += k;
      bytes += k;
      n -= k;
    }
  }
  bool SameToTheEnd() const { return same_ && at_ == length_; }

 private:
  bool Refill() {
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(block_.size(), length_ - at_));
    std::size_t got = 0;
    while (got < want)
      if (const std::size_t n = source_.ReadAt(at_ + got, block_.data() + got, want - got)) got += n;
      else break;
    blockStart_ = at_;
    blockEnd_ = at_ + got;
    return got > 0;
  }

  const JobSource& source_;
  std::uint64_t length_;
  std::vector<std::uint8_t> block_;
  std::uint64_t blockStart_ = 0, blockEnd_ = 0;
  std::uint64_t at_ = 0;
  bool same_ = true;
};

// Writes on a thread of its own, so that converting and writing overlap. Pieces gather in
// buffers of kIoChunk bytes; at most kQueued of them wait for the disk.
class BackgroundWriter {
 public:
  BackgroundWriter(int fd, std::string outName) : fd_(fd), outName_(std::move(outName)) {
    current_.reserve(kIoChunk);
    StopSignalsHeld hold;  // the stop handler runs on the main thread, never while it changes its list
    thread_ = std::thread([this] { Drain(); });
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
    if (const int err = error_.load()) ThrowSystemError(err, outName_, false);
  }

 private:
  static constexpr std::size_t kQueued = 4;

  void Hand() {
    // A full disk stops the run at once, not after the whole source was converted.
    if (const int err = error_.load()) ThrowSystemError(err, outName_, false);
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
      if (error_.load() == 0)
        if (const int err = WriteAll(fd_, buffer.data(), buffer.size())) error_ = err;
      std::lock_guard lock(mutex_);
      spare_.push_back(std::move(buffer));
    }
  }

  int fd_;
  std::string outName_;
  std::string current_;
  std::mutex mutex_;
  std::condition_variable ready_, roomy_;
  std::deque<std::string> full_;
  std::vector<std::string> spare_;
  bool done_ = false;
  std::atomic<int> error_{0};
  std::thread thread_;
};

// Encodes the module to Windows-1252 and hands it to the writer; optionally reads it back as
// it goes.
class OutputSink : public TextSink {
 public:
  OutputSink(int fd, std::string outName, ModuleReader* reader, bool asciiOnly)
      : writer_(fd, std::move(outName)), reader_(reader), asciiOnly_(asciiOnly) {
    encoded_.reserve(kIoChunk);
  }
  void Write(std::string_view text) override {
    if (StopRequested()) throw Stopped{};
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

ModuleOptions ModuleOptionsFor(const Options& o, const std::string& fileName, const std::string& dest) {
  ModuleOptions m;
  m.fileName = fileName;
  m.scope = o.isPrivate ? "Private" : "Public";
  m.destFolder = dest;
  return m;
}

// Error 52 when the engine refuses the file name or the destination; names the argument the
// user has to change.
void CheckNames(const Options& o, const Job& job) {
  try {
    TargetPathLiteral(ModuleOptionsFor(o, job.fileName, o.dest));
  } catch (const VbError& e) {
    const std::string subject = e.Subject() == ErrorSubject::kDestination ? "--dest " + o.dest
                                : o.name                                   ? "--name " + *o.name
                                                                           : job.file;
    throw NamedError{subject, e.Number(), e.Detail()};
  }
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// Where each module goes. Everything a usage error can be found from, before any file opens.
std::vector<Job> PlanJobs(const Options& o) {
  const bool toStdout = !o.out || *o.out == "-";
  const bool toFolder = !toStdout && KindOf(*o.out) == PathKind::Folder;
  if (o.files.size() > 1) {
    if (o.name) throw UsageError{"--name applies to one FILE only"};
    if (!toFolder) throw UsageError{"several FILEs need -o FOLDER (an existing folder)"};
  }
  std::vector<Job> jobs;
  for (const std::string& file : o.files) {
    Job job;
    job.file = file;
    if (o.name) job.fileName = *o.name;
    else if (file == "-") throw UsageError{"standard input (\"-\") needs --name NAME, the file name for the module"};
    else job.fileName = SplitPath(file).second;
    if (job.fileName.empty()) throw UsageError{file + " names no file; give --name NAME"};
    jobs.push_back(std::move(job));
  }
  for (const Job& job : jobs) CheckNames(o, job);
  if (toFolder) {
    for (Job& job : jobs) job.target = Target{JoinPath(*o.out, StringStuff::MakeAttribName(job.fileName) + ".bas"), {}};
    // Module names are the same in any case to VB, and file names are to Windows.
    for (std::size_t i = 0; i < jobs.size(); ++i)
      for (std::size_t k = 0; k < i; ++k)
        if (Lower(jobs[i].target->given) == Lower(jobs[k].target->given))
          throw Refusal{Shown(jobs[k].file) + " and " + Shown(jobs[i].file) + " would both be written to " +
                        Shown(jobs[i].target->given) + " (the same VB_Name); convert them one at a time with --name"};
  } else if (!toStdout) {
    jobs[0].target = Target{*o.out, {}};
  }
  return jobs;
}

// Every source is there and can be read, before any is read; none is held open.
void ProbeSources(std::vector<Job>& jobs) {
  for (Job& job : jobs) job.id = ProbeSource(job.file);
}

// Where each module will be written, fixed now: links are followed here and not again.
void ResolveTargets(std::vector<Job>& jobs) {
  for (Job& job : jobs) {
    if (!job.target) continue;
    job.target->path = FollowLinks(job.target->given);
    // A device (a terminal as both standard input and OUT) may be read and written at once.
    if (KindOf(job.target->path) == PathKind::File)
      if (const auto id = IdOf(job.target->path))
        for (const Job& other : jobs)
          if (other.id == id)
            throw Refusal{"will not write " + Shown(job.target->given) + ": it is the same file as " +
                          Subject(other.file)};
    // OUT that is where standard output already goes (-o /dev/stdout >> log) is written as
    // standard output is, never opened anew and cut.
    if (IsStandardOutput(job.target->path)) job.target.reset();
  }
}

void CheckStrict(const Options& o, const Job& job) {
  const std::uint64_t lines = ModuleLineCount(job.length);
  if (o.strict && lines > kMaxVbModuleLines)
    throw NamedError{job.file, 0,
                     "the module would have " + std::to_string(lines) + " lines; a VB6 module holds at most " +
                         std::to_string(kMaxVbModuleLines) + " (--strict)"};
}

// The source's length, read to its end first when it is not a plain file.
void TakeLength(Job& job) {
  if (job.source.seekable) {
    job.length = job.source.size;
  } else {
    job.spool = std::make_unique<Spool>();
    job.spool->Fill(job.source.fd.Get(), job.file, kMaxSource, kOverflowDetail);
    job.length = job.spool->Size();
  }
  if (job.length > kMaxSource) throw NamedError{job.file, kErrOverflow, kOverflowDetail};
}

struct Output {
  std::unique_ptr<PendingFile> pending;  // a file replaced on success
  Fd direct;                           // a device or pipe named by -o, written as it comes
  int fd = 1;
  std::string name = "standard output";
};

Output OpenOutput(const Options& o, const Job& job) {
  Output out;
  if (!job.target) return out;
  out.name = job.target->given;
  switch (KindOf(job.target->path)) {
    case PathKind::Folder: throw NamedError{out.name, kErrPathFileAccess, ""};
    case PathKind::Other:
      out.direct = OpenForWriting(job.target->path);
      out.fd = out.direct.Get();
      return out;
    default:
      out.pending = std::make_unique<PendingFile>(*job.target, o.force);
      out.fd = out.pending->Descriptor();
      return out;
  }
}

struct Outcome {
  std::int32_t parts = 0;
};

// Converts one source into its output; verifies it when asked. Throws on any failure.
Outcome Convert(const Options& o, Job& job, Output& out) {
  const ModuleOptions module = ModuleOptionsFor(o, job.fileName, o.dest);
  JobSource source(job);
  std::optional<SourceComparer> comparer;
  std::optional<ModuleReader> reader;
  auto startVerifying = [&] {
    comparer.emplace(source, job.length);
    reader.emplace([&](const std::uint8_t* b, std::size_t n) { comparer->Compare(b, n); });
  };
  // A file is read back from the disk; what cannot be read back is checked as it is written.
  const bool readBack = out.pending != nullptr;
  if (o.verify && !readBack) startVerifying();
  const bool asciiOnly = OutputSink::IsAscii(module.fileName) && OutputSink::IsAscii(module.destFolder) &&
                         OutputSink::IsAscii(module.notice);
  ProgressBar bar;
  const bool showProgress = !o.quiet && isatty(2) && job.length > (4u << 20);
  ModuleGenerator generator(module);
  generator.SetProgressStep(1 << 20);
  try {
    OutputSink sink(out.fd, out.name, o.verify && !readBack ? &*reader : nullptr, asciiOnly);
    generator.Generate(source, sink, showProgress ? &bar : nullptr);
    sink.Finish();
  } catch (const VbError& e) {
    if (e.Number() == kErrOverflow) throw NamedError{job.file, e.Number(), kOverflowDetail};
    if (e.Number() != kErrInputPastEndOfFile || !job.source.seekable) throw NamedError{job.file, e.Number(), ""};
    throw NamedError{job.file, e.Number(),
                     "the file shrank from " + std::to_string(job.length) + " to " +
                         std::to_string(CurrentSize(job.source.fd.Get())) + " bytes while it was read"};
  } catch (const ModuleFormatError& e) {
    throw NamedError{out.name, 0, std::string("verify failed: ") + e.what()};
  }
  if (job.streamed) job.length = source.BytesRead();
  if (!o.verify) return {};
  try {
    if (readBack) {
      startVerifying();
      std::vector<std::uint8_t> buffer(kIoChunk);
      std::uint64_t at = 0;
      while (const std::size_t n = ReadAt(out.fd, at, buffer.data(), buffer.size(), out.name)) {
        reader->Feed(std::string_view(reinterpret_cast<const char*>(buffer.data()), n));
        at += n;
      }
    }
    reader->Finish();
  } catch (const ModuleFormatError& e) {
    throw NamedError{out.name, 0, std::string("verify failed: ") + e.what()};
  }
  if (!comparer->SameToTheEnd())
    throw NamedError{out.name, 0, "verify failed: the module does not re-create " + Subject(job.file)};
  return {reader->Parts()};
}

int Run(const Options& o) {
  std::vector<Job> jobs = PlanJobs(o);
  ProbeSources(jobs);
  ResolveTargets(jobs);

  // Every module is written before any output is replaced: all of them, or none. A source is
  // open only while its module is made.
  std::vector<Output> outputs;
  outputs.reserve(jobs.size());
  std::vector<Outcome> outcomes;
  std::vector<SourceSeen> sources;
  for (Job& job : jobs) {
    job.source = OpenSource(job.file);
    if (job.source.id) sources.push_back({*job.source.id, job.file});
    // A pipe whose module goes to a file (replaced only at the end) is converted as it is read,
    // while its writer goes on. Elsewhere a source that is not a plain file is read to its end
    // first, so that nothing is written for one that is too long.
    const PathKind out = job.target ? KindOf(job.target->path) : PathKind::Other;
    job.streamed = job.source.pipe && (out == PathKind::File || out == PathKind::Missing);
    if (job.streamed) {
      WidenPipe(job.source.fd.Get());
      if (o.verify) job.spool = std::make_unique<Spool>();
    } else {
      TakeLength(job);
      CheckStrict(o, job);
    }
    outputs.push_back(OpenOutput(o, job));
    outcomes.push_back(Convert(o, job, outputs.back()));
    if (job.streamed) CheckStrict(o, job);
    if (outputs.back().pending) outputs.back().pending->Close();
    job.source.fd.Reset();
    job.spool.reset();
  }
  std::vector<PendingFile*> pending;
  for (Output& out : outputs)
    if (out.pending) pending.push_back(out.pending.get());
  ReplaceAll(pending, sources);

  for (std::size_t i = 0; i < jobs.size(); ++i) {
    const Job& job = jobs[i];
    const std::uint64_t lines = ModuleLineCount(job.length);
    if (!o.quiet && lines > kMaxVbModuleLines)
      std::fprintf(stderr, "quorvel-gen: %s: warning: the module has %llu lines; a VB6 module holds at most %llu\n",
                   Subject(job.file).c_str(), static_cast<unsigned long long>(lines),
                   static_cast<unsigned long long>(kMaxVbModuleLines));
    if (o.verify && !o.quiet)
      std::fprintf(stderr, "quorvel-gen: %s: verified: %d part(s), %llu bytes\n", Subject(job.file).c_str(),
                   outcomes[i].parts, static_cast<unsigned long long>(job.length));
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  PrepareProcess();
  InstallStopHandlers();
  try {
    const Options o = ParseArguments(Arguments(argc, argv));
    if (o.help) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (o.version) {
      const auto v = quorvel::ProductVersion();
      std::printf("%d.%d.%d\n", v.major, v.minor, v.revision);
      return 0;
    }
    return Run(o);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "quorvel-gen: %s (try --help)\n", Shown(e.message).c_str());
    return 2;
  } catch (const Refusal& e) {
    std::fprintf(stderr, "quorvel-gen: %s\n", e.message.c_str());
    return 2;
  } catch (const Stopped&) {
    return 130;
  } catch (const NamedError& e) {
    std::string text = e.subject.empty() ? "" : Subject(e.subject) + ": ";
    if (e.number != 0) {
      text += "error " + std::to_string(e.number) + ": " + std::string(quorvel::VbErrorDescription(e.number));
      if (!e.detail.empty()) text += " (" + Shown(e.detail) + ")";
    } else {
      text += Shown(e.detail);
    }
    std::fprintf(stderr, "quorvel-gen: %s\n", text.c_str());
    return 1;
  } catch (const quorvel::VbError& e) {
    std::fprintf(stderr, "quorvel-gen: error %d: %s\n", e.Number(), e.Description().c_str());
    return 1;
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "quorvel-gen: error %d: %s\n", quorvel::kErrOutOfMemory,
                 std::string(quorvel::VbErrorDescription(quorvel::kErrOutOfMemory)).c_str());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quorvel-gen: %s\n", e.what());
    return 1;
  }
}
