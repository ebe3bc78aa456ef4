// The CRC-32 of zip entries (polynomial 0xEDB88320, as zlib and PKZIP compute it), added to
// piece by piece.
#pragma once
#include <cstdint>
#include <string_view>

namespace quorvel::web {

class Crc32 {
 public:
  void Add(std::string_view bytes);
  std::uint32_t Value() const { return ~state_; }

 private:
  std::uint32_t state_ = 0xFFFFFFFFu;
};

}  // namespace quorvel::web
