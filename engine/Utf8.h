#pragma once
#include <cstddef>
#include <string>
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
// shown: C0 and C1 controls, DEL, the line and paragraph separators, the bidirectional marks,
// embeddings, overrides and isolates, and the characters that show nothing at all (the soft
// hyphen, the zero-width space, joiners and word joiner, the invisible operators, the
// byte-order mark, the Mongolian vowel separator and their kin). Messages show these as escapes.
constexpr bool HidesOrReordersText(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x00AD || c == 0x034F || c == 0x061C || c == 0x180E ||
         (c >= 0x200B && c <= 0x200F) || (c >= 0x202A && c <= 0x202E) || (c >= 0x2060 && c <= 0x2064) ||
         (c >= 0x2066 && c <= 0x206F) || c == 0x2028 || c == 0x2029 || c == 0xFEFF || (c >= 0xFFF9 && c <= 0xFFFB);
}

// Text as a message may show it (on a terminal, on a page): control characters (C0 and C1),
// DEL, the marks that turn the direction of text, the line and paragraph separators, the
// characters that show nothing (see HidesOrReordersText) and bytes that are not UTF-8 are
// written as escapes ("\n", "\x1B", "\u202E"), so a name can neither move the cursor, hide a
// part of itself nor make the line read otherwise.
std::string Shown(std::string_view text);

}  // namespace quorvel
