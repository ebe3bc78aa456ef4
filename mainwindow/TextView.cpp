#include "TextView.h"

#include <windowsx.h>

#include <exception>

// The window, its class and the messages of a window; the EDIT messages are TextViewEdit.cpp's.

namespace quorvel {
namespace {

POINT PointOf(LPARAM lParam) { return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

}  // namespace

bool TextView::Register(HINSTANCE instance) {
  win::ClassStyle style;
  style.style = CS_DBLCLKS;
  style.cursor = IDC_IBEAM;
  style.background = nullptr;  // painting covers every pixel
  return RegisterClassOnce(instance, kClassName, style);
}

TextView::TextView() : layout_([this](unsigned first, int* widths) { return MeasureWidths(first, widths); }) {}

TextView::~TextView() {
  if (hwnd_) ::DestroyWindow(hwnd_);
}

// The window procedure's barrier stops the exception; the text is as it was before the message.
void TextView::OnError() noexcept {
  ::SendMessageW(::GetParent(hwnd_), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(hwnd_), EN_ERRSPACE),
                 reinterpret_cast<LPARAM>(hwnd_));
}

bool TextView::OnCreate(const CREATESTRUCTW& create) {
  MeasureFont();
  if (create.lpszName && !IS_INTRESOURCE(create.lpszName)) SetText(create.lpszName);
  UpdateScrollBars();
  return true;
}

void TextView::OnPaint(HDC dc, PAINTSTRUCT* ps) { Paint(dc, ps->rcPaint); }

LRESULT TextView::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (const std::optional<LRESULT> answer = OnEditMessage(msg, wParam, lParam)) return *answer;
  switch (msg) {
    case WM_NCCREATE: {
      // A border asked for is drawn sunken, as an edit control does it.
      const LONG style = ::GetWindowLongW(hwnd_, GWL_STYLE);
      if (style & WS_BORDER) {
        ::SetWindowLongW(hwnd_, GWL_STYLE, style & ~WS_BORDER);
        ::SetWindowLongW(hwnd_, GWL_EXSTYLE, ::GetWindowLongW(hwnd_, GWL_EXSTYLE) | WS_EX_CLIENTEDGE);
      }
      layout_.ForgetWidths();
      return DefaultProc(msg, wParam, lParam);
    }
    case WM_SETFONT:
      SetFont(reinterpret_cast<HFONT>(wParam), LOWORD(lParam) != 0);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_);
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_SIZE:
      UpdateScrollBars();
      PlaceCaret();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // painting covers every pixel
    case WM_VSCROLL:
      OnScroll(SB_VERT, LOWORD(wParam));
      return 0;
    case WM_HSCROLL:
      OnScroll(SB_HORZ, LOWORD(wParam));
      return 0;
    case WM_MOUSEWHEEL:
      OnMouseWheel(GET_WHEEL_DELTA_WPARAM(wParam));
      return 0;
    case WM_MOUSEHWHEEL:
      ScrollTo(static_cast<std::int64_t>(topLine_),
               xOffset_ + static_cast<std::int64_t>(GET_WHEEL_DELTA_WPARAM(wParam)) * 3 * layout_.AverageWidth() /
                              WHEEL_DELTA);
      return 0;
    case WM_SETFOCUS:
      focused_ = true;
      ::CreateCaret(hwnd_, nullptr, 1, layout_.LineHeight());
      PlaceCaret();
      ::ShowCaret(hwnd_);
      InvalidateLines(buffer_.LineOf(buffer_.SelectionStart()), buffer_.LineOf(buffer_.SelectionEnd()));
      return 0;
    case WM_KILLFOCUS:
      focused_ = false;
      ::DestroyCaret();
      InvalidateLines(buffer_.LineOf(buffer_.SelectionStart()), buffer_.LineOf(buffer_.SelectionEnd()));
      return 0;
    case WM_ENABLE:
    case WM_STYLECHANGED:
    case WM_SYSCOLORCHANGE:
      ::InvalidateRect(hwnd_, nullptr, FALSE);
      return DefaultProc(msg, wParam, lParam);
    case WM_KEYDOWN:
      OnKeyDown(wParam);
      return 0;
    case WM_CHAR:
      return 0;  // read-only: typing changes nothing
    case WM_LBUTTONDOWN:
      OnMouseDown(PointOf(lParam), (wParam & MK_SHIFT) != 0);
      return 0;
    case WM_LBUTTONDBLCLK: {
      const auto [from, to] = buffer_.WordAt(PositionAtPoint(PointOf(lParam)));
      SetSelection(from, to);
      ScrollCaretIntoView();
      return 0;
    }
    case WM_MOUSEMOVE:
      if (selecting_) OnMouseMove(PointOf(lParam));
      return 0;
    case WM_LBUTTONUP:
      if (selecting_) ::ReleaseCapture();  // WM_CAPTURECHANGED ends the drag
      return 0;
    case WM_CAPTURECHANGED:
      selecting_ = false;
      ::KillTimer(hwnd_, kAutoScrollTimer);
      return 0;
    case WM_TIMER:
      if (wParam == kAutoScrollTimer) OnAutoScroll();
      return 0;
    case WM_CONTEXTMENU:
      ShowContextMenu(PointOf(lParam));
      return 0;
    default:
      return DefaultProc(msg, wParam, lParam);
  }
}

// ---- Font ------------------------------------------------------------------------------------

HFONT TextView::CurrentFont() const {
  return font_ ? font_ : static_cast<HFONT>(::GetStockObject(SYSTEM_FONT));
}

void TextView::SetFont(HFONT font, bool redraw) {
  font_ = font;
  layout_.ForgetWidths();
  MeasureFont();
  if (focused_) {
    ::DestroyCaret();
    ::CreateCaret(hwnd_, nullptr, 1, layout_.LineHeight());
    ::ShowCaret(hwnd_);
  }
  UpdateScrollBars();
  PlaceCaret();
  if (redraw) ::InvalidateRect(hwnd_, nullptr, FALSE);
}

void TextView::MeasureFont() {
  win::ScopedGetDC dc(hwnd_);
  win::ScopedSelectObject font(dc, CurrentFont());
  TEXTMETRICW tm{};
  if (!dc || !::GetTextMetricsW(dc, &tm)) return;
  // The flag named "fixed pitch" is set for a font whose characters vary in width.
  layout_.SetMetrics(FontMetrics{.lineHeight = static_cast<int>(tm.tmHeight),
                                 .averageWidth = static_cast<int>(tm.tmAveCharWidth),
                                 .maxCharWidth = static_cast<int>(tm.tmMaxCharWidth),
                                 .fixedPitch = (tm.tmPitchAndFamily & TMPF_FIXED_PITCH) == 0});
}

bool TextView::MeasureWidths(unsigned first, int* widths) const {
  win::ScopedGetDC dc(hwnd_);
  win::ScopedSelectObject font(dc, CurrentFont());
  return dc && ::GetCharWidth32W(dc, first, first + TextLayout::kBlock - 1, widths);
}

}  // namespace quorvel
