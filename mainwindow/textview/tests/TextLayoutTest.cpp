#include "TextLayout.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace quorvel {
namespace {

// A font where 'i' is 3 pixels wide, 'W' 11, U+4E2D 14, U+FDFD claims 100,000 and every other
// character is 7, as is the average; it counts the blocks it is asked to measure.
struct FakeFont {
  std::vector<unsigned> measured;
  bool fails = false;
  TextLayout Layout() {
    TextLayout layout([this](unsigned first, int* widths) {
      measured.push_back(first);
      if (fails) return false;
      for (unsigned i = 0; i < TextLayout::kBlock; ++i) {
        const unsigned c = first + i;
        widths[i] = c == L'i' ? 3 : c == L'W' ? 11 : c == 0x4E2D ? 14 : c == 0xFDFD ? 100'000 : 7;
      }
      return true;
    });
    layout.SetMetrics(FontMetrics{.lineHeight = 13, .averageWidth = 7, .maxCharWidth = 14, .fixedPitch = false});
    return layout;
  }
};

TEST(TextLayoutTest, MeasuresEachBlockOfCharactersOnceUntilTheFontChanges) {
  FakeFont font;
  TextLayout layout = font.Layout();
  EXPECT_EQ(layout.CharWidth(L'i'), 3);
  EXPECT_EQ(layout.CharWidth(L'W'), 11);
  EXPECT_EQ(layout.CharWidth(L'a'), 7);
  EXPECT_EQ(layout.CharWidth(L'\u4e2d'), 14);
  EXPECT_EQ(layout.CharWidth(L'\u4e00'), 7);
  EXPECT_EQ(font.measured, (std::vector<unsigned>{0x0000, 0x4E00}));

  layout.ForgetWidths();
  EXPECT_EQ(layout.CharWidth(L'i'), 3);
  EXPECT_EQ(font.measured.size(), 3u);
}

TEST(TextLayoutTest, CharactersItCannotMeasureTakeTheAverageWidth) {
  FakeFont font;
  font.fails = true;
  TextLayout layout = font.Layout();
  EXPECT_EQ(layout.CharWidth(L'W'), 7);
  EXPECT_EQ(layout.CharWidth(L'i'), 7);
  EXPECT_EQ(font.measured.size(), 1u);  // and does not keep asking
}

TEST(TextLayoutTest, FontFiguresBelowOnePixelCountAsOne) {
  FakeFont font;
  TextLayout layout = font.Layout();
  layout.SetMetrics(FontMetrics{.lineHeight = 0, .averageWidth = -3, .maxCharWidth = 0, .fixedPitch = true});
  EXPECT_EQ(layout.LineHeight(), 1);
  EXPECT_EQ(layout.AverageWidth(), 1);
  EXPECT_EQ(layout.Metrics().maxCharWidth, 1);
  EXPECT_EQ(layout.RowAt(5), 5);
}

TEST(TextLayoutTest, ATabReachesTheNextStopOfEightAverageWidths) {
  FakeFont font;
  TextLayout layout = font.Layout();
  EXPECT_EQ(layout.AdvanceAt(L'\t', 0), 56);
  EXPECT_EQ(layout.AdvanceAt(L'\t', 3), 53);
  EXPECT_EQ(layout.AdvanceAt(L'\t', 55), 1);
  EXPECT_EQ(layout.AdvanceAt(L'\t', 56), 56);
  const std::wstring line = L"i\tWa\t\tx";
  EXPECT_EQ(layout.XOfColumn(line, 1), 3);
  EXPECT_EQ(layout.XOfColumn(line, 2), 56);
  EXPECT_EQ(layout.XOfColumn(line, 4), 74);
  EXPECT_EQ(layout.XOfColumn(line, 5), 112);
  EXPECT_EQ(layout.XOfColumn(line, 6), 168);
  EXPECT_EQ(layout.XOfColumn(line, 7), 175);
  EXPECT_EQ(layout.XOfColumn(line, 99), 175);  // past the end: the end
}

TEST(TextLayoutTest, APointFallsToTheNearestCharacterBoundary) {
  FakeFont font;
  TextLayout layout = font.Layout();
  const std::wstring line = L"iWa";  // boundaries at 0, 3, 14, 21
  const struct {
    int x;
    size_t column;
  } cases[] = {{-40, 0}, {0, 0}, {1, 0}, {2, 1}, {8, 1}, {9, 2}, {17, 2}, {18, 3}, {500, 3}};
  for (const auto& c : cases) EXPECT_EQ(layout.ColumnAtX(line, c.x), c.column) << "x " << c.x;
  for (size_t column = 0; column <= line.size(); ++column)
    EXPECT_EQ(layout.ColumnAtX(line, layout.XOfColumn(line, column)), column);
  EXPECT_EQ(layout.ColumnAtX(L"", 30), 0u);
}

TEST(TextLayoutTest, AVeryLongLineStopsCountingBeforeItsPixelsOverflow) {
  FakeFont font;
  TextLayout layout = font.Layout();
  EXPECT_EQ(layout.CharWidth(L'\ufdfd'), 0x7FFF);  // a width is held in 15 bits
  const std::wstring line(100'000, L'\ufdfd');     // far more pixels than an int holds
  const int x = layout.XOfColumn(line, line.size());
  EXPECT_GE(x, INT_MAX / 2);
  EXPECT_LE(x, INT_MAX / 2 + 0x7FFF);
}

TEST(TextLayoutTest, OnlyTheCharactersReachingIntoSightArePainted) {
  FakeFont font;
  TextLayout layout = font.Layout();
  const std::wstring line = L"iWa\tbcd";  // boundaries 0, 3, 14, 21, 56, 63, 70, 77
  TextLayout::InSight sight;
  layout.CharactersInSight(line, 10, 60, sight);
  EXPECT_EQ(sight.first, 1u);  // 'W' reaches from 3 to 14, past 10
  EXPECT_EQ(sight.firstX, 3);
  EXPECT_EQ(sight.end, 5u);  // 'b' starts at 56, before 60
  EXPECT_EQ(sight.endX, 63);
  EXPECT_EQ(std::wstring(sight.glyphs.begin(), sight.glyphs.end()), L"Wa b");  // the tab as a blank
  EXPECT_EQ(sight.advances, (std::vector<int>{11, 7, 35, 7}));

  layout.CharactersInSight(line, 14, 14, sight);  // nothing wide: nothing shown
  EXPECT_EQ(sight.first, 2u);
  EXPECT_EQ(sight.end, 2u);
  EXPECT_TRUE(sight.glyphs.empty());
  layout.CharactersInSight(line, 500, 600, sight);  // scrolled past the line's end
  EXPECT_EQ(sight.first, line.size());
  EXPECT_EQ(sight.endX, 77);
  EXPECT_TRUE(sight.advances.empty());
}

TEST(TextLayoutTest, TheContentIsAsWideAsTheWidestLineAboutAndNeverOverflows) {
  FakeFont font;
  TextLayout layout = font.Layout();
  // A proportional font counts the mean of the average and the widest character.
  EXPECT_EQ(layout.ContentWidth(0), 2 * TextLayout::kMargin + 7);
  EXPECT_EQ(layout.ContentWidth(100), 100 * 10 + 2 * TextLayout::kMargin + 7);
  layout.SetMetrics(FontMetrics{.lineHeight = 13, .averageWidth = 7, .maxCharWidth = 14, .fixedPitch = true});
  EXPECT_EQ(layout.ContentWidth(100), 100 * 7 + 2 * TextLayout::kMargin + 7);
  EXPECT_EQ(layout.ContentWidth(0x7FFFFFFE), INT_MAX / 2);  // a line as long as a text can be
}

TEST(TextLayoutTest, RowsAboveTheTopCountNegative) {
  FakeFont font;
  TextLayout layout = font.Layout();
  EXPECT_EQ(layout.RowAt(0), 0);
  EXPECT_EQ(layout.RowAt(12), 0);
  EXPECT_EQ(layout.RowAt(13), 1);
  EXPECT_EQ(layout.RowAt(-1), -1);
  EXPECT_EQ(layout.RowAt(-13), -1);
  EXPECT_EQ(layout.RowAt(-14), -2);
}

TEST(TextLayoutTest, TheViewJumpsAQuarterOfItsWidthToShowAPointOutOfSight) {
  // A view 404 pixels wide shows 400 pixels of text; a quarter of that is 100.
  EXPECT_EQ(TextLayout::OffsetShowing(250, 0, 404), 0);     // in sight: stays
  EXPECT_EQ(TextLayout::OffsetShowing(399, 0, 404), 0);
  EXPECT_EQ(TextLayout::OffsetShowing(400, 0, 404), 100);   // just past the right edge
  EXPECT_EQ(TextLayout::OffsetShowing(1000, 0, 404), 700);  // far right: a quarter in from the edge
  EXPECT_EQ(TextLayout::OffsetShowing(650, 700, 404), 550);  // left of the view: a quarter in
  EXPECT_EQ(TextLayout::OffsetShowing(30, 700, 404), 0);     // never before the start
}

}  // namespace
}  // namespace quorvel
