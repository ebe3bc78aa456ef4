#include "VbError.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

// The text a user reads for each named number: the number Visual Basic gives that error and
// its description, so a name bound to the wrong number shows here.
TEST(VbError, EachNamedNumberReadsAsVisualBasicReportsIt) {
  const struct {
    int number;
    const char* text;
  } cases[] = {
      {kErrInvalidProcedureCall, "Error 5 (Invalid procedure call or argument)"},
      {kErrOverflow, "Error 6 (Overflow)"},
      {kErrOutOfMemory, "Error 7 (Out of memory)"},
      {kErrSubscriptOutOfRange, "Error 9 (Subscript out of range)"},
      {kErrBadFileNameOrNumber, "Error 52 (Bad file name or number)"},
      {kErrFileNotFound, "Error 53 (File not found)"},
      {kErrFileAlreadyOpen, "Error 55 (File already open)"},
      {kErrDeviceIo, "Error 57 (Device I/O error)"},
      {kErrFileAlreadyExists, "Error 58 (File already exists)"},
      {kErrDiskFull, "Error 61 (Disk full)"},
      {kErrInputPastEndOfFile, "Error 62 (Input past end of file)"},
      {kErrTooManyFiles, "Error 67 (Too many files)"},
      {kErrDeviceUnavailable, "Error 68 (Device unavailable)"},
      {kErrPermissionDenied, "Error 70 (Permission denied)"},
      {kErrDiskNotReady, "Error 71 (Disk not ready)"},
      {kErrPathFileAccess, "Error 75 (Path/File access error)"},
      {kErrPathNotFound, "Error 76 (Path not found)"},
      {kErrCancel, "Error 32755 (Cancel was selected.)"},
  };
  for (const auto& c : cases) {
    const VbError e(c.number);
    EXPECT_STREQ(e.what(), c.text);
    EXPECT_EQ(e.Number(), c.number);
  }
}

TEST(VbError, NumbersRaisedWithTheirOwnTextKeepIt) {
  EXPECT_STREQ(VbError(kErrInternal, "bad_alloc").what(), "Error 51 (bad_alloc)");
  EXPECT_STREQ(VbError(kErrResourceNotFound, "Resource with identifier '7' not found").what(),
               "Error 326 (Resource with identifier '7' not found)");
  EXPECT_STREQ(VbError(kErrCommonDialogFailed, "Common dialog function failed").what(),
               "Error 32765 (Common dialog function failed)");
}

TEST(VbError, AnUnknownNumberIsApplicationDefined) {
  EXPECT_EQ(VbErrorDescription(1004), "Application-defined or object-defined error");
  EXPECT_EQ(VbError(0).Description(), "Application-defined or object-defined error");
}

TEST(VbError, ADetailFollowsTheStandardTextAndNamesItsSubject) {
  const VbError e = VbError::About(ErrorSubject::kDestination, kErrBadFileNameOrNumber, "the destination holds \"*\"");
  EXPECT_STREQ(e.what(), "Error 52 (Bad file name or number): the destination holds \"*\"");
  EXPECT_EQ(e.Description(), "Bad file name or number");
  EXPECT_EQ(e.Detail(), "the destination holds \"*\"");
  EXPECT_EQ(e.Subject(), ErrorSubject::kDestination);
  EXPECT_EQ(VbError(kErrFileNotFound).Subject(), ErrorSubject::kNone);
  EXPECT_TRUE(VbError(kErrFileNotFound).Detail().empty());
}

}  // namespace
}  // namespace quorvel
