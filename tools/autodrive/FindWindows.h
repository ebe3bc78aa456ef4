#pragma once
// Windows of other processes: listing, describing, reading their text, waiting for them.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "Raii.h"

namespace quorvel::autodrive {

// How long a window of another process may take to answer a message.
inline constexpr UINT kSendTimeoutMs = 5000;

std::wstring ClassOf(HWND hwnd);
// Text of a window in another process, through the system's marshalled WM_GETTEXT.
std::wstring TextOf(HWND hwnd);
std::vector<HWND> TopLevelWindows();
std::vector<HWND> Descendants(HWND parent);
// Class, caption, id, process, rectangle and state, on one line.
std::wstring Describe(HWND h);
// The visible top-level windows, on standard error (after a failure).
void ListTopLevelWindows();

// The first top-level window whose class and caption match the globs ("*": any).
HWND FindTopLevel(const std::wstring& cls, const std::wstring& caption, bool visibleOnly);
// Client-relative rectangle of `h` in the client area of `top` (`top` itself: its client area).
RECT RelativeRect(HWND top, HWND h);

// The process that owns `h`, opened with `access`; fails the command when it cannot be opened.
win::Handle OpenProcessOf(HWND h, DWORD access);

// Polls `probe` until it returns true or `timeoutMs` passes.
bool WaitFor(int timeoutMs, const std::function<bool()>& probe);

}  // namespace quorvel::autodrive
