#pragma once
// Where the characters of a line stand in the output area, in pixels from the line's start:
// each character's advance width in the view's font, tab stops every eight average widths,
// column <-> x, the characters in sight and the width of the widest line. It knows no
// window: the widths come from a measuring function the view gives it.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

namespace quorvel {

// What the layout needs of the view's font.
struct FontMetrics {
  int lineHeight = 16;
  int averageWidth = 8;
  int maxCharWidth = 8;
  bool fixedPitch = true;
};

class TextLayout {
 public:
  static constexpr int kMargin = 2;  // pixels between the client edge and the text
  static constexpr int kTabColumns = 8;
  static constexpr size_t kBlock = 256;

  // Writes the advance widths of the kBlock characters from `first` (a multiple of kBlock)
  // in the view's font; false when it could not, and the average width stands in for them.
  using MeasureBlock = std::function<bool(unsigned first, int* widths)>;

  explicit TextLayout(MeasureBlock measure) : measure_(std::move(measure)) {}

  const FontMetrics& Metrics() const { return metrics_; }
  int LineHeight() const { return metrics_.lineHeight; }
  int AverageWidth() const { return metrics_.averageWidth; }
  // A font's figures (sizes below 1 count as 1, the widest character at least the average
  // one); the widths measured in the last font still hold.
  void SetMetrics(const FontMetrics& metrics);
  // Makes every width be measured again when next needed: the font has changed.
  void ForgetWidths();

  int CharWidth(wchar_t c) {
    if (widths_.empty()) ForgetWidths();
    const std::uint16_t width = widths_[static_cast<std::uint16_t>(c)];
    return width != kUnmeasured ? width : MeasureBlockOf(c);
  }
  // Width of a character that stands at `x` pixels from the line's start.
  int AdvanceAt(wchar_t c, int x) {
    if (c != L'\t') return CharWidth(c);
    const int stop = kTabColumns * metrics_.averageWidth;
    return stop - x % stop;
  }

  // Pixels from the line's start to its character `column`.
  int XOfColumn(std::wstring_view line, size_t column);
  // The column whose boundary is nearest to `x` pixels from the line's start.
  size_t ColumnAtX(std::wstring_view line, int x);

  // The characters of `line` that reach into the pixels [from, to): the first one reaching
  // past `from` and every one that starts before `to`, tabs shown as blanks.
  struct InSight {
    size_t first = 0;  // column of the first character in sight
    int firstX = 0;    // and where it starts
    size_t end = 0;    // column after the last one
    int endX = 0;      // and where that one ends
    std::vector<wchar_t> glyphs;
    std::vector<int> advances;
  };
  // Fills `out`, reusing its storage: it is called for every row painted.
  void CharactersInSight(std::wstring_view line, int from, int to, InSight& out);

  // Pixels from the left edge of the text to the right end of a line that many characters
  // long, about (widths are not measured for lines that may be millions of characters).
  int ContentWidth(size_t widestLine) const;
  // The row a y coordinate falls in, counted from the top row; above it negative.
  std::int64_t RowAt(int y) const;
  // The horizontal scroll offset that shows pixel `x` of a line in a view `clientWidth`
  // wide: unchanged when it is in sight, otherwise a jump of a quarter of the width rather
  // than a creep, as an edit control does.
  static int OffsetShowing(int x, int offset, int clientWidth);

 private:
  static constexpr std::uint16_t kUnmeasured = 0xFFFF;
  int MeasureBlockOf(wchar_t c);

  MeasureBlock measure_;
  FontMetrics metrics_;
  std::vector<std::uint16_t> widths_;  // per UTF-16 unit; kUnmeasured until measured
};

}  // namespace quorvel
