#include "LED.h"

namespace quorvel {

bool LED::Register(HINSTANCE instance) {
  win::ClassStyle style;
  style.style = CS_HREDRAW | CS_VREDRAW;
  return RegisterClassOnce(instance, kClassName, style);
}

LRESULT LED::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case kSetColor:
      if (color_ != static_cast<COLORREF>(wParam)) {
        color_ = static_cast<COLORREF>(wParam);
        ::InvalidateRect(hwnd_, nullptr, FALSE);
      }
      return 0;
    case kGetColor:
      return static_cast<LRESULT>(color_);
    case WM_ERASEBKGND:
      return 1;  // OnPaint covers everything
    default:
      return DefaultProc(msg, wParam, lParam);
  }
}

void LED::OnPaint(HDC dc, PAINTSTRUCT*) {
  RECT client;
  ::GetClientRect(hwnd_, &client);
  ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));

  win::Brush lamp(::CreateSolidBrush(color_));
  win::ScopedSelectObject lampBrush(dc, lamp.get());
  win::ScopedSelectObject pen(dc, ::GetStockObject(DC_PEN));
  ::SetDCPenColor(dc, ::GetSysColor(COLOR_BTNSHADOW));
  ::Ellipse(dc, client.left, client.top, client.right, client.bottom);

  // A small highlight makes the lamp read as lit glass rather than a flat dot.
  const int w = client.right - client.left;
  const int h = client.bottom - client.top;
  const COLORREF shine =
      RGB((GetRValue(color_) + 255) / 2, (GetGValue(color_) + 255) / 2, (GetBValue(color_) + 255) / 2);
  win::Brush highlight(::CreateSolidBrush(shine));
  win::ScopedSelectObject shineBrush(dc, highlight.get());
  ::SetDCPenColor(dc, shine);
  ::Ellipse(dc, client.left + w / 4, client.top + h / 5, client.left + w / 4 + w / 4 + 1, client.top + h / 5 + h / 4 + 1);
}

}  // namespace quorvel
