#include "TextView.h"

#include <windowsx.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <exception>

namespace quorvel {
namespace {

constexpr int kMargin = 2;            // pixels between the client edge and the text
constexpr int kTabColumns = 8;
constexpr UINT_PTR kAutoScrollTimer = 1;
constexpr UINT kAutoScrollMs = 50;
constexpr std::uint16_t kUnmeasured = 0xFFFF;

enum MenuCommand : UINT { kCopy = 1, kSelectAll = 2 };

struct Menu {
  HMENU handle = ::CreatePopupMenu();
  ~Menu() {
    if (handle) ::DestroyMenu(handle);
  }
};

void FillSolid(HDC dc, const RECT& r, COLORREF color) {
  ::SetBkColor(dc, color);
  ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

}  // namespace

// ---- Window class ---------------------------------------------------------------------------

void TextView::Register(HINSTANCE instance) {
  win::ClassStyle style;
  style.style = CS_DBLCLKS;
  style.cursor = IDC_IBEAM;
  style.background = nullptr;  // painting covers every pixel
  RegisterClassOnce(instance, kClassName, style);
}

TextView::~TextView() {
  if (hwnd_) ::DestroyWindow(hwnd_);
}

// No exception may cross the window procedure; the text is as it was before the message,
// and the parent hears that memory ran out, as from an edit control.
void TextView::ReportNoMemory() {
  ::SendMessageW(::GetParent(hwnd_), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(hwnd_), EN_ERRSPACE),
                 reinterpret_cast<LPARAM>(hwnd_));
}

LRESULT TextView::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  try {
    return OnMessage(msg, wParam, lParam);
  } catch (const std::exception&) {
    ReportNoMemory();
    return msg == WM_NCCREATE ? FALSE : 0;
  }
}

void TextView::OnPaint(HDC dc, PAINTSTRUCT* ps) {
  try {
    Paint(dc, ps->rcPaint);
  } catch (const std::exception&) {
    ReportNoMemory();
  }
}

LRESULT TextView::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_NCCREATE: {
      // A border asked for is drawn sunken, as an edit control does it.
      const LONG style = ::GetWindowLongW(hwnd_, GWL_STYLE);
      if (style & WS_BORDER) {
        ::SetWindowLongW(hwnd_, GWL_STYLE, style & ~WS_BORDER);
        ::SetWindowLongW(hwnd_, GWL_EXSTYLE, ::GetWindowLongW(hwnd_, GWL_EXSTYLE) | WS_EX_CLIENTEDGE);
      }
      widths_.assign(0x10000, kUnmeasured);
      return DefaultProc(msg, wParam, lParam);
    }
    case WM_CREATE: {
      MeasureFont();
      const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      if (cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) SetText(cs->lpszName);
      UpdateScrollBars();
      return 0;
    }
    case WM_SETTEXT:
      SetText(lParam ? reinterpret_cast<const wchar_t*>(lParam) : L"");
      return TRUE;
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(buffer_.Length());
    case WM_GETTEXT: {
      if (wParam == 0 || !lParam) return 0;
      const size_t n = std::min(buffer_.Length(), static_cast<size_t>(wParam) - 1);
      auto* out = reinterpret_cast<wchar_t*>(lParam);
      std::memcpy(out, buffer_.Text().data(), n * sizeof(wchar_t));
      out[n] = L'\0';
      return static_cast<LRESULT>(n);
    }
    case EM_GETSEL: {
      const size_t start = buffer_.SelectionStart();
      const size_t end = buffer_.SelectionEnd();
      if (wParam) *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(start);
      if (lParam) *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(end);
      return start > 0xFFFF || end > 0xFFFF ? -1 : MAKELRESULT(start, end);
    }
    case EM_SETSEL: {
      // -1 as the start drops the selection; a negative or too large end means the end.
      const auto start = static_cast<int>(wParam);
      const auto end = static_cast<int>(lParam);
      if (start == -1) {
        SetSelection(buffer_.Caret(), buffer_.Caret());
      } else {
        const size_t last = buffer_.Length();
        auto clamp = [last](int v) { return v < 0 ? last : std::min(static_cast<size_t>(v), last); };
        SetSelection(clamp(start), clamp(end));
      }
      return 0;
    }
    case EM_REPLACESEL:
      ReplaceSelection(lParam ? reinterpret_cast<const wchar_t*>(lParam) : L"");
      return 0;
    case EM_GETLINECOUNT:
      return static_cast<LRESULT>(buffer_.LineCount());
    case EM_LINEINDEX: {
      const size_t line = static_cast<int>(wParam) < 0 ? buffer_.LineOf(buffer_.Caret()) : static_cast<size_t>(wParam);
      return line < buffer_.LineCount() ? static_cast<LRESULT>(buffer_.LineStart(line)) : -1;
    }
    case EM_LINELENGTH: {
      const size_t at = static_cast<int>(wParam) < 0 ? buffer_.Caret() : std::min<size_t>(wParam, buffer_.Length());
      return static_cast<LRESULT>(buffer_.LineLength(buffer_.LineOf(at)));
    }
    case EM_LINEFROMCHAR: {
      const size_t at =
          static_cast<int>(wParam) < 0 ? buffer_.SelectionStart() : std::min<size_t>(wParam, buffer_.Length());
      return static_cast<LRESULT>(buffer_.LineOf(at));
    }
    case EM_GETFIRSTVISIBLELINE:
      return static_cast<LRESULT>(topLine_);
    case EM_LINESCROLL:
      ScrollTo(static_cast<std::int64_t>(topLine_) + static_cast<int>(lParam),
               static_cast<std::int64_t>(xOffset_) + static_cast<std::int64_t>(static_cast<int>(wParam)) * averageWidth_);
      return TRUE;
    case EM_SCROLL: {
      const size_t before = topLine_;
      OnVScroll(static_cast<int>(wParam));
      return MAKELRESULT(static_cast<WORD>(topLine_ - before), TRUE);
    }
    case EM_SCROLLCARET:
      ScrollCaretIntoView();
      return TRUE;
    case EM_GETLIMITTEXT:
      return static_cast<LRESULT>(TextBuffer::kMaxLength);
    case EM_SETLIMITTEXT:
    case EM_SETREADONLY:  // always read-only
    case EM_EMPTYUNDOBUFFER:
      return TRUE;
    case EM_GETMODIFY:
    case EM_CANUNDO:
    case EM_UNDO:
    case WM_UNDO:
    case WM_CUT:
    case WM_PASTE:
    case WM_CLEAR:
      return 0;
    case WM_COPY:
      CopySelection();
      return 0;
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
    case WM_PRINTCLIENT: {
      RECT client;
      ::GetClientRect(hwnd_, &client);
      Paint(reinterpret_cast<HDC>(wParam), client);
      return 0;
    }
    case WM_VSCROLL:
      OnVScroll(LOWORD(wParam));
      return 0;
    case WM_HSCROLL:
      OnHScroll(LOWORD(wParam));
      return 0;
    case WM_MOUSEWHEEL:
      OnMouseWheel(GET_WHEEL_DELTA_WPARAM(wParam));
      return 0;
    case WM_MOUSEHWHEEL:
      ScrollTo(static_cast<std::int64_t>(topLine_),
               xOffset_ + static_cast<std::int64_t>(GET_WHEEL_DELTA_WPARAM(wParam)) * 3 * averageWidth_ / WHEEL_DELTA);
      return 0;
    case WM_SETFOCUS:
      focused_ = true;
      ::CreateCaret(hwnd_, nullptr, 1, lineHeight_);
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
      OnMouseDown(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, (wParam & MK_SHIFT) != 0);
      return 0;
    case WM_LBUTTONDBLCLK: {
      const auto [from, to] = buffer_.WordAt(PositionAtPoint(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}));
      SetSelection(from, to);
      ScrollCaretIntoView();
      return 0;
    }
    case WM_MOUSEMOVE:
      if (selecting_) OnMouseMove(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
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
      ShowContextMenu(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return 0;
    default:
      return DefaultProc(msg, wParam, lParam);
  }
}

// ---- Text -----------------------------------------------------------------------------------

void TextView::Changed(size_t firstLine) { InvalidateLines(firstLine, SIZE_MAX); }

void TextView::SetText(std::wstring_view text) {
  buffer_.Replace(0, buffer_.Length(), text);
  buffer_.Select(0, 0);
  topLine_ = 0;
  xOffset_ = 0;
  ::InvalidateRect(hwnd_, nullptr, FALSE);
  UpdateScrollBars();
  PlaceCaret();
}

void TextView::ReplaceSelection(std::wstring_view text) {
  const size_t from = buffer_.SelectionStart();
  Changed(buffer_.Replace(from, buffer_.SelectionEnd(), text));
  buffer_.Select(from + text.size(), from + text.size());
  ScrollCaretIntoView();
}

void TextView::Append(std::wstring_view text) {
  if (text.empty()) return;
  Changed(buffer_.Replace(buffer_.Length(), buffer_.Length(), text));
  UpdateScrollBars();
}

void TextView::TruncateTo(size_t from) {
  if (from >= buffer_.Length()) return;
  Changed(buffer_.Replace(from, buffer_.Length(), {}));
  UpdateScrollBars();
  PlaceCaret();
}

void TextView::SetSelection(size_t anchor, size_t caret) {
  const size_t oldLow = buffer_.SelectionStart();
  const size_t oldHigh = buffer_.SelectionEnd();
  if (!buffer_.Select(anchor, caret)) return;
  InvalidateLines(buffer_.LineOf(std::min(oldLow, buffer_.SelectionStart())),
                  buffer_.LineOf(std::max(oldHigh, buffer_.SelectionEnd())));
  PlaceCaret();
}

bool TextView::CopySelection() {
  const std::wstring_view selected = buffer_.Selected();
  if (selected.empty() || !::OpenClipboard(hwnd_)) return false;
  bool copied = false;
  if (HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, (selected.size() + 1) * sizeof(wchar_t))) {
    auto* out = static_cast<wchar_t*>(::GlobalLock(memory));
    std::memcpy(out, selected.data(), selected.size() * sizeof(wchar_t));
    out[selected.size()] = L'\0';
    ::GlobalUnlock(memory);
    ::EmptyClipboard();
    copied = ::SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    if (!copied) ::GlobalFree(memory);
  }
  ::CloseClipboard();
  return copied;
}

// ---- Measuring ------------------------------------------------------------------------------

HFONT TextView::CurrentFont() const {
  return font_ ? font_ : static_cast<HFONT>(::GetStockObject(SYSTEM_FONT));
}

void TextView::SetFont(HFONT font, bool redraw) {
  font_ = font;
  std::fill(widths_.begin(), widths_.end(), kUnmeasured);
  MeasureFont();
  if (focused_) {
    ::DestroyCaret();
    ::CreateCaret(hwnd_, nullptr, 1, lineHeight_);
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
  lineHeight_ = std::max(1, static_cast<int>(tm.tmHeight));
  averageWidth_ = std::max(1, static_cast<int>(tm.tmAveCharWidth));
  // The flag named "fixed pitch" is set for a font whose characters vary in width.
  fixedPitch_ = (tm.tmPitchAndFamily & TMPF_FIXED_PITCH) == 0;
  maxCharWidth_ = std::max(averageWidth_, static_cast<int>(tm.tmMaxCharWidth));
}

int TextView::CharWidth(wchar_t c) {
  std::uint16_t& width = widths_[c];
  if (width == kUnmeasured) {
    // A block of 256 at a time: the text's characters mostly come from a few blocks.
    const UINT first = c & 0xFF00u;
    int measured[256];
    win::ScopedGetDC dc(hwnd_);
    win::ScopedSelectObject font(dc, CurrentFont());
    const bool ok = dc && ::GetCharWidth32W(dc, first, first + 255, measured);
    for (UINT i = 0; i < 256; ++i)
      widths_[first + i] = static_cast<std::uint16_t>(std::clamp(ok ? measured[i] : averageWidth_, 0, 0x7FFF));
  }
  return width;
}

int TextView::AdvanceAt(wchar_t c, int x) {
  if (c != L'\t') return CharWidth(c);
  const int stop = kTabColumns * averageWidth_;
  return stop - x % stop;
}

int TextView::XOfColumn(size_t line, size_t column) {
  const wchar_t* p = buffer_.Text().data() + buffer_.LineStart(line);
  int x = 0;
  for (size_t i = 0; i < column && x < INT_MAX / 2; ++i) x += AdvanceAt(p[i], x);
  return x;
}

size_t TextView::ColumnAtX(size_t line, int x) {
  const wchar_t* p = buffer_.Text().data() + buffer_.LineStart(line);
  const size_t length = buffer_.LineLength(line);
  int at = 0;
  for (size_t i = 0; i < length; ++i) {
    const int w = AdvanceAt(p[i], at);
    if (x < at + (w + 1) / 2) return i;
    at += w;
  }
  return length;
}

size_t TextView::PositionAtPoint(POINT pt) {
  std::int64_t row = pt.y >= 0 ? pt.y / lineHeight_ : -((-static_cast<std::int64_t>(pt.y) + lineHeight_ - 1) / lineHeight_);
  const std::int64_t line =
      std::clamp<std::int64_t>(static_cast<std::int64_t>(topLine_) + row, 0,
                               static_cast<std::int64_t>(buffer_.LineCount()) - 1);
  const auto l = static_cast<size_t>(line);
  return buffer_.LineStart(l) + ColumnAtX(l, pt.x - kMargin + xOffset_);
}

int TextView::VisibleLines() const {
  RECT client;
  ::GetClientRect(hwnd_, &client);
  return std::max(1, static_cast<int>(client.bottom) / lineHeight_);
}

int TextView::ContentWidth() const {
  const int perChar = fixedPitch_ ? averageWidth_ : (averageWidth_ + maxCharWidth_) / 2;
  const std::int64_t width = static_cast<std::int64_t>(buffer_.WidestLine()) * perChar + 2 * kMargin + averageWidth_;
  return static_cast<int>(std::min<std::int64_t>(width, INT_MAX / 2));
}

// ---- Scrolling and the caret ----------------------------------------------------------------

void TextView::UpdateScrollBars() {
  RECT client;
  ::GetClientRect(hwnd_, &client);
  const size_t page = static_cast<size_t>(VisibleLines());
  const size_t lines = buffer_.LineCount();
  topLine_ = std::min(topLine_, lines > page ? lines - page : 0);
  const int width = ContentWidth();
  xOffset_ = std::clamp(xOffset_, 0, std::max(0, width - static_cast<int>(client.right)));

  const bool redraw = ::IsWindowVisible(hwnd_) != FALSE;
  const ScrollState vertical{static_cast<int>(std::min<size_t>(lines - 1, INT_MAX)), static_cast<UINT>(page),
                             static_cast<int>(topLine_)};
  const ScrollState horizontal{width - 1, static_cast<UINT>(std::max(0L, client.right)), xOffset_};
  // Setting unchanged values costs a trip through the non-client area; a long run of appends
  // to a hidden view would pay it every time.
  struct {
    int bar;
    const ScrollState& want;
    ScrollState& have;
  } bars[] = {{SB_VERT, vertical, vertical_}, {SB_HORZ, horizontal, horizontal_}};
  for (auto& b : bars) {
    if (b.want == b.have) continue;
    SCROLLINFO si{sizeof(si), SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL, 0, b.want.max, b.want.page,
                  b.want.pos, 0};
    ::SetScrollInfo(hwnd_, b.bar, &si, redraw);
    b.have = b.want;
  }
}

void TextView::ScrollTo(std::int64_t line, std::int64_t x) {
  RECT client;
  ::GetClientRect(hwnd_, &client);
  const auto page = static_cast<std::int64_t>(VisibleLines());
  const auto lines = static_cast<std::int64_t>(buffer_.LineCount());
  line = std::clamp<std::int64_t>(line, 0, std::max<std::int64_t>(0, lines - page));
  x = std::clamp<std::int64_t>(x, 0, std::max(0, ContentWidth() - static_cast<int>(client.right)));
  const std::int64_t dy = (static_cast<std::int64_t>(topLine_) - line) * lineHeight_;
  const std::int64_t dx = xOffset_ - x;
  if (dy == 0 && dx == 0) return;
  topLine_ = static_cast<size_t>(line);
  xOffset_ = static_cast<int>(x);
  if (::IsWindowVisible(hwnd_)) {
    if (std::abs(dy) < client.bottom && std::abs(dx) < client.right)
      ::ScrollWindowEx(hwnd_, static_cast<int>(dx), static_cast<int>(dy), nullptr, nullptr, nullptr, nullptr,
                       SW_INVALIDATE);
    else
      ::InvalidateRect(hwnd_, nullptr, FALSE);
  }
  UpdateScrollBars();
  PlaceCaret();
}

void TextView::ScrollCaretIntoView() {
  RECT client;
  ::GetClientRect(hwnd_, &client);
  const size_t line = buffer_.LineOf(buffer_.Caret());
  const auto page = static_cast<size_t>(VisibleLines());
  size_t top = topLine_;
  if (line < top) top = line;
  else if (line >= top + page) top = line - page + 1;
  const int x = XOfColumn(line, buffer_.Caret() - buffer_.LineStart(line));
  const int textWidth = std::max(1, static_cast<int>(client.right) - 2 * kMargin);
  int offset = xOffset_;
  // Like an edit control, jump a quarter of the width rather than creep.
  if (x < offset) offset = std::max(0, x - textWidth / 4);
  else if (x >= offset + textWidth) offset = x - textWidth + textWidth / 4;
  ScrollTo(static_cast<std::int64_t>(top), offset);
  UpdateScrollBars();
  PlaceCaret();
}

void TextView::PlaceCaret() {
  if (!focused_) return;
  const size_t line = buffer_.LineOf(buffer_.Caret());
  const auto rows = static_cast<std::int64_t>(line) - static_cast<std::int64_t>(topLine_);
  RECT client;
  ::GetClientRect(hwnd_, &client);
  if (rows < 0 || rows * lineHeight_ > client.bottom) {
    ::SetCaretPos(-100, -100);  // out of sight
    return;
  }
  ::SetCaretPos(kMargin - xOffset_ + XOfColumn(line, buffer_.Caret() - buffer_.LineStart(line)),
                static_cast<int>(rows) * lineHeight_);
}

void TextView::MoveCaret(size_t position, bool extend) {
  SetSelection(extend ? buffer_.Anchor() : position, position);
  ScrollCaretIntoView();
}

void TextView::OnVScroll(int code) {
  const auto page = static_cast<std::int64_t>(std::max(1, VisibleLines() - 1));
  auto top = static_cast<std::int64_t>(topLine_);
  switch (code) {
    case SB_LINEUP: --top; break;
    case SB_LINEDOWN: ++top; break;
    case SB_PAGEUP: top -= page; break;
    case SB_PAGEDOWN: top += page; break;
    case SB_TOP: top = 0; break;
    case SB_BOTTOM: top = static_cast<std::int64_t>(buffer_.LineCount()); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
      // The 16 bits of the message are too few for a long text; the bar knows the whole value.
      SCROLLINFO si{sizeof(si), SIF_TRACKPOS};
      if (::GetScrollInfo(hwnd_, SB_VERT, &si)) top = si.nTrackPos;
      break;
    }
    default: return;
  }
  ScrollTo(top, xOffset_);
}

void TextView::OnHScroll(int code) {
  RECT client;
  ::GetClientRect(hwnd_, &client);
  std::int64_t x = xOffset_;
  switch (code) {
    case SB_LINELEFT: x -= averageWidth_; break;
    case SB_LINERIGHT: x += averageWidth_; break;
    case SB_PAGELEFT: x -= client.right; break;
    case SB_PAGERIGHT: x += client.right; break;
    case SB_LEFT: x = 0; break;
    case SB_RIGHT: x = INT_MAX; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
      SCROLLINFO si{sizeof(si), SIF_TRACKPOS};
      if (::GetScrollInfo(hwnd_, SB_HORZ, &si)) x = si.nTrackPos;
      break;
    }
    default: return;
  }
  ScrollTo(static_cast<std::int64_t>(topLine_), x);
}

void TextView::OnMouseWheel(int delta) {
  UINT perNotch = 3;
  ::SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &perNotch, 0);
  wheelRest_ += delta;
  const int notches = wheelRest_ / WHEEL_DELTA;
  wheelRest_ -= notches * WHEEL_DELTA;
  if (notches == 0) return;
  const std::int64_t lines = perNotch == WHEEL_PAGESCROLL ? std::max(1, VisibleLines() - 1) : perNotch;
  ScrollTo(static_cast<std::int64_t>(topLine_) - notches * lines, xOffset_);
}

void TextView::OnKeyDown(WPARAM key) {
  const bool control = ::GetKeyState(VK_CONTROL) < 0;
  const bool shift = ::GetKeyState(VK_SHIFT) < 0;
  const bool vertical = key == VK_UP || key == VK_DOWN || key == VK_PRIOR || key == VK_NEXT;
  if (!vertical) goalX_ = -1;
  const size_t line = buffer_.LineOf(buffer_.Caret());
  const bool collapse = !shift && buffer_.Anchor() != buffer_.Caret();
  switch (key) {
    case 'A':
      if (control) SetSelection(0, buffer_.Length());
      return;
    case 'C':
    case VK_INSERT:
      if (control) CopySelection();
      return;
    case VK_LEFT:
      MoveCaret(collapse ? buffer_.SelectionStart() : buffer_.PreviousPosition(buffer_.Caret()), shift);
      return;
    case VK_RIGHT:
      MoveCaret(collapse ? buffer_.SelectionEnd() : buffer_.NextPosition(buffer_.Caret()), shift);
      return;
    case VK_HOME:
      MoveCaret(control ? 0 : buffer_.LineStart(line), shift);
      return;
    case VK_END:
      MoveCaret(control ? buffer_.Length() : buffer_.LineEnd(line), shift);
      return;
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT: {
      if (goalX_ < 0) goalX_ = XOfColumn(line, buffer_.Caret() - buffer_.LineStart(line));
      const auto page = static_cast<std::int64_t>(std::max(1, VisibleLines() - 1));
      const std::int64_t step = key == VK_UP ? -1 : key == VK_DOWN ? 1 : key == VK_PRIOR ? -page : page;
      const auto target = static_cast<size_t>(
          std::clamp<std::int64_t>(static_cast<std::int64_t>(line) + step, 0,
                                   static_cast<std::int64_t>(buffer_.LineCount()) - 1));
      // A page key moves the view with the caret, as far as it can go.
      if (key == VK_PRIOR || key == VK_NEXT) ScrollTo(static_cast<std::int64_t>(topLine_) + step, xOffset_);
      MoveCaret(buffer_.LineStart(target) + ColumnAtX(target, goalX_), shift);
      return;
    }
    default:
      return;
  }
}

void TextView::OnMouseDown(POINT pt, bool extend) {
  if (::GetFocus() != hwnd_) ::SetFocus(hwnd_);
  goalX_ = -1;
  MoveCaret(PositionAtPoint(pt), extend);
  selecting_ = true;
  lastMouse_ = pt;
  ::SetCapture(hwnd_);
  ::SetTimer(hwnd_, kAutoScrollTimer, kAutoScrollMs, nullptr);
}

void TextView::OnMouseMove(POINT pt) {
  lastMouse_ = pt;
  MoveCaret(PositionAtPoint(pt), true);
}

void TextView::OnAutoScroll() {
  // A mouse held still outside the view keeps the selection growing: each tick moves the
  // caret to the line under the pointer, beyond the edge, and the view follows it.
  RECT client;
  ::GetClientRect(hwnd_, &client);
  if (selecting_ && !::PtInRect(&client, lastMouse_)) OnMouseMove(lastMouse_);
}

void TextView::ShowContextMenu(POINT screen) {
  if (::GetFocus() != hwnd_) ::SetFocus(hwnd_);
  if (screen.x == -1 && screen.y == -1) {  // from the keyboard: at the caret
    ::GetCaretPos(&screen);
    screen.y += lineHeight_;
    ::ClientToScreen(hwnd_, &screen);
  }
  Menu menu;
  if (!menu.handle) return;
  ::AppendMenuW(menu.handle, MF_STRING | (buffer_.Anchor() == buffer_.Caret() ? MF_GRAYED : 0), kCopy, L"&Copy");
  ::AppendMenuW(menu.handle, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(menu.handle, MF_STRING | (buffer_.Length() == 0 ? MF_GRAYED : 0), kSelectAll, L"Select &All");
  const UINT chosen = static_cast<UINT>(
      ::TrackPopupMenu(menu.handle, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0, hwnd_, nullptr));
  if (chosen == kCopy) CopySelection();
  if (chosen == kSelectAll) SetSelection(0, buffer_.Length());
}

void TextView::InvalidateLines(size_t first, size_t last) {
  if (!::IsWindowVisible(hwnd_)) return;
  const size_t page = static_cast<size_t>(VisibleLines()) + 1;
  if (last < topLine_ || first > topLine_ + page) return;
  RECT r;
  ::GetClientRect(hwnd_, &r);
  const size_t from = std::max(first, topLine_);
  const size_t to = std::min(last, topLine_ + page);
  r.top = static_cast<LONG>((from - topLine_) * static_cast<size_t>(lineHeight_));
  r.bottom = static_cast<LONG>((to - topLine_ + 1) * static_cast<size_t>(lineHeight_));
  ::InvalidateRect(hwnd_, &r, FALSE);
}

// ---- Painting -------------------------------------------------------------------------------

void TextView::Paint(HDC dc, const RECT& area) {
  RECT client;
  ::GetClientRect(hwnd_, &client);
  win::ScopedSelectObject font(dc, CurrentFont());
  ::SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
  const int firstRow = std::max(0, static_cast<int>(area.top) / lineHeight_);
  const int lastRow = std::max(firstRow, static_cast<int>(area.bottom - 1) / lineHeight_);
  for (int row = firstRow; row <= lastRow; ++row) {
    const size_t line = topLine_ + static_cast<size_t>(row);
    const int top = row * lineHeight_;
    if (line < buffer_.LineCount()) {
      PaintLine(dc, line, top, client.right);
    } else {
      FillSolid(dc, RECT{0, top, client.right, top + lineHeight_}, ::GetSysColor(COLOR_WINDOW));
    }
  }
}

void TextView::PaintLine(HDC dc, size_t line, int top, int right) {
  const size_t start = buffer_.LineStart(line);
  const size_t length = buffer_.LineLength(line);
  const wchar_t* p = buffer_.Text().data() + start;
  const int bottom = top + lineHeight_;
  const int viewRight = xOffset_ + right - kMargin;

  // The characters in sight and their widths, from the first one that reaches into view.
  size_t i = 0;
  int x = 0;
  while (i < length) {
    const int w = AdvanceAt(p[i], x);
    if (x + w > xOffset_) break;
    x += w;
    ++i;
  }
  const size_t first = i;
  const int firstX = x;
  glyphs_.clear();
  advances_.clear();
  while (i < length && x < viewRight) {
    const int w = AdvanceAt(p[i], x);
    glyphs_.push_back(p[i] == L'\t' ? L' ' : p[i]);
    advances_.push_back(w);
    x += w;
    ++i;
  }
  const size_t shownEnd = i;
  const int shownEndX = x;

  const bool showSelection = focused_ || (::GetWindowLongW(hwnd_, GWL_STYLE) & ES_NOHIDESEL);
  const size_t selStart = showSelection ? buffer_.SelectionStart() : 0;
  const size_t selEnd = showSelection ? buffer_.SelectionEnd() : 0;
  const bool enabled = ::IsWindowEnabled(hwnd_) != FALSE;
  const COLORREF paper = ::GetSysColor(COLOR_WINDOW);
  const COLORREF ink = ::GetSysColor(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT);
  const COLORREF markPaper = ::GetSysColor(COLOR_HIGHLIGHT);
  const COLORREF markInk = ::GetSysColor(COLOR_HIGHLIGHTTEXT);
  auto screenX = [&](int lineX) { return kMargin - xOffset_ + lineX; };

  // Up to three runs: before, inside and after the selection.
  const size_t cuts[] = {first, std::clamp(selStart, start + first, start + shownEnd) - start,
                         std::clamp(selEnd, start + first, start + shownEnd) - start, shownEnd};
  int runX = firstX;
  for (int run = 0; run < 3; ++run) {
    const size_t a = cuts[run];
    const size_t b = cuts[run + 1];
    if (b <= a) continue;
    int runWidth = 0;
    for (size_t k = a; k < b; ++k) runWidth += advances_[k - first];
    const bool marked = run == 1;
    ::SetBkColor(dc, marked ? markPaper : paper);
    ::SetTextColor(dc, marked ? markInk : ink);
    const RECT box{std::max(kMargin, screenX(runX)), top, screenX(runX + runWidth), bottom};
    ::ExtTextOutW(dc, screenX(runX), top, ETO_OPAQUE | ETO_CLIPPED, &box, glyphs_.data() + (a - first),
                  static_cast<UINT>(b - a), advances_.data() + (a - first));
    runX += runWidth;
  }

  // The rest of the row; a selected line end shows as a little mark of its own.
  int restLeft = std::max(kMargin, screenX(shownEndX));
  const bool breakMarked =
      line + 1 < buffer_.LineCount() && shownEnd == length && selStart <= start + length && selEnd > start + length;
  if (breakMarked) {
    const int markRight = screenX(shownEndX + averageWidth_);
    if (markRight > restLeft) FillSolid(dc, RECT{restLeft, top, markRight, bottom}, markPaper);
    restLeft = std::max(restLeft, markRight);
  }
  if (restLeft < right) FillSolid(dc, RECT{restLeft, top, right, bottom}, paper);
  FillSolid(dc, RECT{0, top, kMargin, bottom}, paper);
}

}  // namespace quorvel
