#include "frmAbout.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <objbase.h>

#include <functional>
#include <optional>
#include <set>

#include "Raii.h"
#include "ScopedComInit.h"
#include "TestSupport.h"
#include "Text.h"
#include "WavPlay.h"
#include "WindowWatch.h"
#include "quorvel_version.h"

namespace quorvel {
namespace {

using testing::FakePlatform;
using testing::Watchdog;
using testing::WhenWindowShown;

POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

bool Overlap(const RECT& a, const RECT& b) {
  RECT both;
  return ::IntersectRect(&both, &a, &b) != FALSE;
}

POINT ToScreen(HWND window, POINT client) {
  ::ClientToScreen(window, &client);
  return client;
}

// The fake platform in force, and the program folder a scratch folder without the key click.
class frmAboutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform.programFolder = scratch / L"Quorvel";
    WavPlay::EnsureKeyClickFile();  // the folder is missing: the click comes from memory
    com_.emplace(win::ScopedComInit::kCom);
  }
  void TearDown() override { com_.reset(); }

  // Shows the window as the program does and runs `whileShown` once it is up.
  void ShowAbout(HWND owner, std::function<void(HWND)> whileShown) {
    Watchdog watchdog(frmAbout::kClassName);
    WhenWindowShown when(frmAbout::kClassName, std::move(whileShown));
    frmAbout::Show(owner);
    EXPECT_TRUE(when.Ran());
    EXPECT_FALSE(Watchdog::fired) << "the window had to be closed by the watchdog";
  }

  testing::ScratchFolder scratch;
  FakePlatform platform;
  ScopedPlatform scoped{platform};
  std::optional<win::ScopedComInit> com_;
};

TEST_F(frmAboutTest, LoadsWithItsCaptionIconAndAFixedFrame) {
  frmAbout about;
  ASSERT_TRUE(about.Create(nullptr));
  HWND hwnd = about.hwnd();
  EXPECT_EQ(win::WindowText(hwnd), L"About Quorvel");
  const LONG style = ::GetWindowLongW(hwnd, GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  EXPECT_NE(::SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0), 0);
  // The system menu offers moving and closing only.
  HMENU menu = ::GetSystemMenu(hwnd, FALSE);
  for (UINT gone : {SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, SC_RESTORE})
    EXPECT_EQ(::GetMenuState(menu, gone, MF_BYCOMMAND), static_cast<UINT>(-1)) << gone;
  EXPECT_NE(::GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND), static_cast<UINT>(-1));
}

TEST_F(frmAboutTest, ShowsNameVersionCreditAndLinkInACentredColumnInsideTheWindow) {
  frmAbout about;
  ASSERT_TRUE(about.Create(nullptr));
  EXPECT_EQ(about.Text(frmAbout::Label1), L"Quorvel");
  EXPECT_EQ(about.Text(frmAbout::lvlVersion), L"Version " + win::Widen(QUORVEL_VERSION_TEXT));
  EXPECT_EQ(about.Text(frmAbout::Label3), L"by");
  EXPECT_EQ(about.Text(frmAbout::Label2), L"The Quorvel team");
  EXPECT_EQ(about.Text(frmAbout::Label4), L"https://quorvel.app/");

  RECT client;
  ::GetClientRect(about.hwnd(), &client);
  const frmAbout::Row rows[] = {frmAbout::Image1, frmAbout::Label1, frmAbout::lvlVersion,
                                frmAbout::Label3, frmAbout::Label2, frmAbout::Label4};
  for (frmAbout::Row row : rows) {
    const RECT r = about.Rect(row);
    RECT inside;
    EXPECT_FALSE(::IsRectEmpty(&r)) << row;
    EXPECT_TRUE(::IntersectRect(&inside, &r, &client) && ::EqualRect(&inside, &r)) << row << " leaves the window";
    for (frmAbout::Row other : rows)
      if (other > row) {
        EXPECT_FALSE(Overlap(r, about.Rect(other))) << row << " overlaps " << other;
      }
  }
  // Name, version, "by" and credit stand one below the other on one centre line, right of
  // the picture; the link runs below them all.
  const int dpi = win::WindowDpi(about.hwnd());
  const LONG axis = Centre(about.Rect(frmAbout::Label1)).x;
  LONG above = about.Rect(frmAbout::Label1).top;
  for (frmAbout::Row row : {frmAbout::lvlVersion, frmAbout::Label3, frmAbout::Label2}) {
    EXPECT_NEAR(Centre(about.Rect(row)).x, axis, win::TwipsToPixels(90, dpi)) << row;
    EXPECT_GT(about.Rect(row).top, above) << row;
    EXPECT_GE(about.Rect(row).left, about.Rect(frmAbout::Image1).right) << row;
    above = about.Rect(row).top;
  }
  EXPECT_GE(about.Rect(frmAbout::Label4).top, about.Rect(frmAbout::Label2).bottom);
  EXPECT_GE(about.Rect(frmAbout::Label4).top, about.Rect(frmAbout::Image1).bottom);
}

TEST_F(frmAboutTest, PointingAtTheLinkShowsTheHandAndThePictureAndLinkHaveTips) {
  frmAbout about;
  ASSERT_TRUE(about.Create(nullptr));
  HWND hwnd = about.hwnd();
  auto cursorAt = [&](frmAbout::Row row) {
    const POINT screen = ToScreen(hwnd, Centre(about.Rect(row)));
    ::SetCursorPos(screen.x, screen.y);
    ::SetCursor(nullptr);
    ::SendMessageW(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return ::GetCursor();
  };
  HCURSOR hand = cursorAt(frmAbout::Label4);
  ICONINFO info{};
  ASSERT_TRUE(::GetIconInfo(hand, &info));
  const win::Bitmap mask(info.hbmMask), color(info.hbmColor);  // GetIconInfo made them for the caller
  EXPECT_EQ(info.xHotspot, 12u);  // the program's own hand, pointing with its fingertip
  EXPECT_EQ(info.yHotspot, 1u);
  EXPECT_NE(cursorAt(frmAbout::Image1), hand);

  HWND tips = nullptr;
  for (HWND w = nullptr; !tips && (w = ::FindWindowExW(nullptr, w, TOOLTIPS_CLASSW, nullptr));)
    if (::GetWindow(w, GW_OWNER) == hwnd) tips = w;
  ASSERT_NE(tips, nullptr);
  auto hasTip = [&](frmAbout::Row row) {
    TTHITTESTINFOW hit{};
    hit.hwnd = hwnd;
    hit.pt = Centre(about.Rect(row));
    hit.ti.cbSize = TTTOOLINFOW_V2_SIZE;
    return ::SendMessageW(tips, TTM_HITTESTW, 0, reinterpret_cast<LPARAM>(&hit)) != FALSE;
  };
  EXPECT_TRUE(hasTip(frmAbout::Image1));
  EXPECT_TRUE(hasTip(frmAbout::Label4));
  EXPECT_FALSE(hasTip(frmAbout::Label1));
}

TEST_F(frmAboutTest, ThePictureIsPainted) {
  frmAbout about;
  ASSERT_TRUE(about.Create(nullptr));
  ::ShowWindow(about.hwnd(), SW_SHOWNOACTIVATE);
  ::UpdateWindow(about.hwnd());
  const RECT image = about.Rect(frmAbout::Image1);
  std::set<COLORREF> colours;
  {
    win::ScopedGetDC dc(about.hwnd());
    for (LONG y = image.top; y < image.bottom; y += 4)
      for (LONG x = image.left; x < image.right; x += 4) colours.insert(::GetPixel(dc, x, y));
  }
  EXPECT_GT(colours.size(), 50u) << "a photograph has many colours; a blank area has one";
}

TEST_F(frmAboutTest, EveryWayOfClosingPlaysTheClickOnce) {
  const std::function<void(HWND)> closers[] = {
      [](HWND w) { ::PostMessageW(w, WM_CLOSE, 0, 0); },
      [](HWND w) { ::PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0); },  // close box, Alt+F4, system menu
      [](HWND w) { ::PostMessageW(w, WM_KEYDOWN, VK_ESCAPE, 0); },
  };
  for (const auto& close : closers) {
    platform.sounds.clear();
    ShowAbout(nullptr, close);
    ASSERT_EQ(platform.sounds.size(), 1u);
    EXPECT_EQ(platform.sounds[0].flags, static_cast<UINT>(SND_MEMORY));
  }
  EXPECT_EQ(::FindWindowW(frmAbout::kClassName, nullptr), nullptr);
}

TEST_F(frmAboutTest, ClosingPlaysTheKeyClickFileWhenItExists) {
  testing::ScratchFolder folder;
  platform.programFolder = folder.Path();
  WavPlay::EnsureKeyClickFile();
  ShowAbout(nullptr, [](HWND about) { ::PostMessageW(about, WM_CLOSE, 0, 0); });
  ASSERT_EQ(platform.sounds.size(), 1u);
  EXPECT_EQ(platform.sounds[0].file, win::ToAnsi(folder / L"keyclick.wav"));
  EXPECT_EQ(platform.sounds[0].flags, 0u);
}

TEST_F(frmAboutTest, TheLinkOpensTheWebPageEachTimeAndTheWindowStays) {
  frmAbout about;
  ASSERT_TRUE(about.Create(nullptr));
  HWND hwnd = about.hwnd();
  const POINT link = Centre(about.Rect(frmAbout::Label4));
  const POINT picture = Centre(about.Rect(frmAbout::Image1));
  for (int i = 0; i < 2; ++i) {
    ::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(link.x, link.y));
    ::SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(link.x, link.y));
  }
  // The picture does nothing when clicked; nor does a press that ends off the link.
  ::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(picture.x, picture.y));
  ::SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(picture.x, picture.y));
  ::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(link.x, link.y));
  ::SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(picture.x, picture.y));
  EXPECT_TRUE(::IsWindow(hwnd));
  EXPECT_TRUE(platform.sounds.empty());
  ASSERT_EQ(platform.shellCalls.size(), 2u);
  for (const auto& call : platform.shellCalls) {
    EXPECT_EQ(call.file, "https://quorvel.app/");
    EXPECT_EQ(call.verb + "|" + call.directory + "|" + std::to_string(call.show), "Open|C:\\|3");
  }
}

TEST_F(frmAboutTest, IsModalOverItsOwnerAndEachShowingIsLoadedAfresh) {
  HWND owner = ::CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 600, 400,
                                 nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(owner, nullptr);
  for (int round = 0; round < 2; ++round) {
    bool ownerDisabled = false;
    HWND shown = nullptr;
    ShowAbout(owner, [&](HWND about) {
      shown = about;
      ownerDisabled = !::IsWindowEnabled(owner);
      EXPECT_EQ(::GetWindow(about, GW_OWNER), owner);
      RECT o, a;
      ::GetWindowRect(owner, &o);
      ::GetWindowRect(about, &a);
      EXPECT_NEAR(Centre(a).x, Centre(o).x, 2);
      EXPECT_NEAR(Centre(a).y, Centre(o).y, 2);
      ::PostMessageW(about, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(::IsWindowEnabled(owner));
    EXPECT_FALSE(::IsWindow(shown));
    EXPECT_EQ(platform.sounds.size(), static_cast<size_t>(round + 1));
  }
  ::DestroyWindow(owner);
}

TEST_F(frmAboutTest, AQuitRequestEndsTheModalLoopAndIsPassedOn) {
  ShowAbout(nullptr, [](HWND) { ::PostQuitMessage(7); });
  EXPECT_EQ(::FindWindowW(frmAbout::kClassName, nullptr), nullptr);
  MSG msg;
  ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);
}

}  // namespace
}  // namespace quorvel
