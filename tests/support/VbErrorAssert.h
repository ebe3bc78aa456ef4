#pragma once
// EXPECT_VB_ERROR(statement, number): the statement raises the run-time error `number`.
// EXPECT_VB_ERROR_MSG(statement, number, description): the same, with that description.
// (ASSERT_ forms stop the test.) A failure names the statement and what it did instead:
// another error, another exception, or nothing.
#include <gtest/gtest.h>

#include <exception>
#include <string>

#include "VbError.h"

namespace quorvel::testing {

template <typename Action>
::testing::AssertionResult RaisesVbError(Action&& action, const char* statement, int number,
                                         const char* description) {
  try {
    action();
  } catch (const VbError& e) {
    if (e.Number() != number) {
      return ::testing::AssertionFailure() << statement << " raises error " << e.Number() << " (" << e.Description()
                                           << "), expected " << number;
    }
    if (description && e.Description() != description) {
      return ::testing::AssertionFailure() << statement << " raises error " << number << " described as \""
                                           << e.Description() << "\", expected \"" << description << "\"";
    }
    return ::testing::AssertionSuccess();
  } catch (const std::exception& e) {
    return ::testing::AssertionFailure() << statement << " throws \"" << e.what() << "\", expected run-time error "
                                         << number;
  } catch (...) {
    return ::testing::AssertionFailure() << statement << " throws something unknown, expected run-time error "
                                         << number;
  }
  return ::testing::AssertionFailure() << statement << " raises no error, expected " << number;
}

}  // namespace quorvel::testing

#define QUORVEL_TEST_VB_ERROR_(statement, number, description, fail)                                     \
  GTEST_AMBIGUOUS_ELSE_BLOCKER_                                                                          \
  if (const ::testing::AssertionResult quorvel_vb_result =                                               \
          ::quorvel::testing::RaisesVbError([&] { statement; }, #statement, (number), (description)))    \
    ;                                                                                                    \
  else                                                                                                   \
    fail(quorvel_vb_result.failure_message())

#define EXPECT_VB_ERROR(statement, number) \
  QUORVEL_TEST_VB_ERROR_(statement, number, nullptr, GTEST_NONFATAL_FAILURE_)
#define ASSERT_VB_ERROR(statement, number) QUORVEL_TEST_VB_ERROR_(statement, number, nullptr, GTEST_FATAL_FAILURE_)
#define EXPECT_VB_ERROR_MSG(statement, number, description) \
  QUORVEL_TEST_VB_ERROR_(statement, number, description, GTEST_NONFATAL_FAILURE_)
