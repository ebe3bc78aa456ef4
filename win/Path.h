#pragma once
// Splitting and joining wide Windows paths. One rule for every caller:
// - separators: both '\' and '/', as Windows itself reads a path; ':' is not one ("C:a" is
//   one name);
// - trailing separator: "C:\Data\" is the folder "C:\Data" and the empty file name;
// - drive root: the folder of "C:\a" is "C:\" (and of "\a" it is "\"), never "C:", which
//   Windows reads as the current folder of drive C;
// - no separator: "a.txt" has the empty folder (callers that need one say "." themselves)
//   and is its own file name.
#include <string>
#include <string_view>

namespace quorvel::win {

bool IsPathSeparator(wchar_t c) noexcept;

// What follows the last separator: "C:\Data\a.b" gives "a.b".
std::wstring_view FileNameOf(std::wstring_view path) noexcept;

// What comes before the last separator, without it, except at a root: "C:\Data\a.b" gives
// "C:\Data", "C:\a.b" gives "C:\".
std::wstring FolderOf(std::wstring_view path);

// `folder`, one backslash unless it is empty or ends in a separator already, and `name`.
std::wstring JoinPath(std::wstring_view folder, std::wstring_view name);

}  // namespace quorvel::win
