#include "Window.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <vector>

namespace quorvel::win {
namespace {

LOGFONTW FontInfo(HFONT font) {
  LOGFONTW lf{};
  ::GetObjectW(font, sizeof(lf), &lf);
  return lf;
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// A plain top-level window to put controls on.
class HostWindow {
 public:
  explicit HostWindow(DWORD style = WS_OVERLAPPEDWINDOW, DWORD exStyle = 0) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QuorvelWindowTestHost";
    ::RegisterClassW(&wc);
    hwnd_ = ::CreateWindowExW(exStyle, wc.lpszClassName, L"host", style, 0, 0, 400, 300, nullptr, nullptr,
                              wc.hInstance, nullptr);
  }
  ~HostWindow() { ::DestroyWindow(hwnd_); }
  HWND get() const { return hwnd_; }

 private:
  HWND hwnd_;
};

constexpr ControlRow kTable[] = {
    {L"Frame1", 10, WC_BUTTONW, L"Frame", -1, 120, 60, 3000, 1500, 3, BS_GROUPBOX, {}, nullptr},
    {L"Command1", 11, WC_BUTTONW, L"Browse", 0, 120, 240, 900, 300, 2, BS_PUSHBUTTON, {}, nullptr},
    {L"Label1", 12, nullptr, L"Busy", -1, 60, 1800, 450, 240, 0, 0, {L"Arial", 9.75, FW_NORMAL, false}, L"label tip"},
    {L"txtSource", 13, WC_EDITW, L"", 0, 1200, 240, 1500, 300, 1, ES_AUTOHSCROLL, {}, L"edit tip"},
    {L"Status", 14, WC_STATICW, L"Label2", -1, 600, 2100, 900, 300, 4, 0,
     {L"Arial", 12, FW_BOLD, true}, nullptr},
    {L"Command2", 15, WC_BUTTONW, L"Other", -1, 1500, 1800, 900, 300, -1, BS_PUSHBUTTON, {}, nullptr},
};

TEST(Window, ControlRectAddsContainerOffsetsAndScalesWithDpi) {
  const ControlRow nested[] = {
      {L"Frame2", 1, nullptr, nullptr, -1, 120, 960, 2055, 2775, 3, 0, {}, nullptr},
      {L"Frame3", 2, nullptr, nullptr, 0, 120, 240, 1815, 1455, 14, 0, {}, nullptr},
      {L"optAppPath", 3, nullptr, nullptr, 1, 120, 240, 1575, 195, 20, 0, {}, nullptr},
  };
  EXPECT_TRUE(SameRect(ControlRect(nested, 2, 96), RECT{24, 96, 24 + 105, 96 + 13}));
  EXPECT_TRUE(SameRect(ControlRect(nested, 2, 144), RECT{36, 144, 36 + 158, 144 + 20}));
}

TEST(Window, PointFontsHaveTheirSizeAtTheGivenDpi) {
  Font big = CreatePointFont({L"Comic Sans MS", 20.25, FW_BOLD, false}, 96);
  LOGFONTW lf = FontInfo(big.get());
  EXPECT_EQ(lf.lfHeight, -27);
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_STREQ(lf.lfFaceName, L"Comic Sans MS");
  EXPECT_EQ(FontInfo(CreatePointFont({L"Times New Roman", 14.25, FW_BOLD, true}, 96).get()).lfHeight, -19);
  EXPECT_TRUE(FontInfo(CreatePointFont({L"Times New Roman", 14.25, FW_BOLD, true}, 96).get()).lfUnderline);
  EXPECT_EQ(FontInfo(CreatePointFont({L"Comic Sans MS", 20.25, FW_BOLD, false}, 120).get()).lfHeight, -34);
  // No face: the system's message font, still at the requested size.
  Font standard = CreatePointFont({nullptr, 12, FW_NORMAL, false}, 96);
  ASSERT_TRUE(standard);
  EXPECT_EQ(FontInfo(standard.get()).lfHeight, -16);
}

TEST(Window, ControlsAreCreatedInPlaceWithFontsTooltipsAndTabOrder) {
  HostWindow host;
  ASSERT_NE(host.get(), nullptr);
  const int dpi = WindowDpi(host.get());
  CreatedControls made = CreateControls(host.get(), ::GetModuleHandleW(nullptr), kTable,
                                        {L"MS Sans Serif", 8.25, FW_NORMAL, false});
  ASSERT_EQ(made.windows.size(), std::size(kTable));
  ASSERT_EQ(made.fonts.size(), std::size(kTable));
  EXPECT_EQ(made.windows[2], nullptr);  // the label is painted by its owner

  for (size_t i = 0; i < std::size(kTable); ++i) {
    if (!made.windows[i]) continue;
    RECT r;
    ::GetWindowRect(made.windows[i], &r);
    ::MapWindowPoints(nullptr, host.get(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_TRUE(SameRect(r, ControlRect(kTable, i, dpi))) << i;
    EXPECT_EQ(::GetDlgCtrlID(made.windows[i]), kTable[i].id);
    EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(made.windows[i], WM_GETFONT, 0, 0)), made.fonts[i].get());
  }
  EXPECT_STREQ(FontInfo(made.fonts[0].get()).lfFaceName, L"MS Sans Serif");
  EXPECT_STREQ(FontInfo(made.fonts[2].get()).lfFaceName, L"Arial");
  EXPECT_EQ(FontInfo(made.fonts[4].get()).lfWeight, FW_BOLD);

  // Sibling order follows tabIndex; rows without one come last.
  std::vector<HWND> order;
  for (HWND w = ::GetWindow(host.get(), GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT)) order.push_back(w);
  const std::vector<HWND> expected{made.windows[3], made.windows[1], made.windows[0], made.windows[4],
                                   made.windows[5]};
  EXPECT_EQ(order, expected);
  EXPECT_EQ(::GetNextDlgTabItem(host.get(), made.windows[3], FALSE), made.windows[1]);
  EXPECT_TRUE(::GetWindowLongW(made.windows[1], GWL_STYLE) & WS_TABSTOP);
  EXPECT_FALSE(::GetWindowLongW(made.windows[0], GWL_STYLE) & WS_TABSTOP);  // group box
  EXPECT_FALSE(::GetWindowLongW(made.windows[4], GWL_STYLE) & WS_TABSTOP);  // static text
  EXPECT_FALSE(::GetWindowLongW(made.windows[5], GWL_STYLE) & WS_TABSTOP);  // no tab index

  ASSERT_NE(made.tooltip, nullptr);
  EXPECT_EQ(::SendMessageW(made.tooltip, TTM_GETTOOLCOUNT, 0, 0), 2);
}

TEST(Window, WindowSizeForClientGivesTheClientAreaInTwips) {
  constexpr DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  HostWindow host(style, WS_EX_DLGMODALFRAME);
  const int dpi = WindowDpi(host.get());
  const SIZE size = WindowSizeForClient(style, WS_EX_DLGMODALFRAME, 4710, 2205, dpi);
  ::SetWindowPos(host.get(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT client;
  ::GetClientRect(host.get(), &client);
  EXPECT_EQ(client.right, TwipsToPixels(4710, dpi));
  EXPECT_EQ(client.bottom, TwipsToPixels(2205, dpi));
}

}  // namespace
}  // namespace quorvel::win
