#include "TextBuffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <string>
#include <utility>

namespace quorvel {
namespace {

void Append(TextBuffer& b, std::wstring_view text) { b.Replace(b.Length(), b.Length(), text); }

TextBuffer Holding(std::wstring_view text) {
  TextBuffer b;
  Append(b, text);
  return b;
}

TEST(TextBufferTest, KeepsTheTextExactlyThroughAppendReplaceAndTruncate) {
  const std::wstring mixed = L"Attribute VB_Name = \"moda\"\r\nlone LF\nlone CR\rcaf\u00e9 \u4e2d\r\n";
  TextBuffer b = Holding(mixed);
  EXPECT_EQ(b.Text(), mixed);
  EXPECT_EQ(b.LineCount(), 5u);

  // A CRLF split between two appends is one line end, not two.
  Append(b, L"Call WriteBytes(\"00\r");
  EXPECT_EQ(b.LineCount(), 6u);
  Append(b, L"\nEnd Sub");
  EXPECT_EQ(b.Text(), mixed + L"Call WriteBytes(\"00\r\nEnd Sub");
  EXPECT_EQ(b.LineCount(), 6u);
  EXPECT_EQ(b.Line(4), L"Call WriteBytes(\"00");

  const size_t mark = b.Length();
  Append(b, L"\r\nmore\r\n\r\n");
  EXPECT_EQ(b.LineCount(), 9u);
  b.Replace(mark, b.Length(), {});
  EXPECT_EQ(b.Text(), mixed + L"Call WriteBytes(\"00\r\nEnd Sub");
  EXPECT_EQ(b.LineCount(), 6u);

  // Removing the LF of a CRLF leaves a lone CR that still ends its line.
  b.Replace(4, 4, L"!");
  EXPECT_EQ(b.Text().substr(0, 6), L"Attr!i");
  const size_t lf = b.Text().find(L"\r\n") + 1;
  b.Replace(lf, lf + 1, {});
  EXPECT_EQ(b.LineCount(), 6u);

  b.Replace(0, b.Length(), {});
  EXPECT_EQ(b.Text(), L"");
  EXPECT_EQ(b.LineCount(), 1u);
}

TEST(TextBufferTest, IndexesLinesEndedByCrLfLoneLfOrLoneCr) {
  const struct {
    const wchar_t* text;
    size_t lines;
  } cases[] = {{L"", 1}, {L"a", 1}, {L"a\r\n", 2}, {L"a\r\nb", 2}, {L"a\rb\nc\r\nd", 4},
               {L"a\n\rb", 3}, {L"\r\n\r\n", 3}, {L"\r\r\n\n", 4}};
  for (const auto& c : cases) EXPECT_EQ(Holding(c.text).LineCount(), c.lines) << c.text;

  const TextBuffer b = Holding(L"one\r\ntwo\nthree");
  EXPECT_EQ(b.LineStart(1), 5u);
  EXPECT_EQ(b.LineStart(2), 9u);
  EXPECT_EQ(b.LineEnd(0), 3u);
  EXPECT_EQ(b.LineLength(1), 3u);
  EXPECT_EQ(b.Line(2), L"three");
  EXPECT_EQ(b.LineOf(4), 0u);  // the LF of a CRLF belongs to its line
  EXPECT_EQ(b.LineOf(9), 2u);
  EXPECT_EQ(b.LineOf(14), 2u);
  EXPECT_EQ(b.WidestLine(), 5u);
}

TEST(TextBufferTest, ReplaceReportsTheFirstLineItChanged) {
  TextBuffer b = Holding(L"aa\r\nbb\r\ncc\r");
  EXPECT_EQ(b.Replace(b.Length(), b.Length(), L"\n"), 2u);  // the CR's line: it is a CRLF now
  EXPECT_EQ(b.Replace(5, 6, L"X"), 1u);
  EXPECT_EQ(b.Replace(0, 0, L"new\r\n"), 0u);
  EXPECT_EQ(b.Text(), L"new\r\naa\r\nbX\r\ncc\r\n");
}

TEST(TextBufferTest, TheWidestLineFollowsGrowthAndRemoval) {
  TextBuffer b = Holding(L"ab\r\n");
  Append(b, L"abcdef");
  EXPECT_EQ(b.WidestLine(), 6u);
  Append(b, L"gh\r\nx");
  EXPECT_EQ(b.WidestLine(), 8u);
  b.Replace(4, 12, {});
  EXPECT_EQ(b.Text(), L"ab\r\n\r\nx");
  EXPECT_EQ(b.WidestLine(), 2u);
}

TEST(TextBufferTest, TheSelectionKeepsItsPlaceAroundAChange) {
  TextBuffer b = Holding(L"0123456789");
  EXPECT_TRUE(b.Select(7, 3));  // backwards: the lower one starts it
  EXPECT_EQ(b.SelectionStart(), 3u);
  EXPECT_EQ(b.SelectionEnd(), 7u);
  EXPECT_EQ(b.Selected(), L"3456");
  EXPECT_FALSE(b.Select(7, 3));
  EXPECT_TRUE(b.Select(4, 100));  // past the end: the end
  EXPECT_EQ(b.Caret(), 10u);

  b.Select(3, 7);
  b.Replace(0, 1, L"ab");  // before it: moves along
  EXPECT_EQ(std::make_pair(b.Anchor(), b.Caret()), std::make_pair(size_t{4}, size_t{8}));
  b.Replace(9, 10, L"");  // after it: stays
  EXPECT_EQ(std::make_pair(b.Anchor(), b.Caret()), std::make_pair(size_t{4}, size_t{8}));
  b.Replace(5, 6, L"xyz");  // inside it: the end moves with the text
  EXPECT_EQ(std::make_pair(b.Anchor(), b.Caret()), std::make_pair(size_t{4}, size_t{10}));
  b.Replace(2, 12, L"");  // around it: both go to the change
  EXPECT_EQ(std::make_pair(b.Anchor(), b.Caret()), std::make_pair(size_t{2}, size_t{2}));
}

TEST(TextBufferTest, StepsOverEveryKindOfLineEndAsOnePosition) {
  const TextBuffer b = Holding(L"ab\r\ncd\ne\rf");
  EXPECT_EQ(b.NextPosition(2), 4u);  // CRLF
  EXPECT_EQ(b.PreviousPosition(4), 2u);
  EXPECT_EQ(b.NextPosition(6), 7u);  // LF
  EXPECT_EQ(b.PreviousPosition(7), 6u);
  EXPECT_EQ(b.NextPosition(8), 9u);  // CR
  EXPECT_EQ(b.NextPosition(10), 10u);
  EXPECT_EQ(b.PreviousPosition(0), 0u);
  EXPECT_EQ(b.NextPosition(0), 1u);
}

TEST(TextBufferTest, AWordIsLettersDigitsAndUnderscoresWithinItsLine) {
  const TextBuffer b = Holding(L"Public Sub modx_Part1()\r\nEnd");
  EXPECT_EQ(b.WordAt(13), std::make_pair(size_t{11}, size_t{21}));  // "modx_Part1"
  EXPECT_EQ(b.WordAt(0), std::make_pair(size_t{0}, size_t{6}));
  EXPECT_EQ(b.WordAt(6), std::make_pair(size_t{6}, size_t{7}));    // a blank: itself
  EXPECT_EQ(b.WordAt(23), std::make_pair(size_t{23}, size_t{23}));  // the line's end: nothing
  EXPECT_EQ(b.WordAt(26), std::make_pair(size_t{25}, size_t{28}));
}

TEST(TextBufferTest, RoomThatCannotBeHadLeavesTheTextAsItWas) {
  TextBuffer b = Holding(L"kept\r\n");
  b.Select(1, 2);
  EXPECT_THROW(b.Reserve(TextBuffer::kMaxLength, 0), std::bad_alloc);  // past the 32-bit positions
  EXPECT_THROW(b.Reserve(0, SIZE_MAX / 2), std::bad_alloc);            // more lines than a vector holds
  // Line starts for 2^46 lines need 256 TiB, beyond any 64-bit address space; just under
  // 2 GiB in one piece is beyond a 32-bit one.
  constexpr size_t kLinesNoAddressSpaceHolds = sizeof(size_t) == 8 ? size_t(1) << 46 : 0x1FFFFFF0;
  EXPECT_THROW(b.Reserve(0, kLinesNoAddressSpaceHolds), std::bad_alloc);
  EXPECT_EQ(b.Text(), L"kept\r\n");
  EXPECT_EQ(b.LineCount(), 2u);
  EXPECT_EQ(b.Selected(), L"e");
  b.Reserve(1 << 20, 1 << 15);  // a megabyte's module is no trouble
  Append(b, L"more");
  EXPECT_EQ(b.Text(), L"kept\r\nmore");
}

}  // namespace
}  // namespace quorvel
