#include "Dpi.h"

#include "Gdi.h"

namespace quorvel::win {
namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

// GetDpiForWindow exists from Windows 10 on; older systems have one DPI for the screen.
GetDpiForWindowFn DpiForWindowFunction() {
  static const auto fn = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  return fn;
}

int ScreenDpi() {
  ScopedGetDC dc(nullptr);
  const int dpi = dc ? ::GetDeviceCaps(dc, LOGPIXELSY) : 96;
  return dpi > 0 ? dpi : 96;
}

}  // namespace

int WindowDpi(HWND hwnd) {
  if (hwnd) {
    if (const auto fn = DpiForWindowFunction()) {
      const UINT dpi = fn(hwnd);
      if (dpi) return static_cast<int>(dpi);
    }
  }
  return ScreenDpi();
}

SIZE WindowSizeForClient(DWORD style, DWORD exStyle, int clientWidthTwips, int clientHeightTwips, int dpi) {
  RECT r{0, 0, TwipsToPixels(clientWidthTwips, dpi), TwipsToPixels(clientHeightTwips, dpi)};
  ::AdjustWindowRectEx(&r, style, FALSE, exStyle);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

}  // namespace quorvel::win
