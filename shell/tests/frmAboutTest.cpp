#include "frmAbout.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>

#include "App.h"
#include "TestSupport.h"
#include "Text.h"
#include "WavPlay.h"

namespace quorvel {
namespace {

using test::FakePlatform;

LOGFONTW FontInfo(HFONT font) {
  LOGFONTW lf{};
  ::GetObjectW(font, sizeof(lf), &lf);
  return lf;
}

POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

// Fails a test that would otherwise wait for a person: closes every About window after 10 s.
class Watchdog {
 public:
  Watchdog() : timer_(::SetTimer(nullptr, 0, 10000, &Fire)) {}
  ~Watchdog() { ::KillTimer(nullptr, timer_); }
  static inline bool fired = false;

 private:
  static void CALLBACK Fire(HWND, UINT, UINT_PTR, DWORD) {
    fired = true;
    if (HWND w = ::FindWindowW(L"QuorvelAboutWindow", nullptr)) ::PostMessageW(w, WM_CLOSE, 0, 0);
  }
  UINT_PTR timer_;
};

// Shows the window with a fake platform in force and runs `whileShown` once it is up.
class frmAboutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App::SetPathForTesting(scratch / L"Quorvel");
    WavPlay::EnsureKeyClickFile();  // the folder is missing: the click comes from memory
  }
  void TearDown() override {
    frmAbout::SetShownHookForTesting(nullptr);
    App::SetPathForTesting(L"");
  }

  void ShowAbout(HWND owner, std::function<void(frmAbout&)> whileShown) {
    Watchdog::fired = false;
    Watchdog watchdog;
    frmAbout::SetShownHookForTesting(std::move(whileShown));
    frmAbout::Show(owner);
    EXPECT_FALSE(Watchdog::fired) << "the window had to be closed by the watchdog";
  }

  test::ScratchFolder scratch;
  FakePlatform platform;
  ScopedPlatform scoped{platform};
};

TEST_F(frmAboutTest, ShowsItsLayoutAt96Dpi) {
  bool seen = false;
  ShowAbout(nullptr, [&](frmAbout& about) {
    seen = true;
    HWND hwnd = about.hwnd();
    wchar_t caption[64];
    ::GetWindowTextW(hwnd, caption, 64);
    EXPECT_STREQ(caption, L"About Quorvel");
    EXPECT_TRUE(::IsWindowVisible(hwnd));
    const LONG style = ::GetWindowLongW(hwnd, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_NE(::SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0), 0);

    if (win::WindowDpi(hwnd) == 96) {
      RECT client;
      ::GetClientRect(hwnd, &client);
      EXPECT_EQ(client.right, 314);
      EXPECT_EQ(client.bottom, 147);
      const RECT image = about.Rect(frmAbout::Image1);
      EXPECT_EQ(image.left, 12);
      EXPECT_EQ(image.top, 8);
      EXPECT_EQ(image.right - image.left, 133);
      EXPECT_EQ(image.bottom - image.top, 105);
      const RECT link = about.Rect(frmAbout::Label4);
      EXPECT_EQ(link.left, 4);
      EXPECT_EQ(link.top, 120);
      EXPECT_EQ(link.right - link.left, 305);
      EXPECT_EQ(link.bottom - link.top, 21);
      // Self-sizing labels keep the centre of their design box.
      struct Design { frmAbout::Row row; POINT centre; };
      for (const Design& d : {Design{frmAbout::Label1, {227, 27}}, Design{frmAbout::lvlVersion, {225, 66}},
                              Design{frmAbout::Label3, {226, 90}}, Design{frmAbout::Label2, {230, 106}}}) {
        const POINT c = Centre(about.Rect(d.row));
        EXPECT_NEAR(c.x, d.centre.x, 1) << d.row;
        EXPECT_NEAR(c.y, d.centre.y, 1) << d.row;
      }
      EXPECT_GT(about.Rect(frmAbout::lvlVersion).right - about.Rect(frmAbout::lvlVersion).left, 35);  // grew with its text
    }

    EXPECT_EQ(about.Text(frmAbout::Label1), L"Quorvel");
    EXPECT_EQ(about.Text(frmAbout::lvlVersion), L"Version 2.0.9");
    EXPECT_EQ(about.Text(frmAbout::Label3), L"by");
    EXPECT_EQ(about.Text(frmAbout::Label2), L"The Quorvel team");
    EXPECT_EQ(about.Text(frmAbout::Label4), L"https://quorvel.app/");

    const LOGFONTW title = FontInfo(about.FontOf(frmAbout::Label1));
    EXPECT_STREQ(title.lfFaceName, L"Comic Sans MS");
    EXPECT_EQ(title.lfWeight, FW_BOLD);
    EXPECT_EQ(title.lfHeight, -::MulDiv(2025, win::WindowDpi(hwnd), 7200));
    const LOGFONTW link = FontInfo(about.FontOf(frmAbout::Label4));
    EXPECT_STREQ(link.lfFaceName, L"Times New Roman");
    EXPECT_EQ(link.lfWeight, FW_BOLD);
    EXPECT_TRUE(link.lfUnderline);
    EXPECT_EQ(about.ColorOf(frmAbout::Label4), RGB(0, 0, 255));
    EXPECT_EQ(about.ColorOf(frmAbout::Label2), ::GetSysColor(COLOR_BTNTEXT));

    EXPECT_TRUE(about.HasPicture());
    ICONINFO cursor{};
    ASSERT_TRUE(::GetIconInfo(about.LinkCursor(), &cursor));
    EXPECT_EQ(cursor.xHotspot, 12u);
    EXPECT_EQ(cursor.yHotspot, 1u);
    if (cursor.hbmMask) ::DeleteObject(cursor.hbmMask);
    if (cursor.hbmColor) ::DeleteObject(cursor.hbmColor);
    ASSERT_NE(about.Tooltip(), nullptr);
    EXPECT_EQ(::SendMessageW(about.Tooltip(), TTM_GETTOOLCOUNT, 0, 0), 2);

    ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
  });
  EXPECT_TRUE(seen);
}

TEST_F(frmAboutTest, EveryWayOfClosingPlaysTheClickOnce) {
  const std::function<void(HWND)> closers[] = {
      [](HWND w) { ::PostMessageW(w, WM_CLOSE, 0, 0); },
      [](HWND w) { ::PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0); },  // close box, Alt+F4, system menu
      [](HWND w) { ::PostMessageW(w, WM_KEYDOWN, VK_ESCAPE, 0); },
  };
  for (const auto& close : closers) {
    platform.sounds.clear();
    ShowAbout(nullptr, [&](frmAbout& about) { close(about.hwnd()); });
    ASSERT_EQ(platform.sounds.size(), 1u);
    EXPECT_EQ(platform.sounds[0].flags, static_cast<UINT>(SND_MEMORY));
  }
  EXPECT_EQ(::FindWindowW(L"QuorvelAboutWindow", nullptr), nullptr);
}

TEST_F(frmAboutTest, ClosingPlaysTheKeyClickFileWhenItExists) {
  test::ScratchFolder folder;
  App::SetPathForTesting(folder.Path());
  WavPlay::EnsureKeyClickFile();
  ShowAbout(nullptr, [](frmAbout& about) { ::PostMessageW(about.hwnd(), WM_CLOSE, 0, 0); });
  ASSERT_EQ(platform.sounds.size(), 1u);
  EXPECT_EQ(platform.sounds[0].file, win::ToAnsi(folder / L"keyclick.wav"));
  EXPECT_EQ(platform.sounds[0].flags, 0u);
}

TEST_F(frmAboutTest, TheLinkOpensTheWebPageEachTimeAndTheWindowStays) {
  ShowAbout(nullptr, [&](frmAbout& about) {
    HWND hwnd = about.hwnd();
    const POINT link = Centre(about.Rect(frmAbout::Label4));
    const POINT picture = Centre(about.Rect(frmAbout::Image1));
    for (int i = 0; i < 2; ++i) {
      ::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(link.x, link.y));
      ::SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(link.x, link.y));
    }
    // The picture does nothing when clicked.
    ::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(picture.x, picture.y));
    ::SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(picture.x, picture.y));
    EXPECT_TRUE(::IsWindow(hwnd));
    EXPECT_TRUE(platform.sounds.empty());
    ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
  });
  ASSERT_EQ(platform.shellCalls.size(), 2u);
  for (const auto& call : platform.shellCalls) {
    EXPECT_EQ(call.file, "https://quorvel.app/");
    EXPECT_EQ(call.verb + "|" + call.directory + "|" + std::to_string(call.show), "Open|C:\\|3");
  }
}

HWND g_aboutForTimer = nullptr;
void CALLBACK CloseAboutTimer(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  ::PostMessageW(g_aboutForTimer, WM_SYSCOMMAND, SC_CLOSE, 0);
}

TEST_F(frmAboutTest, IsModalOverItsOwnerAndReturnsWhenATimerClosesIt) {
  HWND owner = ::CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 600, 400,
                                 nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(owner, nullptr);
  for (int round = 0; round < 2; ++round) {  // a second showing is loaded afresh
    bool ownerDisabled = false;
    ShowAbout(owner, [&](frmAbout& about) {
      ownerDisabled = !::IsWindowEnabled(owner);
      EXPECT_EQ(::GetWindow(about.hwnd(), GW_OWNER), owner);
      RECT o, a;
      ::GetWindowRect(owner, &o);
      ::GetWindowRect(about.hwnd(), &a);
      EXPECT_NEAR(Centre(a).x, Centre(o).x, 2);
      EXPECT_NEAR(Centre(a).y, Centre(o).y, 2);
      EXPECT_EQ(about.Text(frmAbout::lvlVersion), L"Version 2.0.9");
      g_aboutForTimer = about.hwnd();
      ::SetTimer(nullptr, 0, 200, &CloseAboutTimer);
    });
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(::IsWindowEnabled(owner));
    EXPECT_EQ(platform.sounds.size(), static_cast<size_t>(round + 1));
  }
  ::DestroyWindow(owner);
}

TEST_F(frmAboutTest, AQuitRequestEndsTheModalLoopAndIsPassedOn) {
  ShowAbout(nullptr, [](frmAbout&) { ::PostQuitMessage(7); });
  EXPECT_EQ(::FindWindowW(L"QuorvelAboutWindow", nullptr), nullptr);
  MSG msg;
  ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);
}

}  // namespace
}  // namespace quorvel
