#pragma once
// Conversions between the program's wide strings, UTF-8 (the engine) and the ANSI code page.
#include <string>
#include <string_view>

namespace quorvel::win {

std::wstring Widen(std::string_view utf8);
std::string Utf8(std::wstring_view text);
// To the system's ANSI code page; unmappable characters become its default character.
std::string ToAnsi(std::wstring_view text);
std::wstring FromAnsi(std::string_view ansi);
// Whether the system's ANSI code page holds the character exactly (no best-fit substitute).
bool AnsiHolds(char32_t codePoint);

}  // namespace quorvel::win
