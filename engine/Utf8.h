#pragma once
#include <cstddef>
#include <string_view>

namespace quorvel {

// Strict UTF-8: overlong forms, surrogates, code points above U+10FFFF and broken sequences
// are invalid.
struct Utf8Char {
  char32_t codePoint;  // kInvalid for a byte that starts no valid character
  std::size_t length;  // bytes taken: 1 for an invalid byte, 0 when text ends inside a character
  static constexpr char32_t kInvalid = 0xFFFFFFFF;
};

// The character at the start of text (which must not be empty). A valid but unfinished
// sequence at the end of text gives length 0, so a caller reading in pieces can wait for more.
Utf8Char DecodeUtf8(std::string_view text);

// True for the characters that would hide, break or reorder what follows them when a name is
// shown: C0 and C1 controls, DEL, the line and paragraph separators, and the bidirectional
// marks, embeddings, overrides and isolates. Messages show these as escapes.
constexpr bool HidesOrReordersText(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
         (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0x2028 || c == 0x2029;
}

}  // namespace quorvel
