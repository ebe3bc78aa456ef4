// A source that is not a plain file (a pipe, a device, standard input), read to its end before
// it is converted, so that its length is known when the module begins.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Files.h"

namespace quorvel::cli {

class Spool {
 public:
  Spool();
  ~Spool();
  Spool(const Spool&) = delete;
  Spool& operator=(const Spool&) = delete;

  // Reads everything, in large blocks; error 6 about `path` as soon as more than `limit` bytes
  // came, without reading on.
  void Fill(int fd, const std::string& path, std::uint64_t limit, const char* overflowDetail);
  std::uint64_t Size() const { return size_; }
  // Copies up to n bytes from offset (0 at the end).
  std::size_t ReadAt(std::uint64_t offset, std::uint8_t* to, std::size_t n) const;

 private:
  class Piece;
  static constexpr std::size_t kPiece = 16 << 20;

  bool FillFile(int fd, const std::string& path, std::uint64_t limit, const char* overflowDetail);

  // On Linux the bytes go into an anonymous in-memory file: the kernel fills its pages far
  // faster than a process touches fresh memory of its own, and reads of it are as quick as
  // reads of a cached file. Elsewhere, and where that file is not to be had, into pieces.
  Fd file_;
  std::vector<Piece> pieces_;
  std::uint64_t size_ = 0;
};

}  // namespace quorvel::cli
