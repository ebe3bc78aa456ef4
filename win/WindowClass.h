#pragma once
// Window class registration with the style, cursor, extra bytes and background as parameters.
#include <windows.h>

namespace quorvel::win {

// How a window class is registered.
struct ClassStyle {
  UINT style = 0;                     // CS_HREDRAW, CS_VREDRAW ...
  const wchar_t* cursor = IDC_ARROW;  // a system cursor; nullptr: none
  int extraBytes = 0;                 // cbWndExtra
  HBRUSH background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);  // nullptr: the window erases itself
  HICON icon = nullptr;
};

// Registers `name` for `proc` once per module. A class left behind by an earlier copy of a
// library (unloaded and loaded again, at another address) is registered anew for this copy.
bool RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC proc, const ClassStyle& style);

}  // namespace quorvel::win
