#include "frmAbout.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <objbase.h>

#include <functional>
#include <optional>
#include <set>
#include <vector>

#include "DrawnText.h"
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
  ShowAbout(nullptr, [](HWND hwnd) {
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
    ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
  });
}

// What the window paints, read from its own painting: the picture first, then the labels in
// the order they are drawn (name, version, "by", credit, link).
struct Painted {
  RECT picture{};
  std::vector<testing::DrawnText> labels;
};
Painted PaintedBy(HWND about) {
  const testing::Drawing drawing = testing::DrawingOf(about);
  Painted painted;
  if (!drawing.pictures.empty()) painted.picture = drawing.pictures.front();
  painted.labels = drawing.texts;
  return painted;
}

TEST_F(frmAboutTest, ShowsThePictureAndFiveLabelsInACentredColumnWithTheVersionAndTheLinkItOpens) {
  ShowAbout(nullptr, [](HWND about) {
    const Painted painted = PaintedBy(about);
    ::PostMessageW(about, WM_CLOSE, 0, 0);
    ASSERT_EQ(painted.labels.size(), 5u);
    EXPECT_EQ(painted.labels[1].text, L"Version " + win::Widen(QUORVEL_VERSION_TEXT));
    EXPECT_EQ(painted.labels[4].text, frmAbout::kWebPage);

    RECT client;
    ::GetClientRect(about, &client);
    std::vector<RECT> rects{painted.picture};
    for (const auto& label : painted.labels) rects.push_back(label.bounds);
    for (size_t i = 0; i < rects.size(); ++i) {
      RECT inside;
      EXPECT_FALSE(::IsRectEmpty(&rects[i])) << i;
      EXPECT_TRUE(::IntersectRect(&inside, &rects[i], &client) && ::EqualRect(&inside, &rects[i]))
          << i << " leaves the window";
      for (size_t j = i + 1; j < rects.size(); ++j) EXPECT_FALSE(Overlap(rects[i], rects[j])) << i << " overlaps " << j;
    }
    // Name, version, "by" and credit stand one below the other on one centre line, right of
    // the picture; the link runs below them all.
    const int dpi = win::WindowDpi(about);
    const LONG axis = Centre(rects[1]).x;
    for (size_t row = 2; row <= 4; ++row) {
      EXPECT_NEAR(Centre(rects[row]).x, axis, win::TwipsToPixels(90, dpi)) << row;
      EXPECT_GT(rects[row].top, rects[row - 1].top) << row;
      EXPECT_GE(rects[row].left, painted.picture.right) << row;
    }
    EXPECT_GE(rects[5].top, rects[4].bottom);
    EXPECT_GE(rects[5].top, painted.picture.bottom);
  });
}

TEST_F(frmAboutTest, PointingAtTheLinkShowsTheHandAndThePictureAndLinkHaveTips) {
  ShowAbout(nullptr, [](HWND hwnd) {
    const Painted painted = PaintedBy(hwnd);
    ASSERT_EQ(painted.labels.size(), 5u);
    const RECT link = painted.labels[4].bounds;
    const RECT name = painted.labels[0].bounds;
    auto cursorAt = [&](const RECT& where) {
      const POINT screen = ToScreen(hwnd, Centre(where));
      ::SetCursorPos(screen.x, screen.y);
      ::SetCursor(nullptr);
      ::SendMessageW(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
      return ::GetCursor();
    };
    HCURSOR hand = cursorAt(link);
    ICONINFO info{};
    ASSERT_TRUE(::GetIconInfo(hand, &info));
    const win::Bitmap mask(info.hbmMask), color(info.hbmColor);  // GetIconInfo made them for the caller
    EXPECT_EQ(info.xHotspot, 12u);  // the program's own hand, pointing with its fingertip
    EXPECT_EQ(info.yHotspot, 1u);
    EXPECT_NE(cursorAt(painted.picture), hand);

    HWND tips = nullptr;
    for (HWND w = nullptr; !tips && (w = ::FindWindowExW(nullptr, w, TOOLTIPS_CLASSW, nullptr));)
      if (::GetWindow(w, GW_OWNER) == hwnd) tips = w;
    ASSERT_NE(tips, nullptr);
    auto hasTip = [&](const RECT& where) {
      TTHITTESTINFOW hit{};
      hit.hwnd = hwnd;
      hit.pt = Centre(where);
      hit.ti.cbSize = TTTOOLINFOW_V2_SIZE;
      return ::SendMessageW(tips, TTM_HITTESTW, 0, reinterpret_cast<LPARAM>(&hit)) != FALSE;
    };
    EXPECT_TRUE(hasTip(painted.picture));
    EXPECT_TRUE(hasTip(link));
    EXPECT_FALSE(hasTip(name));
    ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
  });
}

TEST_F(frmAboutTest, ThePictureIsPainted) {
  ShowAbout(nullptr, [](HWND about) {
    ::UpdateWindow(about);
    const RECT image = PaintedBy(about).picture;
    std::set<COLORREF> colours;
    {
      win::ScopedGetDC dc(about);
      for (LONG y = image.top; y < image.bottom; y += 4)
        for (LONG x = image.left; x < image.right; x += 4) colours.insert(::GetPixel(dc, x, y));
    }
    EXPECT_GT(colours.size(), 50u) << "a photograph has many colours; a blank area has one";
    ::PostMessageW(about, WM_CLOSE, 0, 0);
  });
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
  ShowAbout(nullptr, [&](HWND hwnd) {
    const Painted painted = PaintedBy(hwnd);
    ASSERT_EQ(painted.labels.size(), 5u);
    const POINT link = Centre(painted.labels[4].bounds);
    const POINT picture = Centre(painted.picture);
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
    ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
  });
  // The page opened is the one the link shows.
  ASSERT_EQ(platform.shellCalls.size(), 2u);
  for (const auto& call : platform.shellCalls) {
    EXPECT_EQ(win::Widen(call.file), frmAbout::kWebPage);
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
