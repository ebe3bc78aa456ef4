// Text quorvel-gen shows on a terminal.
#pragma once
#include <string>
#include <string_view>

namespace quorvel::cli {

// Text as it may be shown on a terminal: control characters (C0 and C1), the marks that turn
// the direction of text (U+061C, U+200E, U+200F, U+202A to U+202E, U+2066 to U+2069), the line
// and paragraph separators, characters that show nothing (U+200B, U+FEFF, U+2060, U+180E ...;
// see HidesOrReordersText) and bytes that are not UTF-8 are written as escapes ("\n", "\x1B",
// "\u202E"), so a name can neither move the cursor, hide a part of itself nor make the line read
// otherwise.
std::string Shown(std::string_view text);

// How messages name a source: "-" as standard input, anything else as Shown.
std::string Subject(const std::string& file);

}  // namespace quorvel::cli
