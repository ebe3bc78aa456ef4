#pragma once
// Bytes as capital hex digits, high nibble first: the one hex encoder of the generators and the
// one decoder of the readers.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

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

// The value of each capital hex digit; 0xFF for every other byte.
inline constexpr auto kHexValue = [] {
  std::array<std::uint8_t, 256> t{};
  t.fill(0xFF);
  for (int c = '0'; c <= '9'; ++c) t[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - '0');
  for (int c = 'A'; c <= 'F'; ++c) t[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - 'A' + 10);
  return t;
}();

// Hex digits to bytes, high nibble first; false when any is not a capital hex digit. Every
// data line passes here, so a full one is decoded 16 digits at a time where the CPU allows.
inline bool Decode(std::string_view hex, std::uint8_t* out) {
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i below0 = _mm_set1_epi8('0' - 1), above9 = _mm_set1_epi8('9' + 1);
  const __m128i belowA = _mm_set1_epi8('A' - 1), aboveF = _mm_set1_epi8('F' + 1);
  const __m128i zero = _mm_set1_epi8('0'), letterGap = _mm_set1_epi8('A' - '0' - 10);
  const __m128i lowByte = _mm_set1_epi16(0x00FF);
  int valid = 0xFFFF;
  auto nibbles = [&](const char* p) {
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i digit = _mm_and_si128(_mm_cmpgt_epi8(c, below0), _mm_cmplt_epi8(c, above9));
    const __m128i letter = _mm_and_si128(_mm_cmpgt_epi8(c, belowA), _mm_cmplt_epi8(c, aboveF));
    valid &= _mm_movemask_epi8(_mm_or_si128(digit, letter));
    return _mm_sub_epi8(_mm_sub_epi8(c, zero), _mm_and_si128(letter, letterGap));
  };
  auto pairs = [&](__m128i v) {  // 16 nibbles to 8 bytes in 16-bit lanes
    return _mm_or_si128(_mm_slli_epi16(_mm_and_si128(v, lowByte), 4), _mm_srli_epi16(v, 8));
  };
  for (; i + 32 <= hex.size(); i += 32) {
    const __m128i a = pairs(nibbles(hex.data() + i)), b = pairs(nibbles(hex.data() + i + 16));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i / 2), _mm_packus_epi16(a, b));
  }
  if (valid != 0xFFFF) return false;
#endif
  std::uint8_t invalid = 0;
  for (; i < hex.size(); i += 2) {
    const std::uint8_t hi = kHexValue[static_cast<unsigned char>(hex[i])];
    const std::uint8_t lo = kHexValue[static_cast<unsigned char>(hex[i + 1])];
    invalid |= hi | lo;
    out[i / 2] = static_cast<std::uint8_t>(hi << 4 | lo);
  }
  return (invalid & 0xF0) == 0;
}

}  // namespace quorvel::HexDigits
