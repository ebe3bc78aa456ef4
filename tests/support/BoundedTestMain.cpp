// main() of the Windows test programs: googletest with a bound on every test case. A case
// that waits for a window that never comes, or for a modal dialog nobody closes, ends the
// program with a message naming it after QUORVEL_TEST_CASE_SECONDS (30 by default; the
// slowest case takes about 7 s under Wine), long before ctest's own timeout. A fault ends the
// program with a message naming the case and a non-zero exit: under Wine a crashed program
// can otherwise end with 0, which ctest would count as passed.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Raii.h"

namespace {

class CaseBound final : public ::testing::EmptyTestEventListener {
 public:
  explicit CaseBound(DWORD seconds) : seconds_(seconds) {
    stop_.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    thread_.reset(::CreateThread(nullptr, 0, &CaseBound::Watch, this, 0, nullptr));
  }
  ~CaseBound() override {
    ::SetEvent(stop_.get());
    ::WaitForSingleObject(thread_.get(), 5000);
  }

  void OnTestStart(const ::testing::TestInfo& info) override {
    ::EnterCriticalSection(&lock_);
    name_ = std::string(info.test_suite_name()) + "." + info.name();
    ::LeaveCriticalSection(&lock_);
    deadline_ = ::GetTickCount64() + 1000ull * seconds_;
  }
  void OnTestEnd(const ::testing::TestInfo&) override { deadline_ = 0; }

 private:
  static DWORD WINAPI Watch(void* self) {
    auto* bound = static_cast<CaseBound*>(self);
    while (::WaitForSingleObject(bound->stop_.get(), 250) == WAIT_TIMEOUT) {
      const ULONGLONG deadline = bound->deadline_;
      if (deadline == 0 || ::GetTickCount64() < deadline) continue;
      ::EnterCriticalSection(&bound->lock_);
      std::fprintf(stderr, "\n[  TIMEOUT ] %s did not finish within %lu s: the test program stops here.\n",
                   bound->name_.c_str(), static_cast<unsigned long>(bound->seconds_));
      std::fflush(stdout);
      std::fflush(stderr);
      ::TerminateProcess(::GetCurrentProcess(), 124);
    }
    return 0;
  }

  struct Lock : CRITICAL_SECTION {
    Lock() { ::InitializeCriticalSection(this); }
    ~Lock() { ::DeleteCriticalSection(this); }
  } lock_;
  DWORD seconds_;
  std::atomic<ULONGLONG> deadline_{0};
  std::string name_;
  quorvel::win::Handle stop_;
  quorvel::win::Handle thread_;
};

// A fault nothing handled: say where and end with a failure, whatever the debugger would do.
LONG WINAPI ReportFault(EXCEPTION_POINTERS* fault) {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::fprintf(stderr, "\n[  FAULT   ] %s%s%s: exception %08lX at %p: the test program stops here.\n",
               info ? info->test_suite_name() : "", info ? "." : "", info ? info->name() : "(no case)",
               static_cast<unsigned long>(fault->ExceptionRecord->ExceptionCode),
               fault->ExceptionRecord->ExceptionAddress);
  std::fflush(stdout);
  std::fflush(stderr);
  ::TerminateProcess(::GetCurrentProcess(), 3);
  return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::SetUnhandledExceptionFilter(&ReportFault);
  DWORD seconds = 30;
  if (const char* text = std::getenv("QUORVEL_TEST_CASE_SECONDS")) {
    if (const long value = std::strtol(text, nullptr, 10); value > 0) seconds = static_cast<DWORD>(value);
  }
  // googletest owns the listener from here on.
  ::testing::UnitTest::GetInstance()->listeners().Append(new CaseBound(seconds));
  return RUN_ALL_TESTS();
}
