// What quorvel-gen shows while it works and when it fails.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "Args.h"
#include "ErrorReport.h"
#include "Files.h"
#include "ProgressBar.h"
#include "VbError.h"
#include "Writer.h"

namespace quorvel::cli::test {
namespace {

TEST(ProgressBar, RedrawsOnlyWhenThePercentageChangesAndEndsTheLineAtTheEnd) {
  std::vector<std::string> shown;
  ProgressBar bar([&](std::string_view text) { shown.emplace_back(text); });
  bar.Converted(1, 1000);   // 0 %
  bar.Converted(5, 1000);   // still 0 %
  bar.Converted(500, 1000);
  bar.Converted(1000, 1000);
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0], "\r[" + std::string(40, ' ') + "]   0%");
  EXPECT_EQ(shown[1], "\r[" + std::string(20, '#') + std::string(20, ' ') + "]  50%");
  EXPECT_EQ(shown[2], "\r[" + std::string(40, '#') + "] 100%\n");
}

FailureReport Of(auto failure) { return DescribeFailure(std::make_exception_ptr(failure)); }

TEST(DescribeFailure, EachKindOfFailureHasItsExitStatusAndOneLine) {
  const struct {
    FailureReport report;
    int status;
    std::string message;
  } cases[] = {
      {Of(UsageError{"unknown option --x"}), 2, "quorvel-gen: unknown option --x (try --help)\n"},
      {Of(Refusal{"will not write a: it is the same file as b"}), 2,
       "quorvel-gen: will not write a: it is the same file as b\n"},
      {Of(Stopped{}), 130, ""},
      {Of(NamedError{"nodir/a.b", kErrPathNotFound, ""}), 1, "quorvel-gen: nodir/a.b: error 76: Path not found\n"},
      {Of(NamedError{"-", kErrOverflow, "too long"}), 1, "quorvel-gen: standard input: error 6: Overflow (too long)\n"},
      {Of(NamedError{"", kErrTooManyFiles, "this program has too many open files"}), 1,
       "quorvel-gen: error 67: Too many files (this program has too many open files)\n"},
      {Of(NamedError{"m.bas", 0, "verify failed: line 6: not a capital hex digit"}), 1,
       "quorvel-gen: m.bas: verify failed: line 6: not a capital hex digit\n"},
      {Of(VbError(kErrDiskFull)), 1, "quorvel-gen: error 61: Disk full\n"},
      {Of(std::bad_alloc()), 1, "quorvel-gen: error 7: Out of memory\n"},
      {Of(std::runtime_error("odd")), 1, "quorvel-gen: odd\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.report.status, c.status) << c.message;
    EXPECT_EQ(c.report.message, c.message);
  }
}

TEST(DescribeFailure, NamesAndDetailsReachTheTerminalEscaped) {
  EXPECT_EQ(Of(NamedError{"a\nb\xE2\x80\xAE.bin", kErrFileNotFound, ""}).message,
            "quorvel-gen: a\\nb\\u202E.bin: error 53: File not found\n");
  // Characters that show nothing would hide a part of a name: "a.bin" could stand for "a\u200B.bin".
  EXPECT_EQ(Of(NamedError{"\xEF\xBB\xBF" "a\xE2\x80\x8B.bin\xC2\xAD", kErrFileNotFound, ""}).message,
            "quorvel-gen: \\uFEFFa\\u200B.bin\\u00AD: error 53: File not found\n");
  EXPECT_EQ(Of(UsageError{"a\x1B[2J names no file"}).message, "quorvel-gen: a\\x1B[2J names no file (try --help)\n");
}

}  // namespace
}  // namespace quorvel::cli::test
