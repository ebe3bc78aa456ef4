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

TEST(Windows1252, DecodesBackToUtf8) {
  EXPECT_EQ(FromWindows1252("caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC");
}
