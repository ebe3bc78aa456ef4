#pragma once
// The output area: a text view of ours holding plain text whose lines end with CRLF.
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "TextView.h"

namespace quorvel::OutputArea {

// The window class; TextView::Register must have been called.
inline constexpr const wchar_t* kClassName = TextView::kClassName;

// Nothing to set up: the view is plain text without a length limit, undo or word wrap.
void Prepare(HWND area);

// Characters held, every one counted (a CRLF counts two).
long Length(HWND area);
// Adds text after the last character; the cost is that of the new text only. Throws
// std::bad_alloc when memory runs out, with the text as it was.
void Append(HWND area, std::wstring_view text);
// Makes room at once for what a run of `sourceBytes` bytes will append, or throws
// std::bad_alloc when it cannot be had: such a run fails at its start, not half way.
void ReserveForModule(HWND area, std::uint64_t sourceBytes);
// Removes everything from character `from` (a Length() taken earlier) to the end.
void TruncateTo(HWND area, long from);
// The whole text, exactly as it was given.
std::wstring Text(HWND area);
// Selects the whole text and returns it; the view is valid until the text changes.
std::wstring_view SelectAllText(HWND area);

}  // namespace quorvel::OutputArea
