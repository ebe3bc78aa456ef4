#include "TextView.h"

#include <algorithm>

// Painting: the rows in sight, each in up to three runs around the selection.

namespace quorvel {
namespace {

void FillSolid(HDC dc, const RECT& r, COLORREF color) {
  ::SetBkColor(dc, color);
  ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

}  // namespace

void TextView::Paint(HDC dc, const RECT& area) {
  RECT client;
  ::GetClientRect(hwnd_, &client);
  win::ScopedSelectObject font(dc, CurrentFont());
  ::SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
  const int lineHeight = layout_.LineHeight();
  const int firstRow = std::max(0, static_cast<int>(area.top) / lineHeight);
  const int lastRow = std::max(firstRow, static_cast<int>(area.bottom - 1) / lineHeight);
  for (int row = firstRow; row <= lastRow; ++row) {
    const size_t line = topLine_ + static_cast<size_t>(row);
    const int top = row * lineHeight;
    if (line < buffer_.LineCount()) {
      PaintLine(dc, line, top, client.right);
    } else {
      FillSolid(dc, RECT{0, top, client.right, top + lineHeight}, ::GetSysColor(COLOR_WINDOW));
    }
  }
}

void TextView::PaintLine(HDC dc, size_t line, int top, int right) {
  constexpr int kMargin = TextLayout::kMargin;
  const size_t start = buffer_.LineStart(line);
  const size_t length = buffer_.LineLength(line);
  const int bottom = top + layout_.LineHeight();
  layout_.CharactersInSight(buffer_.Line(line), xOffset_, xOffset_ + right - kMargin, sight_);
  const size_t first = sight_.first;
  const size_t shownEnd = sight_.end;

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
  int runX = sight_.firstX;
  for (int run = 0; run < 3; ++run) {
    const size_t a = cuts[run];
    const size_t b = cuts[run + 1];
    if (b <= a) continue;
    int runWidth = 0;
    for (size_t k = a; k < b; ++k) runWidth += sight_.advances[k - first];
    const bool marked = run == 1;
    ::SetBkColor(dc, marked ? markPaper : paper);
    ::SetTextColor(dc, marked ? markInk : ink);
    const RECT box{std::max(kMargin, screenX(runX)), top, screenX(runX + runWidth), bottom};
    ::ExtTextOutW(dc, screenX(runX), top, ETO_OPAQUE | ETO_CLIPPED, &box, sight_.glyphs.data() + (a - first),
                  static_cast<UINT>(b - a), sight_.advances.data() + (a - first));
    runX += runWidth;
  }

  // The rest of the row; a selected line end shows as a little mark of its own.
  int restLeft = std::max(kMargin, screenX(sight_.endX));
  const bool breakMarked =
      line + 1 < buffer_.LineCount() && shownEnd == length && selStart <= start + length && selEnd > start + length;
  if (breakMarked) {
    const int markRight = screenX(sight_.endX + layout_.AverageWidth());
    if (markRight > restLeft) FillSolid(dc, RECT{restLeft, top, markRight, bottom}, markPaper);
    restLeft = std::max(restLeft, markRight);
  }
  if (restLeft < right) FillSolid(dc, RECT{restLeft, top, right, bottom}, paper);
  FillSolid(dc, RECT{0, top, kMargin, bottom}, paper);
}

}  // namespace quorvel
