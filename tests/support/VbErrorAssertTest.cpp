#include "VbErrorAssert.h"

#include <gtest/gtest-spi.h>

#include <stdexcept>

namespace quorvel {
namespace {

void Raise(int number) { throw VbError(number); }

TEST(VbErrorAssert, PassesOnTheExpectedErrorOnly) {
  EXPECT_VB_ERROR(Raise(53), 53);
  EXPECT_VB_ERROR_MSG(Raise(76), 76, "Path not found");
  EXPECT_NONFATAL_FAILURE(EXPECT_VB_ERROR(Raise(53), 76), "raises error 53 (File not found), expected 76");
  EXPECT_NONFATAL_FAILURE(EXPECT_VB_ERROR_MSG(Raise(6), 6, "Overflown"), "described as \"Overflow\"");
}

TEST(VbErrorAssert, NamesTheStatementThatRaisedNothingOrSomethingElse) {
  int calls = 0;
  EXPECT_NONFATAL_FAILURE(EXPECT_VB_ERROR(++calls, 53), "++calls raises no error, expected 53");
  EXPECT_EQ(calls, 1);  // the statement runs once
  EXPECT_NONFATAL_FAILURE(EXPECT_VB_ERROR(throw std::runtime_error("boom"), 53), "throws \"boom\"");
  EXPECT_FATAL_FAILURE(ASSERT_VB_ERROR(Raise(52), 53), "raises error 52");
}

}  // namespace
}  // namespace quorvel
