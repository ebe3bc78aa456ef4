#include "TextLayout.h"

#include <algorithm>
#include <climits>

namespace quorvel {

void TextLayout::SetMetrics(const FontMetrics& metrics) {
  metrics_.lineHeight = std::max(1, metrics.lineHeight);
  metrics_.averageWidth = std::max(1, metrics.averageWidth);
  metrics_.maxCharWidth = std::max(metrics_.averageWidth, metrics.maxCharWidth);
  metrics_.fixedPitch = metrics.fixedPitch;
}

void TextLayout::ForgetWidths() { widths_.assign(0x10000, kUnmeasured); }

int TextLayout::MeasureBlockOf(wchar_t c) {
  // A block at a time: the text's characters mostly come from a few blocks.
  const unsigned first = static_cast<std::uint16_t>(c) & ~static_cast<unsigned>(kBlock - 1);
  int measured[kBlock];
  const bool ok = measure_ && measure_(first, measured);
  for (size_t i = 0; i < kBlock; ++i)
    widths_[first + i] = static_cast<std::uint16_t>(std::clamp(ok ? measured[i] : metrics_.averageWidth, 0, 0x7FFF));
  return widths_[static_cast<std::uint16_t>(c)];
}

int TextLayout::XOfColumn(std::wstring_view line, size_t column) {
  column = std::min(column, line.size());
  int x = 0;
  for (size_t i = 0; i < column && x < INT_MAX / 2; ++i) x += AdvanceAt(line[i], x);
  return x;
}

size_t TextLayout::ColumnAtX(std::wstring_view line, int x) {
  int at = 0;
  for (size_t i = 0; i < line.size(); ++i) {
    const int w = AdvanceAt(line[i], at);
    if (x < at + (w + 1) / 2) return i;
    at += w;
  }
  return line.size();
}

void TextLayout::CharactersInSight(std::wstring_view line, int from, int to, InSight& out) {
  size_t i = 0;
  int x = 0;
  while (i < line.size()) {
    const int w = AdvanceAt(line[i], x);
    if (x + w > from) break;
    x += w;
    ++i;
  }
  out.first = i;
  out.firstX = x;
  out.glyphs.clear();
  out.advances.clear();
  while (i < line.size() && x < to) {
    const int w = AdvanceAt(line[i], x);
    out.glyphs.push_back(line[i] == L'\t' ? L' ' : line[i]);
    out.advances.push_back(w);
    x += w;
    ++i;
  }
  out.end = i;
  out.endX = x;
}

int TextLayout::ContentWidth(size_t widestLine) const {
  const int perChar =
      metrics_.fixedPitch ? metrics_.averageWidth : (metrics_.averageWidth + metrics_.maxCharWidth) / 2;
  const std::int64_t width =
      static_cast<std::int64_t>(widestLine) * perChar + 2 * kMargin + metrics_.averageWidth;
  return static_cast<int>(std::min<std::int64_t>(width, INT_MAX / 2));
}

std::int64_t TextLayout::RowAt(int y) const {
  const int h = metrics_.lineHeight;
  return y >= 0 ? y / h : -((-static_cast<std::int64_t>(y) + h - 1) / h);
}

int TextLayout::OffsetShowing(int x, int offset, int clientWidth) {
  const int textWidth = std::max(1, clientWidth - 2 * kMargin);
  if (x < offset) return std::max(0, x - textWidth / 4);
  if (x >= offset + textWidth) return x - textWidth + textWidth / 4;
  return offset;
}

}  // namespace quorvel
