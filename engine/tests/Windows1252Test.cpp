#include "Windows1252.h"

#include <gtest/gtest.h>

using namespace quorvel;

TEST(Windows1252, MapsLatinAndTheHighBlockAndReplacesTheRest) {
  EXPECT_EQ(ToWindows1252("abc\r\n"), "abc\r\n");
  EXPECT_EQ(ToWindows1252("caf\xC3\xA9"), "caf\xE9");
  EXPECT_EQ(ToWindows1252("\xE2\x82\xAC"), "\x80");      // euro sign
  EXPECT_EQ(ToWindows1252("\xE2\x80\x9C"), "\x93");      // left double quotation mark
  EXPECT_EQ(ToWindows1252("\xE4\xB8\xAD"), "?");         // CJK
  EXPECT_EQ(ToWindows1252("\xF0\x9F\x98\x80"), "?");     // outside the BMP
  EXPECT_EQ(ToWindows1252("\xFF" "a"), "?a");            // malformed byte
}

TEST(Windows1252, JoinsCharactersSplitBetweenPieces) {
  Windows1252Encoder encoder;
  std::string out;
  encoder.Encode("x\xE2\x82", out);
  encoder.Encode("\xAC" "y\xC3", out);
  encoder.Finish(out);
  EXPECT_EQ(out, "x\x80y?");
}

TEST(Windows1252, TurnsEveryByteOfMalformedUtf8IntoOneReplacement) {
  EXPECT_EQ(ToWindows1252("\xE0\x80\xA2"), "???");                     // overlong quote
  EXPECT_EQ(ToWindows1252("\xC0\xA2"), "??");                           // overlong quote, two bytes
  EXPECT_EQ(ToWindows1252("\xE0\x80\x8D\xE0\x80\x8A"), "??????");      // overlong CR LF
  EXPECT_EQ(ToWindows1252("\xF0\x80\x80\x80"), "????");                // overlong NUL
  EXPECT_EQ(ToWindows1252("\xED\xA0\x80"), "???");                     // surrogate
  EXPECT_EQ(ToWindows1252("\xF4\x90\x80\x80"), "????");                // past U+10FFFF
  EXPECT_EQ(ToWindows1252("ab\xE2X"), "ab?X");                          // truncated, then ASCII
  EXPECT_EQ(ToWindows1252("\xE2\x82"), "??");                           // truncated at the end
  EXPECT_EQ(ToWindows1252("\x80\x22\xC3\xA9"), "?\"\xE9");              // stray continuation byte
}

TEST(Windows1252, KeepsAsciiThatFollowsAnUnfinishedCharacterInTheNextPiece) {
  Windows1252Encoder encoder;
  std::string out;
  encoder.Encode("ab\xE2", out);
  EXPECT_TRUE(encoder.Pending());
  encoder.Encode("X\xF0\x9F\x98", out);
  encoder.Finish(out);
  EXPECT_EQ(out, "ab?X???");
}

TEST(Windows1252, TellsWhichCharactersItHolds) {
  EXPECT_TRUE(Windows1252Holds(U'A'));
  EXPECT_TRUE(Windows1252Holds(U'\u00E9'));
  EXPECT_TRUE(Windows1252Holds(U'\u2013'));   // en dash, 0x96
  EXPECT_FALSE(Windows1252Holds(U'\u0081'));  // a hole of the code page
  EXPECT_FALSE(Windows1252Holds(U'\u65E5'));
  EXPECT_FALSE(Windows1252Holds(U'\U0001F600'));
}

TEST(Windows1252, DecodesBackToUtf8) {
  EXPECT_EQ(FromWindows1252("caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC");
}
