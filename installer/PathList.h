#pragma once
// A PATH value as a list of folders separated by ';'. Adding and removing one folder touches
// nothing else in the text: every other entry, its spelling, its place and the separators
// around it stay as they were, however long the value is, and removing what was added gives
// back the value from before.
#include <optional>
#include <string>
#include <string_view>

namespace quorvel::installer {

// Whether the entry names `dir`: letters in either case, surrounding quotes and one trailing
// backslash do not matter.
bool NamesFolder(std::wstring_view entry, std::wstring_view dir);

// `path` with `dir` appended as its last entry (quoted when it holds a ';'); nothing when an
// entry names it already.
std::optional<std::wstring> WithFolder(std::wstring_view path, std::wstring_view dir);

// `path` without the last entry that names `dir` and the one separator that joined it;
// nothing when no entry names it.
std::optional<std::wstring> WithoutFolder(std::wstring_view path, std::wstring_view dir);

}  // namespace quorvel::installer
