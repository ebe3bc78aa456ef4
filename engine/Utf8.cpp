#include "Utf8.h"

#include <cstdint>

namespace quorvel {

Utf8Char DecodeUtf8(std::string_view text) {
  constexpr Utf8Char kBad{Utf8Char::kInvalid, 1};
  const auto lead = static_cast<std::uint8_t>(text[0]);
  if (lead < 0x80) return {lead, 1};
  std::size_t n;
  char32_t cp;
  // The range of the second byte rules out overlong forms, surrogates and values past U+10FFFF.
  std::uint8_t low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    n = 2;
    cp = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    n = 3;
    cp = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    n = 4;
    cp = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return kBad;
  }
  for (std::size_t k = 1; k < n; ++k) {
    if (k >= text.size()) return {Utf8Char::kInvalid, 0};
    const auto b = static_cast<std::uint8_t>(text[k]);
    if (b < (k == 1 ? low : 0x80) || b > (k == 1 ? high : 0xBF)) return kBad;
    cp = (cp << 6) | (b & 0x3F);
  }
  return {cp, n};
}

}  // namespace quorvel
