#pragma once
// Bytes as capital hex digits, high nibble first: the one hex encoder of the generators.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quorvel::HexDigits {

// Capital hex digits, as the data lines and the messages write them.
inline constexpr char kDigits[] = "0123456789ABCDEF";

inline constexpr auto kPairs = [] {
  std::array<char, 512> t{};
  for (int b = 0; b < 256; ++b) {
    t[2 * b] = kDigits[b >> 4];
    t[2 * b + 1] = kDigits[b & 15];
  }
  return t;
}();

inline void Scalar(const std::uint8_t* src, std::size_t n, char* dst) {
  for (std::size_t i = 0; i < n; ++i) std::memcpy(dst + 2 * i, &kPairs[2 * src[i]], 2);
}

// Writes 2 * n digits at dst.
inline void Encode(const std::uint8_t* src, std::size_t n, char* dst) {
#if defined(__SSE2__)
  const __m128i mask = _mm_set1_epi8(0x0F);
  const __m128i zero = _mm_set1_epi8('0');
  const __m128i nine = _mm_set1_epi8(9);
  const __m128i gap = _mm_set1_epi8('A' - '0' - 10);
  auto ascii = [&](__m128i nibbles) {
    const __m128i letters = _mm_and_si128(_mm_cmpgt_epi8(nibbles, nine), gap);
    return _mm_add_epi8(_mm_add_epi8(nibbles, zero), letters);
  };
  for (; n >= 16; n -= 16, src += 16, dst += 32) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    const __m128i hi = _mm_and_si128(_mm_srli_epi16(v, 4), mask);
    const __m128i lo = _mm_and_si128(v, mask);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), ascii(_mm_unpacklo_epi8(hi, lo)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 16), ascii(_mm_unpackhi_epi8(hi, lo)));
  }
#endif
  Scalar(src, n, dst);
}

}  // namespace quorvel::HexDigits
