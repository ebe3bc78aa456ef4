#pragma once
// The output area: a rich-edit control holding plain text whose lines end with CRLF.
#include <windows.h>

#include <string>
#include <string_view>

namespace quorvel::OutputArea {

// The window class; riched20.dll must be loaded.
inline constexpr const wchar_t* kClassName = L"RichEdit20W";

// Plain text, no length limit, no undo history, no word wrap.
void Prepare(HWND area);

// Characters held, as the control counts them (a line end counts once).
long Length(HWND area);
// Adds text after the last character without re-setting the whole text.
void Append(HWND area, std::wstring_view text);
// Removes everything from character `from` (a Length() taken earlier) to the end.
void TruncateTo(HWND area, long from);
// The whole text with CRLF line ends.
std::wstring Text(HWND area);
// Selects the whole text and returns it with CRLF line ends.
std::wstring SelectAllText(HWND area);

}  // namespace quorvel::OutputArea
