#include "JobSource.h"

#include "VbError.h"

namespace quorvel::cli {

std::size_t JobSource::Read(std::uint8_t* buffer, std::size_t count) {
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

std::size_t JobSource::ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t count) const {
  if (job_.spool) return job_.spool->ReadAt(offset, buffer, count);
  return cli::ReadAt(job_.source.fd.Get(), offset, buffer, count, job_.file);
}

void TakeLength(Job& job) {
  if (job.source.seekable) {
    job.length = job.source.size;
  } else {
    job.spool = std::make_unique<Spool>();
    job.spool->Fill(job.source.fd.Get(), job.file, ModuleFormat::kMaxSourceBytes,
                    ModuleFormat::kSourceLimitDetail);
    job.length = job.spool->Size();
  }
  if (job.length > ModuleFormat::kMaxSourceBytes)
    throw NamedError{job.file, kErrOverflow, ModuleFormat::kSourceLimitDetail};
}

void StartTurn(Job& job) {
  job.source = OpenSource(job.file);
  // A pipe whose classic module goes to a file (replaced only at the end) is converted as it is
  // read, while its writer goes on. Any other source that is not a plain file is read to its
  // end first, so that nothing is written for one that is too long, and a compact set knows its
  // modules before the first is written.
  const PathKind out = job.targets[0] ? KindOf(job.targets[0]->path) : PathKind::Other;
  job.streamed = job.module.layout == ModuleLayout::kClassic && job.source.pipe &&
                 (out == PathKind::File || out == PathKind::Missing);
  if (job.streamed) {
    job.planned = false;
    WidenPipe(job.source.fd.Get());
    if (job.checks.verify) job.spool = std::make_unique<Spool>();
    return;
  }
  if (job.planned && job.source.seekable) {
    if (job.length > ModuleFormat::kMaxSourceBytes)
      throw NamedError{job.file, kErrOverflow, ModuleFormat::kSourceLimitDetail};
    return;
  }
  job.planned = false;  // a file of /proc, say: planned from the size it told, read as a pipe
  TakeLength(job);
}

}  // namespace quorvel::cli
