#include "TextView.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

// The lines and the part of them in sight, the scroll bars that tell it, and the caret.

namespace quorvel {

int TextView::VisibleLines() const {
  RECT client;
  ::GetClientRect(hwnd_, &client);
  return std::max(1, static_cast<int>(client.bottom) / layout_.LineHeight());
}

void TextView::UpdateScrollBars() {
  RECT client;
  ::GetClientRect(hwnd_, &client);
  const size_t page = static_cast<size_t>(VisibleLines());
  const size_t lines = buffer_.LineCount();
  topLine_ = std::min(topLine_, lines > page ? lines - page : 0);
  const int width = layout_.ContentWidth(buffer_.WidestLine());
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
  const int widest = layout_.ContentWidth(buffer_.WidestLine());
  x = std::clamp<std::int64_t>(x, 0, std::max(0, widest - static_cast<int>(client.right)));
  const std::int64_t dy = (static_cast<std::int64_t>(topLine_) - line) * layout_.LineHeight();
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

void TextView::OnScroll(int bar, int code) {
  RECT client;
  ::GetClientRect(hwnd_, &client);
  const bool vertical = bar == SB_VERT;
  // Along the lines a step is a line and a page all the lines in sight but one; across them
  // a step is an average character and a page the width of the view.
  const std::int64_t at = vertical ? static_cast<std::int64_t>(topLine_) : xOffset_;
  const std::int64_t step = vertical ? 1 : layout_.AverageWidth();
  const std::int64_t page = vertical ? std::max(1, VisibleLines() - 1) : client.right;
  const std::int64_t end = vertical ? static_cast<std::int64_t>(buffer_.LineCount()) : INT_MAX;
  std::int64_t to = at;
  switch (code) {  // the SB_LINELEFT ... codes of the horizontal bar are the same numbers
    case SB_LINEUP: to -= step; break;
    case SB_LINEDOWN: to += step; break;
    case SB_PAGEUP: to -= page; break;
    case SB_PAGEDOWN: to += page; break;
    case SB_TOP: to = 0; break;
    case SB_BOTTOM: to = end; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
      // The 16 bits of the message are too few for a long text; the bar knows the whole value.
      SCROLLINFO si{sizeof(si), SIF_TRACKPOS};
      if (::GetScrollInfo(hwnd_, bar, &si)) to = si.nTrackPos;
      break;
    }
    default: return;
  }
  if (vertical) ScrollTo(to, xOffset_);
  else ScrollTo(static_cast<std::int64_t>(topLine_), to);
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

void TextView::ScrollCaretIntoView() {
  RECT client;
  ::GetClientRect(hwnd_, &client);
  const size_t line = buffer_.LineOf(buffer_.Caret());
  const auto page = static_cast<size_t>(VisibleLines());
  size_t top = topLine_;
  if (line < top) top = line;
  else if (line >= top + page) top = line - page + 1;
  const int x = XOfPosition(buffer_.Caret());
  ScrollTo(static_cast<std::int64_t>(top), TextLayout::OffsetShowing(x, xOffset_, client.right));
  UpdateScrollBars();
  PlaceCaret();
}

void TextView::PlaceCaret() {
  if (!focused_) return;
  const size_t line = buffer_.LineOf(buffer_.Caret());
  const auto rows = static_cast<std::int64_t>(line) - static_cast<std::int64_t>(topLine_);
  RECT client;
  ::GetClientRect(hwnd_, &client);
  if (rows < 0 || rows * layout_.LineHeight() > client.bottom) {
    ::SetCaretPos(-100, -100);  // out of sight
    return;
  }
  ::SetCaretPos(TextLayout::kMargin - xOffset_ + XOfPosition(buffer_.Caret()),
                static_cast<int>(rows) * layout_.LineHeight());
}

int TextView::XOfPosition(size_t position) {
  // Counted through the rest of the text: a caret between the CR and the LF of a line end
  // stands after the CR.
  const size_t start = buffer_.LineStart(buffer_.LineOf(position));
  return layout_.XOfColumn(buffer_.Text().substr(start), position - start);
}

void TextView::InvalidateLines(size_t first, size_t last) {
  if (!::IsWindowVisible(hwnd_)) return;
  const size_t page = static_cast<size_t>(VisibleLines()) + 1;
  if (last < topLine_ || first > topLine_ + page) return;
  RECT r;
  ::GetClientRect(hwnd_, &r);
  const size_t from = std::max(first, topLine_);
  const size_t to = std::min(last, topLine_ + page);
  const auto height = static_cast<size_t>(layout_.LineHeight());
  r.top = static_cast<LONG>((from - topLine_) * height);
  r.bottom = static_cast<LONG>((to - topLine_ + 1) * height);
  ::InvalidateRect(hwnd_, &r, FALSE);
}

}  // namespace quorvel
