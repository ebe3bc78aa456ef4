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
    job.spool->Fill(job.source.fd.Get(), job.file, kMaxSource, kOverflowDetail);
    job.length = job.spool->Size();
  }
  if (job.length > kMaxSource) throw NamedError{job.file, kErrOverflow, kOverflowDetail};
}

}  // namespace quorvel::cli
