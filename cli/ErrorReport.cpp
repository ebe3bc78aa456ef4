#include "ErrorReport.h"

#include <cstdio>
#include <new>

#include "Args.h"
#include "Files.h"
#include "Messages.h"
#include "VbError.h"
#include "Writer.h"

namespace quorvel::cli {

namespace {

std::string Line(const std::string& text) { return "quorvel-gen: " + text + "\n"; }

std::string ErrorText(int number) {
  return "error " + std::to_string(number) + ": " + std::string(VbErrorDescription(number));
}

}  // namespace

FailureReport DescribeFailure(std::exception_ptr failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const UsageError& e) {
    return {kExitUsage, Line(Shown(e.message) + " (try --help)")};
  } catch (const Refusal& e) {
    return {kExitUsage, Line(e.message)};
  } catch (const Stopped&) {
    return {kExitStopped, ""};
  } catch (const NamedError& e) {
    std::string text = e.subject.empty() ? "" : Subject(e.subject) + ": ";
    if (e.number != 0) {
      text += ErrorText(e.number);
      if (!e.detail.empty()) text += " (" + Shown(e.detail) + ")";
    } else {
      text += Shown(e.detail);
    }
    return {kExitFailure, Line(text)};
  } catch (const VbError& e) {
    return {kExitFailure, Line("error " + std::to_string(e.Number()) + ": " + e.Description())};
  } catch (const std::bad_alloc&) {
    return {kExitFailure, Line(ErrorText(kErrOutOfMemory))};
  } catch (const std::exception& e) {
    return {kExitFailure, Line(e.what())};
  }
}

int ReportFailure(std::exception_ptr failure) {
  const FailureReport report = DescribeFailure(std::move(failure));
  std::fputs(report.message.c_str(), stderr);
  return report.status;
}

}  // namespace quorvel::cli
