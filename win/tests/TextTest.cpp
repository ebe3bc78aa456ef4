#include "Text.h"

#include <windows.h>
#include <gtest/gtest.h>

#include "VbErrorAssert.h"
#include "Win32Error.h"

namespace quorvel::win {
namespace {

TEST(Text, Utf8RoundTripsEveryPlaneAndEmptyText) {
  const std::wstring text = L"a\u00e9\u20ac\U0001F600\r\n\"";
  EXPECT_EQ(Utf8(text), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\r\n\"");
  EXPECT_EQ(Widen(Utf8(text)), text);
  EXPECT_EQ(Widen(""), L"");
  EXPECT_EQ(Utf8(L""), "");
  // Text with NULs inside keeps them.
  EXPECT_EQ(Widen(std::string_view("a\0b", 3)), std::wstring(L"a\0b", 3));
}

TEST(Text, InvalidUtf8AndCharactersTheCodePageLacksBecomeReplacements) {
  // A stray continuation byte becomes U+FFFD; the text around it stays.
  EXPECT_EQ(Widen("a\x80z"), L"a\uFFFDz");
  // A character the ANSI code page lacks becomes its default character.
  EXPECT_EQ(ToAnsi(L"x\u4E2Dy"), "x?y");
  if (::GetACP() == 1252) {
    EXPECT_EQ(ToAnsi(L"\u20ac x"), "\x80 x");
    EXPECT_EQ(FromAnsi("\x80"), L"\u20ac");
  }
}

TEST(Text, AnsiHoldsOnlyWhatTheCodePageWritesBackUnchanged) {
  if (::GetACP() != 1252) GTEST_SKIP() << "the cases are those of code page 1252";
  EXPECT_TRUE(AnsiHolds(U'A'));
  EXPECT_TRUE(AnsiHolds(U'\u00E9'));
  EXPECT_TRUE(AnsiHolds(U'\u2013'));    // en dash, 0x96
  EXPECT_TRUE(AnsiHolds(U'?'));         // the default character itself
  EXPECT_FALSE(AnsiHolds(U'\u221E'));   // infinity: best fit would write "8"
  EXPECT_FALSE(AnsiHolds(U'\u0100'));   // A with macron: best fit would write "A"
  EXPECT_FALSE(AnsiHolds(U'\u65E5'));
  EXPECT_FALSE(AnsiHolds(U'\U0001F600'));
  EXPECT_FALSE(AnsiHolds(0xD800));      // a lone surrogate is no character
}

TEST(Win32Error, WindowsErrorsBecomeTheRunTimeErrorsVisualBasicGives) {
  EXPECT_EQ(VbErrorNumberFromWin32(ERROR_FILE_NOT_FOUND), kErrFileNotFound);
  EXPECT_EQ(VbErrorNumberFromWin32(ERROR_PATH_NOT_FOUND), kErrPathNotFound);
  EXPECT_EQ(VbErrorNumberFromWin32(ERROR_ACCESS_DENIED), kErrPathFileAccess);
  EXPECT_EQ(VbErrorNumberFromWin32(ERROR_SHARING_VIOLATION), kErrPermissionDenied);
  EXPECT_EQ(VbErrorNumberFromWin32(ERROR_INVALID_NAME), kErrBadFileNameOrNumber);
  EXPECT_EQ(VbErrorNumberFromWin32(ERROR_NOT_SUPPORTED), kErrPathFileAccess);  // anything else
  EXPECT_VB_ERROR(ThrowWin32(ERROR_DISK_FULL), kErrDiskFull);
}

}  // namespace
}  // namespace quorvel::win
