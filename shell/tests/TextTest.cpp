#include "Text.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace quorvel {
namespace {

TEST(Text, AnsiHoldsOnlyWhatTheCodePageWritesBackUnchanged) {
  if (::GetACP() != 1252) GTEST_SKIP() << "the cases are those of code page 1252";
  EXPECT_TRUE(win::AnsiHolds(U'A'));
  EXPECT_TRUE(win::AnsiHolds(U'\u00E9'));
  EXPECT_TRUE(win::AnsiHolds(U'\u2013'));    // en dash, 0x96
  EXPECT_TRUE(win::AnsiHolds(U'?'));         // the default character itself
  EXPECT_FALSE(win::AnsiHolds(U'\u221E'));   // infinity: best fit would write "8"
  EXPECT_FALSE(win::AnsiHolds(U'\u0100'));   // A with macron: best fit would write "A"
  EXPECT_FALSE(win::AnsiHolds(U'\u65E5'));
  EXPECT_FALSE(win::AnsiHolds(U'\U0001F600'));
  EXPECT_FALSE(win::AnsiHolds(0xD800));      // a lone surrogate is no character
}

}  // namespace
}  // namespace quorvel
