#include "Convert.h"

#include <optional>
#include <stdexcept>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#else
#include <unistd.h>
#endif

#include "CompactGenerator.h"
#include "ModuleSet.h"
#include "ProgressBar.h"
#include "VbError.h"
#include "Verifier.h"
#include "Writer.h"

namespace quorvel::cli {

namespace {

// Sources shorter than this convert too quickly for a progress bar to help.
constexpr std::uint64_t kProgressFrom = 4u << 20;
constexpr std::uint32_t kProgressStep = 1 << 20;

// Opens the output of each module as the generator comes to it, and finishes the one before:
// its text written out, read back when --verify reads it from the disk, its file closed.
class OutputSet : public ModuleSetSink {
 public:
  OutputSet(const Job& job, std::vector<Output>& outputs, Verifier* verifier, bool asciiOnly)
      : job_(job), outputs_(outputs), verifier_(verifier), asciiOnly_(asciiOnly) {}

  TextSink& Module(std::int32_t index, const ModuleInfo&) override {
    EndModule();
    if (index < 1 || static_cast<std::size_t>(index) > job_.targets.size())
      throw std::logic_error("a module that was not planned");
    outputs_.push_back(OpenOutput(job_.targets[static_cast<std::size_t>(index) - 1], job_.checks.force));
    const Output& out = outputs_.back();
    // A file is read back from the disk; what cannot be read back is checked as it is written.
    readBack_ = out.pending != nullptr;
    if (verifier_) verifier_->StartModule(out.name);
    sink_.emplace(writer_, out.fd, out.name, verifier_ && !readBack_ ? verifier_ : nullptr, asciiOnly_);
    return *sink_;
  }

  // The last module is complete.
  void EndModule() {
    if (!sink_) return;
    sink_->Finish();
    sink_.reset();
    Output& out = outputs_.back();
    if (verifier_ && readBack_) verifier_->ReadBack(out.fd);
    if (out.pending) out.pending->Close();
  }

 private:
  const Job& job_;
  std::vector<Output>& outputs_;
  Verifier* verifier_;
  bool asciiOnly_;
  bool readBack_ = false;
  BackgroundWriter writer_;  // one thread and one set of buffers for every module
  std::optional<OutputSink> sink_;
};

}  // namespace

Output OpenOutput(const std::optional<Target>& target, bool force) {
  Output out;
  if (!target) return out;
  out.name = target->given;
  switch (KindOf(target->path)) {
    case PathKind::Folder: throw NamedError{out.name, kErrPathFileAccess, ""};
    case PathKind::Other:
      out.direct = OpenForWriting(target->path);
      out.fd = out.direct.Get();
      return out;
    default:
      out.pending = std::make_unique<PendingFile>(*target, force);
      out.fd = out.pending->Descriptor();
      return out;
  }
}

Outcome Convert(Job& job, std::vector<Output>& outputs) {
  const ModuleOptions& module = job.module;
  JobSource source(job);
  std::optional<Verifier> verifier;
  if (job.checks.verify)
    verifier.emplace([&source](std::uint64_t at, std::uint8_t* to, std::size_t n) { return source.ReadAt(at, to, n); },
                     module.layout);
  const bool asciiOnly = IsAscii(module.fileName) && IsAscii(module.destFolder) && IsAscii(module.notice);
  ProgressBar bar;
  ProgressObserver* observer = !job.checks.quiet && isatty(2) && job.length > kProgressFrom ? &bar : nullptr;
  OutputSet set(job, outputs, verifier ? &*verifier : nullptr, asciiOnly);
  try {
    if (module.layout == ModuleLayout::kCompact) {
      CompactGenerator generator(module);
      generator.SetProgressStep(kProgressStep);
      generator.Generate(source, set, observer);
    } else {
      // The classic module's output opens before its text comes, as its length may be known
      // only at the end (a pipe converted as it is read).
      TextSink& sink = set.Module(1, {});
      ModuleGenerator generator(module);
      generator.SetProgressStep(kProgressStep);
      generator.Generate(source, sink, observer);
    }
    set.EndModule();
  } catch (const VbError& e) {
    if (e.Number() == kErrOverflow) throw NamedError{job.file, e.Number(), ModuleFormat::kSourceLimitDetail};
    if (e.Number() != kErrInputPastEndOfFile || !job.source.seekable) throw NamedError{job.file, e.Number(), ""};
    throw NamedError{job.file, e.Number(),
                     "the file shrank from " + std::to_string(job.length) + " to " +
                         std::to_string(CurrentSize(job.source.fd.Get())) + " bytes while it was read"};
  }
  if (job.streamed) job.length = source.BytesRead();
  if (!verifier) return {};
  const Verifier::Result result = verifier->Finish(job.length, job.file);
  return {result.parts, result.modules};
}

}  // namespace quorvel::cli
