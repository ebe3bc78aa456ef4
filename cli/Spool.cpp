#include "Spool.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <utility>

#include "VbError.h"

#ifdef __linux__
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace quorvel::cli {

namespace {

constexpr std::size_t kBlock = 1 << 20;

[[noreturn]] void Overflow(const std::string& path, const char* detail) {
  throw NamedError{path, kErrOverflow, detail};
}

}  // namespace

// Memory for one piece. On Linux mapped in at once: filling 2 GiB from a device then takes
// half the time it takes page by page.
class Spool::Piece {
 public:
  explicit Piece(bool populate) {
#ifdef __linux__
    void* p = mmap(nullptr, kPiece, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | (populate ? MAP_POPULATE : 0),
                   -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    bytes_ = static_cast<std::uint8_t*>(p);
#else
    (void)populate;
    bytes_ = new std::uint8_t[kPiece];
#endif
  }
  Piece(Piece&& other) noexcept : bytes_(std::exchange(other.bytes_, nullptr)) {}
  Piece& operator=(Piece&&) = delete;
  ~Piece() {
#ifdef __linux__
    if (bytes_) munmap(bytes_, kPiece);
#else
    delete[] bytes_;
#endif
  }
  std::uint8_t* get() const { return bytes_; }

 private:
  std::uint8_t* bytes_;
};

Spool::Spool() = default;
Spool::~Spool() = default;

void Spool::Fill(int fd, const std::string& path, std::uint64_t limit, const char* overflowDetail) {
#ifdef F_SETPIPE_SZ
  fcntl(fd, F_SETPIPE_SZ, 1 << 20);  // fewer, larger reads from a pipe; refused is fine
#endif
  if (FillFile(fd, path, limit, overflowDetail)) return;
  for (;;) {
    const std::size_t room = kPiece - size_ % kPiece;
    const std::uint64_t allowed = limit + 1 - size_;
    if (allowed == 0) {
      pieces_.clear();
      Overflow(path, overflowDetail);
    }
    if (size_ % kPiece == 0) pieces_.emplace_back(!pieces_.empty());
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(room, allowed));
    const std::size_t got = ReadSome(fd, pieces_.back().get() + size_ % kPiece, want, path);
    if (got == 0) return;
    size_ += got;
  }
}

bool Spool::FillFile(int fd, const std::string& path, std::uint64_t limit, const char* overflowDetail) {
#ifdef __linux__
  // A file size limit would stop the in-memory file too, with SIGXFSZ.
  struct rlimit fsize;
  if (getrlimit(RLIMIT_FSIZE, &fsize) != 0 || (fsize.rlim_cur != RLIM_INFINITY && fsize.rlim_cur <= limit))
    return false;
  file_ = Fd(memfd_create("quorvel-gen source", MFD_CLOEXEC));
  if (file_.Get() < 0) return false;
  std::vector<std::uint8_t> block(kBlock);
  for (;;) {
    const std::uint64_t allowed = limit + 1 - size_;
    if (allowed == 0) {
      file_.Reset();
      Overflow(path, overflowDetail);
    }
    const std::size_t got =
        ReadSome(fd, block.data(), static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), allowed)), path);
    if (got == 0) return true;
    if (const int err = WriteAll(file_.Get(), reinterpret_cast<const char*>(block.data()), got)) {
      file_.Reset();
      if (err == ENOSPC || err == ENOMEM) throw std::bad_alloc();
      ThrowSystemError(err, path, true);
    }
    size_ += got;
  }
#else
  (void)fd, (void)path, (void)limit, (void)overflowDetail;
  return false;
#endif
}

std::size_t Spool::ReadAt(std::uint64_t offset, std::uint8_t* to, std::size_t n) const {
  if (offset >= size_) return 0;
  if (file_.Get() >= 0) return cli::ReadAt(file_.Get(), offset, to, std::min<std::uint64_t>(n, size_ - offset), "");
  n = static_cast<std::size_t>(std::min<std::uint64_t>({n, size_ - offset, kPiece - offset % kPiece}));
  std::memcpy(to, pieces_[offset / kPiece].get() + offset % kPiece, n);
  return n;
}

}  // namespace quorvel::cli
