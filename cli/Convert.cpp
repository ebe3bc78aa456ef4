#include "Convert.h"

#include <optional>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#else
#include <unistd.h>
#endif

#include "JobPlan.h"
#include "ModuleReader.h"
#include "ProgressBar.h"
#include "VbError.h"
#include "Verifier.h"
#include "Writer.h"

namespace quorvel::cli {

namespace {

// Sources shorter than this convert too quickly for a progress bar to help.
constexpr std::uint64_t kProgressFrom = 4u << 20;
constexpr std::uint32_t kProgressStep = 1 << 20;

}  // namespace

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

Outcome Convert(const Options& o, Job& job, Output& out) {
  const ModuleOptions module = ModuleOptionsFor(o, job.fileName);
  JobSource source(job);
  std::optional<Verifier> verifier;
  // A file is read back from the disk; what cannot be read back is checked as it is written.
  const bool readBack = out.pending != nullptr;
  if (o.verify) {
    verifier.emplace([&source](std::uint64_t at, std::uint8_t* to, std::size_t n) { return source.ReadAt(at, to, n); });
    if (readBack) verifier->ReadBack(out.fd, out.name);
  }
  const bool asciiOnly = IsAscii(module.fileName) && IsAscii(module.destFolder) && IsAscii(module.notice);
  ProgressBar bar;
  const bool showProgress = !o.quiet && isatty(2) && job.length > kProgressFrom;
  ModuleGenerator generator(module);
  generator.SetProgressStep(kProgressStep);
  try {
    OutputSink sink(out.fd, out.name, verifier && !readBack ? &*verifier : nullptr, asciiOnly);
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
  if (!verifier) return {};
  return {verifier->Finish(job.length, out.name, job.file)};
}

}  // namespace quorvel::cli
