#pragma once
// Script lines and their arguments, output, and failure.
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace quorvel::autodrive {

// Ends the script: what was awaited and what was found instead.
struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};
[[noreturn]] void Fail(const std::wstring& message);

// One line on standard output, UTF-8.
void Out(const std::wstring& line);

// A line split at blanks; "double quotes" group (backslashes are literal, for paths).
std::vector<std::wstring> SplitArgs(const std::wstring& line);
// Decimal, 0x hex or 0 octal; anything else fails the command.
int ToInt(const std::wstring& s);
// The lines of a script file (UTF-8, LF or CR LF).
std::vector<std::wstring> ReadLines(FILE* in);

// Visible text of a line: CR LF as \r\n, so a multi-line box prints on one line.
std::wstring Escaped(const std::wstring& text);
// A caption as read: "&Save" is "Save".
std::wstring WithoutAmpersands(const std::wstring& text);
// `*` matches any run of characters, case ignored.
bool GlobMatch(const wchar_t* pattern, const wchar_t* text);

}  // namespace quorvel::autodrive
