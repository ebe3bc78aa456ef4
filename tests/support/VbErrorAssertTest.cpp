#include "VbErrorAssert.h"

#include <gtest/gtest-spi.h>

#include <stdexcept>

namespace quorvel {
namespace {

void Raise(int number) { throw VbError(number); }

TEST(VbErrorAssert, PassesOnTheExpectedErrorOnly) {
  EXPECT_VB_ERROR(Raise(kErrFileNotFound), kErrFileNotFound);
  EXPECT_VB_ERROR_MSG(Raise(kErrPathNotFound), kErrPathNotFound, "Path not found");
  EXPECT_NONFATAL_FAILURE(EXPECT_VB_ERROR(Raise(kErrFileNotFound), kErrPathNotFound),
                          "raises error 53 (File not found), expected 76");
  EXPECT_NONFATAL_FAILURE(EXPECT_VB_ERROR_MSG(Raise(kErrOverflow), kErrOverflow, "Overflown"),
                          "described as \"Overflow\"");
}

TEST(VbErrorAssert, NamesTheStatementThatRaisedNothingOrSomethingElse) {
  int calls = 0;
  EXPECT_NONFATAL_FAILURE(EXPECT_VB_ERROR(++calls, kErrFileNotFound),
                          "++calls raises no error, expected 53");
  EXPECT_EQ(calls, 1);  // the statement runs once
  EXPECT_NONFATAL_FAILURE(EXPECT_VB_ERROR(throw std::runtime_error("boom"), kErrFileNotFound),
                          "throws \"boom\"");
  EXPECT_FATAL_FAILURE(ASSERT_VB_ERROR(Raise(kErrBadFileNameOrNumber), kErrFileNotFound), "raises error 52");
}

}  // namespace
}  // namespace quorvel
