#include "LED.h"

#include "Raii.h"

namespace quorvel {

void LED::Register(HINSTANCE instance) {
  WNDCLASSEXW wc{};
  if (::GetClassInfoExW(instance, kClassName, &wc)) return;
  wc.cbSize = sizeof(wc);
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = &LED::WndProc;
  wc.cbWndExtra = sizeof(LONG_PTR);  // the colour
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  ::RegisterClassExW(&wc);
}

LRESULT CALLBACK LED::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      ::SetWindowLongPtrW(hwnd, 0, 0);  // black: idle
      return 0;
    case kSetColor:
      if (static_cast<COLORREF>(::GetWindowLongPtrW(hwnd, 0)) != static_cast<COLORREF>(wParam)) {
        ::SetWindowLongPtrW(hwnd, 0, static_cast<LONG_PTR>(wParam));
        ::InvalidateRect(hwnd, nullptr, FALSE);
      }
      return 0;
    case kGetColor:
      return static_cast<LRESULT>(static_cast<COLORREF>(::GetWindowLongPtrW(hwnd, 0)));
    case WM_ERASEBKGND:
      return 1;  // Paint covers everything
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(hwnd, &ps);
      Paint(hwnd, dc);
      ::EndPaint(hwnd, &ps);
      return 0;
    }
    default:
      return ::DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

void LED::Paint(HWND hwnd, HDC dc) {
  RECT client;
  ::GetClientRect(hwnd, &client);
  ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
  const COLORREF color = static_cast<COLORREF>(::GetWindowLongPtrW(hwnd, 0));

  win::Brush lamp(::CreateSolidBrush(color));
  HGDIOBJ oldBrush = ::SelectObject(dc, lamp.get());
  HGDIOBJ oldPen = ::SelectObject(dc, ::GetStockObject(DC_PEN));
  ::SetDCPenColor(dc, ::GetSysColor(COLOR_BTNSHADOW));
  ::Ellipse(dc, client.left, client.top, client.right, client.bottom);

  // A small highlight makes the lamp read as lit glass rather than a flat dot.
  const int w = client.right - client.left;
  const int h = client.bottom - client.top;
  const COLORREF shine = RGB((GetRValue(color) + 255) / 2, (GetGValue(color) + 255) / 2, (GetBValue(color) + 255) / 2);
  win::Brush highlight(::CreateSolidBrush(shine));
  ::SelectObject(dc, highlight.get());
  ::SetDCPenColor(dc, shine);
  ::Ellipse(dc, client.left + w / 4, client.top + h / 5, client.left + w / 4 + w / 4 + 1, client.top + h / 5 + h / 4 + 1);

  ::SelectObject(dc, oldPen);
  ::SelectObject(dc, oldBrush);
}

}  // namespace quorvel
