#include "MessageLoop.h"

#include <gtest/gtest.h>

#include <vector>

#include "Window.h"

namespace quorvel::win {
namespace {

constexpr UINT kCount = WM_APP + 1;    // counted by the window
constexpr UINT kFiltered = WM_APP + 2;  // taken by the test's filter
constexpr UINT kClose = WM_APP + 3;    // destroys the window

// A hidden window that counts what reaches it.
class Counter : public WindowBase<Counter> {
 public:
  Counter() {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    RegisterClassOnce(instance, L"QuorvelMessageLoopTest");
    ::CreateWindowExW(0, L"QuorvelMessageLoopTest", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, instance, this);
  }
  ~Counter() {
    if (hwnd_) ::DestroyWindow(hwnd_);
  }
  std::vector<UINT> heard;

 private:
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg >= kCount && msg <= kClose) heard.push_back(msg);
    if (msg == kClose) ::DestroyWindow(hwnd_);
    return DefaultProc(msg, wParam, lParam);
  }
};

// Leaves no WM_QUIT behind for the next test.
bool TakeQuit(WPARAM* code) {
  MSG msg;
  if (!::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) return false;
  *code = msg.wParam;
  return true;
}

TEST(MessageLoop, RunDispatchesUntilQuitAndTheFilterSeesEachMessageFirst) {
  Counter window;
  ASSERT_NE(window.hwnd(), nullptr);
  std::vector<UINT> seen;
  ::PostMessageW(window.hwnd(), kCount, 0, 0);
  ::PostMessageW(window.hwnd(), kFiltered, 0, 0);
  ::PostMessageW(window.hwnd(), kCount, 0, 0);
  ::PostQuitMessage(3);
  const int code = RunMessageLoop([&](MSG& msg) {
    if (msg.message >= kCount && msg.message <= kClose) seen.push_back(msg.message);
    return msg.message == kFiltered;
  });
  EXPECT_EQ(code, 3);
  EXPECT_EQ(seen, (std::vector<UINT>{kCount, kFiltered, kCount}));
  EXPECT_EQ(window.heard, (std::vector<UINT>{kCount, kCount}));
}

TEST(MessageLoop, PumpingDispatchesWhatWaitsAndPassesAQuitOn) {
  Counter window;
  ::PostMessageW(window.hwnd(), kCount, 0, 0);
  ::PostMessageW(window.hwnd(), kCount, 0, 0);
  EXPECT_TRUE(PumpPendingMessages());
  EXPECT_EQ(window.heard.size(), 2u);
  EXPECT_TRUE(PumpPendingMessages());  // nothing waits: returns at once

  ::PostMessageW(window.hwnd(), kCount, 0, 0);
  ::PostQuitMessage(9);
  EXPECT_FALSE(PumpPendingMessages());
  EXPECT_EQ(window.heard.size(), 3u);
  WPARAM code = 0;
  ASSERT_TRUE(TakeQuit(&code));  // posted again for the loop outside
  EXPECT_EQ(code, 9u);
}

TEST(MessageLoop, AModalLoopEndsWithItsWindowOrPassesAQuitOn) {
  {
    Counter window;
    ::PostMessageW(window.hwnd(), kCount, 0, 0);
    ::PostMessageW(window.hwnd(), kClose, 0, 0);
    EXPECT_TRUE(RunModalLoop(window.hwnd()));
    EXPECT_EQ(window.hwnd(), nullptr);
    EXPECT_EQ(window.heard, (std::vector<UINT>{kCount, kClose}));
    WPARAM code = 0;
    EXPECT_FALSE(TakeQuit(&code));
  }
  {
    Counter window;
    ::PostQuitMessage(5);
    EXPECT_FALSE(RunModalLoop(window.hwnd()));
    EXPECT_NE(window.hwnd(), nullptr);  // the owner of the loop decides what becomes of it
    WPARAM code = 0;
    ASSERT_TRUE(TakeQuit(&code));
    EXPECT_EQ(code, 5u);
  }
  EXPECT_TRUE(RunModalLoop(nullptr));  // no window: nothing to wait for
}

TEST(MessageLoop, DialogKeysAreTheFormsOnly) {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  // The form hidden, its controls not: a shown window takes seconds to go away under Wine.
  HWND form = ::CreateWindowExW(WS_EX_CONTROLPARENT, L"STATIC", L"form", WS_POPUP, 0, 0, 200, 100,
                                nullptr, nullptr, instance, nullptr);
  HWND first = ::CreateWindowExW(0, L"BUTTON", L"1", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 50, 20, form, nullptr,
                                 instance, nullptr);
  HWND second = ::CreateWindowExW(0, L"BUTTON", L"2", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 60, 0, 50, 20, form,
                                  nullptr, instance, nullptr);
  HWND other = ::CreateWindowExW(0, L"BUTTON", L"x", WS_POPUP | WS_TABSTOP, 0, 200, 50, 20, nullptr,
                                 nullptr, instance, nullptr);
  ::SetFocus(first);
  MSG tab{first, WM_KEYDOWN, VK_TAB, 0};
  EXPECT_TRUE(HandleDialogKeys(form, tab));
  EXPECT_EQ(::GetFocus(), second);
  MSG elsewhere{other, WM_KEYDOWN, VK_TAB, 0};
  EXPECT_FALSE(DialogKeysOf(form)(elsewhere));
  MSG noForm{first, WM_KEYDOWN, VK_TAB, 0};
  EXPECT_FALSE(HandleDialogKeys(nullptr, noForm));
  ::DestroyWindow(other);
  ::DestroyWindow(form);
}

}  // namespace
}  // namespace quorvel::win
