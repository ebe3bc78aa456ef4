#include "Spool.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include "VbError.h"

#ifdef __linux__
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace quorvel::cli {

namespace {

constexpr std::size_t kBlock = 1 << 20;
constexpr std::uint64_t kMostKept = std::numeric_limits<std::int32_t>::max();

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

void Spool::Start() {
  started_ = true;
#ifdef __linux__
  // A file size limit would stop the in-memory file too, with SIGXFSZ.
  struct rlimit fsize;
  if (getrlimit(RLIMIT_FSIZE, &fsize) == 0 && (fsize.rlim_cur == RLIM_INFINITY || fsize.rlim_cur > kMostKept))
    file_ = Fd(memfd_create("quorvel-gen source", MFD_CLOEXEC));
#endif
}

void Spool::Clear() {
  file_.Reset();
  pieces_.clear();
  size_ = 0;
}

void Spool::Fill(int fd, const std::string& path, std::uint64_t limit, const char* overflowDetail) {
  WidenPipe(fd);
  std::vector<std::uint8_t> block(kBlock);
  for (;;) {
    const std::uint64_t allowed = limit + 1 - size_;
    if (allowed == 0) {
      Clear();
      throw NamedError{path, kErrOverflow, overflowDetail};
    }
    const std::size_t got =
        ReadSome(fd, block.data(), static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), allowed)), path);
    if (got == 0) return;
    Append(block.data(), got, path);
  }
}

void Spool::Append(const std::uint8_t* bytes, std::size_t n, const std::string& path) {
  if (!started_) Start();
  if (file_.Get() >= 0) {
    if (const int err = WriteAll(file_.Get(), reinterpret_cast<const char*>(bytes), n)) {
      Clear();
      if (err == ENOSPC || err == ENOMEM) throw std::bad_alloc();
      ThrowSystemError(err, path, true);
    }
    size_ += n;
    return;
  }
  while (n) {
    if (size_ % kPiece == 0) pieces_.emplace_back(!pieces_.empty());
    const std::size_t k = std::min<std::size_t>(n, kPiece - size_ % kPiece);
    std::memcpy(pieces_.back().get() + size_ % kPiece, bytes, k);
    size_ += k;
    bytes += k;
    n -= k;
  }
}

std::size_t Spool::ReadAt(std::uint64_t offset, std::uint8_t* to, std::size_t n) const {
  if (offset >= size_) return 0;
  n = static_cast<std::size_t>(std::min<std::uint64_t>(n, size_ - offset));
  if (file_.Get() >= 0) return cli::ReadAt(file_.Get(), offset, to, n, "");
  n = static_cast<std::size_t>(std::min<std::uint64_t>(n, kPiece - offset % kPiece));
  std::memcpy(to, pieces_[offset / kPiece].get() + offset % kPiece, n);
  return n;
}

}  // namespace quorvel::cli
