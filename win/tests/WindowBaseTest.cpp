#include "Window.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

namespace quorvel::win {
namespace {

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

LRESULT CALLBACK OldProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}
LRESULT CALLBACK NewProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

TEST(WindowClass, RegistersWithTheGivenStyleCursorExtraBytesAndBackground) {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  ClassStyle style;
  style.style = CS_HREDRAW | CS_VREDRAW;
  style.cursor = IDC_IBEAM;
  style.extraBytes = 2 * sizeof(LONG_PTR);
  style.background = nullptr;
  ASSERT_TRUE(RegisterWindowClass(instance, L"QuorvelWindowTestStyled", NewProc, style));
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  ASSERT_TRUE(::GetClassInfoExW(instance, L"QuorvelWindowTestStyled", &wc));
  EXPECT_EQ(wc.style, static_cast<UINT>(CS_HREDRAW | CS_VREDRAW));
  EXPECT_EQ(wc.hCursor, ::LoadCursorW(nullptr, IDC_IBEAM));
  EXPECT_EQ(wc.cbWndExtra, static_cast<int>(2 * sizeof(LONG_PTR)));
  EXPECT_EQ(wc.hbrBackground, nullptr);
  // Registering again is no failure.
  EXPECT_TRUE(RegisterWindowClass(instance, L"QuorvelWindowTestStyled", NewProc, style));
}

TEST(WindowClass, AClassLeftWithAnotherProcedureIsRegisteredAnew) {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  ASSERT_TRUE(RegisterWindowClass(instance, L"QuorvelWindowTestReloaded", OldProc, ClassStyle{}));
  ASSERT_TRUE(RegisterWindowClass(instance, L"QuorvelWindowTestReloaded", NewProc, ClassStyle{}));
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  ASSERT_TRUE(::GetClassInfoExW(instance, L"QuorvelWindowTestReloaded", &wc));
  EXPECT_EQ(wc.lpfnWndProc, NewProc);
}

// A window made by its owner with every hook but HandleMessage, all private and without a
// friend line: what it hears is recorded.
class Hooked : public WindowBase<Hooked> {
 public:
  // Hidden unless a test paints: a shown window takes seconds to go away under Wine without a
  // window manager.
  bool Create(DWORD visible = 0) {
    if (!RegisterClassOnce(::GetModuleHandleW(nullptr), L"QuorvelWindowTestHooked")) return false;
    return ::CreateWindowExW(0, L"QuorvelWindowTestHooked", L"hooked", WS_POPUP | visible, 0, 0, 40, 30, nullptr,
                             nullptr, ::GetModuleHandleW(nullptr), this) != nullptr;
  }
  ~Hooked() {
    if (hwnd_) ::DestroyWindow(hwnd_);
  }
  int created = 0;
  bool hadWindowAtCreate = false;
  std::vector<std::pair<int, int>> commands;
  int paints = 0;
  RECT painted{};
  int destroyed = 0;
  bool hadWindowAtDestroy = false;

 private:
  bool OnCreate(const CREATESTRUCTW&) override {
    ++created;
    hadWindowAtCreate = hwnd_ != nullptr;
    return true;
  }
  void OnCommand(int id, int code) override { commands.emplace_back(id, code); }
  void OnPaint(HDC dc, PAINTSTRUCT* ps) override {
    EXPECT_EQ(dc, ps->hdc);
    painted = ps->rcPaint;
    ++paints;
  }
  void OnDestroy() override {
    ++destroyed;
    hadWindowAtDestroy = ::IsWindow(hwnd_) != FALSE;
  }
};

TEST(WindowBase, HooksHearTheirMessagesAndTheRestGoesToTheDefaultProcedure) {
  Hooked window;
  ASSERT_TRUE(window.Create());
  EXPECT_EQ(window.created, 1);
  EXPECT_TRUE(window.hadWindowAtCreate);

  EXPECT_EQ(::SendMessageW(window.hwnd(), WM_COMMAND, MAKEWPARAM(1004, BN_CLICKED), 0), 0);
  EXPECT_EQ(::SendMessageW(window.hwnd(), WM_COMMAND, MAKEWPARAM(7, EN_KILLFOCUS), 0), 0);
  EXPECT_EQ(window.commands, (std::vector<std::pair<int, int>>{{1004, BN_CLICKED}, {7, EN_KILLFOCUS}}));
  // Without HandleMessage, everything else is the default's: the caption answers WM_GETTEXT.
  wchar_t caption[16] = {};
  EXPECT_EQ(::SendMessageW(window.hwnd(), WM_GETTEXT, 16, reinterpret_cast<LPARAM>(caption)), 6);
  EXPECT_STREQ(caption, L"hooked");

  HWND hwnd = window.hwnd();
  ::DestroyWindow(hwnd);
  EXPECT_EQ(window.destroyed, 1);
  EXPECT_TRUE(window.hadWindowAtDestroy);
  EXPECT_EQ(window.hwnd(), nullptr);
}

TEST(WindowBase, PaintGoesToOnPaintInsideTheBracket) {
  Hooked window;
  ASSERT_TRUE(window.Create(WS_VISIBLE));
  ::UpdateWindow(window.hwnd());  // the first paint covers the whole window
  window.paints = 0;
  RECT part{5, 6, 20, 25};
  ::InvalidateRect(window.hwnd(), &part, FALSE);
  ::UpdateWindow(window.hwnd());
  EXPECT_EQ(window.paints, 1);
  EXPECT_TRUE(SameRect(window.painted, part));
  // EndPaint validated the window: nothing is left to paint.
  RECT left{};
  EXPECT_FALSE(::GetUpdateRect(window.hwnd(), &left, FALSE));
}

TEST(WindowBase, PrintClientPaintsTheWholeClientAreaIntoTheGivenContext) {
  Hooked window;
  ASSERT_TRUE(window.Create());
  HDC memory = ::CreateCompatibleDC(nullptr);
  window.paints = 0;
  EXPECT_EQ(::SendMessageW(window.hwnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT), 0);
  ::DeleteDC(memory);
  EXPECT_EQ(window.paints, 1);
  RECT client{};
  ::GetClientRect(window.hwnd(), &client);
  EXPECT_TRUE(SameRect(window.painted, client));
}

// A window whose hooks fail as told: OnCreate refusing or throwing, a command or a paint
// throwing. What the window procedure made of it is recorded.
class Failing : public WindowBase<Failing> {
 public:
  enum class Fault { kNone, kCreateRefuses, kCreateThrows, kCommandThrows, kPaintThrows };
  explicit Failing(Fault fault) : fault_(fault) {}
  ~Failing() override {
    if (hwnd_) ::DestroyWindow(hwnd_);
  }
  bool Create() {
    if (!RegisterClassOnce(::GetModuleHandleW(nullptr), L"QuorvelWindowTestFailing")) return false;
    return ::CreateWindowExW(0, L"QuorvelWindowTestFailing", L"", WS_POPUP, 0, 0, 40, 30, nullptr, nullptr,
                             ::GetModuleHandleW(nullptr), this) != nullptr;
  }
  int errors = 0;
  int destroyed = 0;

 private:
  bool OnCreate(const CREATESTRUCTW&) override {
    if (fault_ == Fault::kCreateThrows) throw std::runtime_error("create");
    return fault_ != Fault::kCreateRefuses;
  }
  void OnCommand(int, int) override {
    if (fault_ == Fault::kCommandThrows) throw std::bad_alloc();
  }
  void OnPaint(HDC, PAINTSTRUCT*) override {
    if (fault_ == Fault::kPaintThrows) throw 42;
  }
  void OnDestroy() override { ++destroyed; }
  void OnError() noexcept override { ++errors; }
  Fault fault_;
};

TEST(WindowBase, AFailingCreateMakesNoWindowAndAThrowingHookFailsOnlyItsMessage) {
  using Fault = Failing::Fault;
  for (Fault fault : {Fault::kCreateRefuses, Fault::kCreateThrows}) {
    Failing window(fault);
    EXPECT_FALSE(window.Create()) << static_cast<int>(fault);
    EXPECT_EQ(window.hwnd(), nullptr);
    EXPECT_EQ(window.errors, fault == Fault::kCreateThrows ? 1 : 0);
  }
  for (Fault fault : {Fault::kCommandThrows, Fault::kPaintThrows}) {
    Failing window(fault);
    ASSERT_TRUE(window.Create());
    ::SendMessageW(window.hwnd(), WM_COMMAND, MAKEWPARAM(1, BN_CLICKED), 0);
    HDC memory = ::CreateCompatibleDC(nullptr);
    ::SendMessageW(window.hwnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
    ::DeleteDC(memory);
    EXPECT_EQ(window.errors, 1) << static_cast<int>(fault);
    // The window lives on and still answers.
    EXPECT_TRUE(::IsWindow(window.hwnd()));
    EXPECT_EQ(::SendMessageW(window.hwnd(), WM_GETTEXTLENGTH, 0, 0), 0);
    ::DestroyWindow(window.hwnd());
    EXPECT_EQ(window.destroyed, 1);
  }
}

// A control made by class name: its object lives exactly as long as its window.
class Counted : public WindowBase<Counted> {
 public:
  static inline int alive = 0;
  static inline int answered = 0;
  static bool Register(HINSTANCE instance) { return RegisterClassOnce(instance, L"QuorvelWindowTestCounted"); }

 private:
  friend class WindowBase<Counted>;
  static constexpr bool kMadeByWindow = true;
  Counted() { ++alive; }
  ~Counted() { --alive; }
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_USER) return ++answered;
    return DefaultProc(msg, wParam, lParam);
  }
};

TEST(WindowBase, ControlMadeByClassNameOwnsItsObjectUntilItsWindowGoes) {
  ASSERT_TRUE(Counted::Register(::GetModuleHandleW(nullptr)));
  HWND first = ::CreateWindowExW(0, L"QuorvelWindowTestCounted", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 ::GetModuleHandleW(nullptr), nullptr);
  HWND second = ::CreateWindowExW(0, L"QuorvelWindowTestCounted", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(Counted::alive, 2);
  EXPECT_EQ(::SendMessageW(first, WM_USER, 0, 0), 1);
  EXPECT_EQ(::SendMessageW(second, WM_USER, 0, 0), 2);
  ::DestroyWindow(first);
  EXPECT_EQ(Counted::alive, 1);
  ::DestroyWindow(second);
  EXPECT_EQ(Counted::alive, 0);
}

}  // namespace
}  // namespace quorvel::win
