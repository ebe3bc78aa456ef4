#pragma once
// The busy lamp of the main window: a small control that paints a round lamp in its colour.
#include <windows.h>

#include "Window.h"

namespace quorvel {

class LED : public win::WindowBase<LED> {
 public:
  static constexpr const wchar_t* kClassName = L"QuorvelLED";
  // wParam: the new colour (COLORREF, red in the lowest byte). Repaints the lamp.
  static constexpr UINT kSetColor = WM_USER + 1;
  // Returns the colour.
  static constexpr UINT kGetColor = WM_USER + 2;

  // Registers the window class once per process; later calls do nothing. False when Windows
  // refuses.
  static bool Register(HINSTANCE instance);

  static void SetColor(HWND led, COLORREF color) { ::SendMessageW(led, kSetColor, color, 0); }
  static COLORREF Color(HWND led) { return static_cast<COLORREF>(::SendMessageW(led, kGetColor, 0, 0)); }

 private:
  friend class win::WindowBase<LED>;
  // Made from the main window's control table by class name.
  static constexpr bool kMadeByWindow = true;

  LED() = default;
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void OnPaint(HDC dc, PAINTSTRUCT* ps) override;

  COLORREF color_ = RGB(0, 0, 0);  // black: idle
};

}  // namespace quorvel
