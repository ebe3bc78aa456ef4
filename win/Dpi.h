#pragma once
// Twips and dots per inch: the forms are laid out in twips, 1,440 to the inch, and shown at
// the window's DPI.
#include <windows.h>

namespace quorvel::win {

// 15 twips a pixel at 96 DPI.
inline int TwipsToPixels(int twips, int dpi) { return ::MulDiv(twips, dpi, 1440); }

// The DPI of a window (GetDpiForWindow where the system has it); nullptr: the screen's.
int WindowDpi(HWND hwnd);

// Size of a window whose client area is clientWidth x clientHeight twips.
SIZE WindowSizeForClient(DWORD style, DWORD exStyle, int clientWidthTwips, int clientHeightTwips, int dpi);

}  // namespace quorvel::win
