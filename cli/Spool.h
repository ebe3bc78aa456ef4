// The bytes of a source that is not a plain file (a pipe, a device, standard input), kept so
// that they can be read again by position: read to its end before it is converted, or kept as
// it is converted when --verify compares them later.
#pragma once
#include <cstddef>
#include <cstdint>
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
  // Keeps n more bytes (read from `path`).
  void Append(const std::uint8_t* bytes, std::size_t n, const std::string& path);
  std::uint64_t Size() const { return size_; }
  // Copies up to n bytes from offset (0 at the end).
  std::size_t ReadAt(std::uint64_t offset, std::uint8_t* to, std::size_t n) const;

 private:
  class Piece;
  static constexpr std::size_t kPiece = 16 << 20;

  void Start();
  void Clear();

  // On Linux the bytes go into an anonymous in-memory file: the kernel fills its pages far
  // faster than a process touches fresh memory of its own, and reads of it are as quick as
  // reads of a cached file. Elsewhere, and where that file is not to be had, into pieces.
  bool started_ = false;
  Fd file_;
  std::vector<Piece> pieces_;
  std::uint64_t size_ = 0;
};

}  // namespace quorvel::cli
