// What quorvel-gen says, and the exit status it returns, when a failure ends it.
#pragma once
#include <exception>
#include <string>

namespace quorvel::cli {

inline constexpr int kExitFailure = 1;  // a VB run-time error, a failed check
inline constexpr int kExitUsage = 2;    // a usage error, a run refused as a whole
inline constexpr int kExitStopped = 130;

struct FailureReport {
  int status;
  std::string message;  // one line, "quorvel-gen: ..." and a line break; empty: nothing said
};

// The report of what `failure` holds: UsageError, Refusal, Stopped (Ctrl+C), NamedError,
// VbError, std::bad_alloc (error 7) or another std::exception. Anything else is thrown again.
FailureReport DescribeFailure(std::exception_ptr failure);

// Says the report on standard error and returns its status.
int ReportFailure(std::exception_ptr failure);

}  // namespace quorvel::cli
