#include "Utf8.h"

#include <cstdint>

#include "HexDigits.h"

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

namespace {

// "\x9B", "\u202E": a prefix and the value in `digits` capital hex digits.
void AppendEscape(std::string& out, const char* prefix, char32_t value, int digits) {
  out += prefix;
  for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) out += HexDigits::kDigits[(value >> shift) & 15];
}

}  // namespace

std::string Shown(std::string_view text) {
  std::string s;
  s.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto u = static_cast<unsigned char>(text[i]);
    if (u < 0x80) {
      if (u == '\n') s += "\\n";
      else if (u == '\r') s += "\\r";
      else if (u == '\t') s += "\\t";
      else if (u < 0x20 || u == 0x7f) AppendEscape(s, "\\x", u, 2);
      else s += text[i];
      ++i;
      continue;
    }
    const Utf8Char c = DecodeUtf8(text.substr(i));
    if (c.codePoint == Utf8Char::kInvalid || c.length == 0) {
      AppendEscape(s, "\\x", u, 2);
      ++i;
    } else if (HidesOrReordersText(c.codePoint)) {
      AppendEscape(s, "\\u", c.codePoint, 4);
      i += c.length;
    } else {
      s.append(text.substr(i, c.length));
      i += c.length;
    }
  }
  return s;
}

}  // namespace quorvel
