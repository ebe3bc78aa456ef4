#pragma once
// For tests of modal windows: acts on a window once the loop that shows it is running, and
// closes what a failing test would leave open.
#include <windows.h>

#include <functional>
#include <utility>

namespace quorvel::testing {

// Runs `action` once on the first shown window of `className`, from a thread timer that the
// running message loop (a modal window's, for one) dispatches. One at a time.
class WhenWindowShown {
 public:
  WhenWindowShown(const wchar_t* className, std::function<void(HWND)> action) {
    State() = {className, std::move(action), false};
    timer_ = ::SetTimer(nullptr, 0, 10, &Tick);
  }
  ~WhenWindowShown() {
    if (timer_) ::KillTimer(nullptr, timer_);
    State() = {};
  }
  WhenWindowShown(const WhenWindowShown&) = delete;
  WhenWindowShown& operator=(const WhenWindowShown&) = delete;

  bool Ran() const { return State().ran; }

 private:
  struct Watch {
    const wchar_t* className = nullptr;
    std::function<void(HWND)> action;
    bool ran = false;
  };
  static Watch& State() {
    static Watch watch;
    return watch;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    Watch& watch = State();
    if (watch.ran || !watch.className) return;
    HWND window = ::FindWindowW(watch.className, nullptr);
    if (!window || !::IsWindowVisible(window)) return;
    watch.ran = true;
    watch.action(window);
  }

  UINT_PTR timer_ = 0;
};

// Ends a test that would otherwise wait for a person: after 10 s posts WM_CLOSE to the window
// of `className` and sets `fired`, for the test to fail on.
class Watchdog {
 public:
  explicit Watchdog(const wchar_t* className) : timer_(::SetTimer(nullptr, 0, 10000, &Fire)) {
    ClassName() = className;
    fired = false;
  }
  ~Watchdog() { ::KillTimer(nullptr, timer_); }
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;
  static inline bool fired = false;

 private:
  static const wchar_t*& ClassName() {
    static const wchar_t* name = nullptr;
    return name;
  }
  static void CALLBACK Fire(HWND, UINT, UINT_PTR, DWORD) {
    fired = true;
    if (HWND w = ::FindWindowW(ClassName(), nullptr)) ::PostMessageW(w, WM_CLOSE, 0, 0);
  }
  UINT_PTR timer_;
};

}  // namespace quorvel::testing
