#include "ControlTable.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <vector>

#include "Dpi.h"
#include "Gdi.h"

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
    {.name = L"Frame1", .id = 10, .className = WC_BUTTONW, .text = L"Frame", .place = {120, 60, 3000, 1500},
     .tabIndex = 3, .style = BS_GROUPBOX},
    {.name = L"Command1", .id = 11, .className = WC_BUTTONW, .text = L"Browse", .container = 0,
     .place = {120, 240, 900, 300}, .tabIndex = 2, .style = BS_PUSHBUTTON},
    {.name = L"Label1", .id = 12, .text = L"Busy", .place = {60, 1800, 450, 240}, .tabIndex = 0,
     .font = {.face = L"Arial", .points = 9.75}, .tooltip = L"label tip"},
    {.name = L"txtSource", .id = 13, .className = WC_EDITW, .text = L"", .container = 0,
     .place = {1200, 240, 1500, 300}, .tabIndex = 1, .style = ES_AUTOHSCROLL, .exStyle = WS_EX_CLIENTEDGE,
     .tooltip = L"edit tip"},
    {.name = L"Status", .id = 14, .className = WC_STATICW, .text = L"Label2", .place = {600, 2100, 900, 300},
     .tabIndex = 4, .font = {.face = L"Arial", .points = 12, .weight = FW_BOLD, .underline = true}},
    {.name = L"Command2", .id = 15, .className = WC_BUTTONW, .text = L"Other", .place = {1500, 1800, 900, 300},
     .style = BS_PUSHBUTTON},
    {.name = L"Lamp", .id = 16, .className = WC_STATICW, .place = {3200, 60, 255, 255}, .tabIndex = 2,
     .tabStop = false},
    {.name = L"Command3", .id = 17, .className = WC_BUTTONW, .text = L"Passed", .place = {3200, 600, 900, 300},
     .tabIndex = 5, .tabStop = false, .style = BS_PUSHBUTTON},
};

TEST(ControlTable, ControlRectAddsContainerOffsetsAndScalesWithDpi) {
  const ControlRow nested[] = {
      {.name = L"Frame2", .place = {120, 960, 2055, 2775}},
      {.name = L"Frame3", .container = 0, .place = {120, 240, 1815, 1455}},
      {.name = L"optAppPath", .container = 1, .place = {120, 240, 1575, 195}},
  };
  EXPECT_TRUE(SameRect(ControlRect(nested, 2, 96), RECT{24, 96, 24 + 105, 96 + 13}));
  EXPECT_TRUE(SameRect(ControlRect(nested, 2, 144), RECT{36, 144, 36 + 158, 144 + 20}));
}

TEST(ControlTable, PointFontsHaveTheirSizeAtTheGivenDpi) {
  Font big = CreatePointFont({.face = L"Comic Sans MS", .points = 20.25, .weight = FW_BOLD}, 96);
  LOGFONTW lf = FontInfo(big.get());
  EXPECT_EQ(lf.lfHeight, -27);
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_STREQ(lf.lfFaceName, L"Comic Sans MS");
  const FontRow link{.face = L"Times New Roman", .points = 14.25, .weight = FW_BOLD, .underline = true};
  EXPECT_EQ(FontInfo(CreatePointFont(link, 96).get()).lfHeight, -19);
  EXPECT_TRUE(FontInfo(CreatePointFont(link, 96).get()).lfUnderline);
  EXPECT_EQ(FontInfo(CreatePointFont({.face = L"Comic Sans MS", .points = 20.25}, 120).get()).lfHeight, -34);
  // No face: the system's message font, still at the requested size.
  Font standard = CreatePointFont({.points = 12}, 96);
  ASSERT_TRUE(standard);
  EXPECT_EQ(FontInfo(standard.get()).lfHeight, -16);
  // The GUI font: the system's own, at whatever DPI.
  const LOGFONTW gui = FontInfo(static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT)));
  const LOGFONTW copy = FontInfo(CreatePointFont({.points = 30, .guiFont = true}, 144).get());
  EXPECT_STREQ(copy.lfFaceName, gui.lfFaceName);
  EXPECT_EQ(copy.lfHeight, gui.lfHeight);
}

TEST(ControlTable, ControlsAreCreatedInPlaceWithFontsTooltipsAndTabOrder) {
  HostWindow host;
  ASSERT_NE(host.get(), nullptr);
  const int dpi = WindowDpi(host.get());
  CreatedControls made =
      CreateControls(host.get(), ::GetModuleHandleW(nullptr), kTable, {.face = L"MS Sans Serif", .points = 8.25});
  ASSERT_EQ(made.windows.size(), std::size(kTable));
  ASSERT_EQ(made.fonts.size(), std::size(kTable));
  EXPECT_EQ(made.windows[2], nullptr);  // the label is painted by its owner

  auto place = [&](HWND w) {
    RECT r;
    ::GetWindowRect(w, &r);
    ::MapWindowPoints(nullptr, host.get(), reinterpret_cast<POINT*>(&r), 2);
    return r;
  };
  auto at = [&](int left, int top, int width, int height) {
    const int x = TwipsToPixels(left, dpi), y = TwipsToPixels(top, dpi);
    return RECT{x, y, x + TwipsToPixels(width, dpi), y + TwipsToPixels(height, dpi)};
  };
  EXPECT_TRUE(SameRect(place(made.windows[0]), at(120, 60, 3000, 1500)));
  EXPECT_TRUE(SameRect(place(made.windows[1]), at(240, 300, 900, 300)));  // inside Frame1
  EXPECT_TRUE(SameRect(place(made.windows[3]), at(1320, 300, 1500, 300)));
  for (size_t i = 0; i < std::size(kTable); ++i) {
    if (!made.windows[i]) continue;
    EXPECT_EQ(::GetDlgCtrlID(made.windows[i]), kTable[i].id);
    EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(made.windows[i], WM_GETFONT, 0, 0)), made.fonts[i].get());
  }
  EXPECT_STREQ(FontInfo(made.fonts[0].get()).lfFaceName, L"MS Sans Serif");
  EXPECT_STREQ(FontInfo(made.fonts[2].get()).lfFaceName, L"Arial");
  EXPECT_EQ(FontInfo(made.fonts[4].get()).lfWeight, FW_BOLD);
  EXPECT_TRUE(::GetWindowLongW(made.windows[3], GWL_EXSTYLE) & WS_EX_CLIENTEDGE);

  // Sibling order follows tabIndex, rows without one after the rest; the frame goes beneath
  // everything, since it lies beneath what it holds.
  std::vector<HWND> order;
  for (HWND w = ::GetWindow(host.get(), GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT)) order.push_back(w);
  const std::vector<HWND> expected{made.windows[3], made.windows[1], made.windows[6], made.windows[4],
                                   made.windows[7], made.windows[5], made.windows[0]};
  EXPECT_EQ(order, expected);
  EXPECT_EQ(::GetNextDlgTabItem(host.get(), made.windows[3], FALSE), made.windows[1]);
  EXPECT_EQ(::GetNextDlgTabItem(host.get(), made.windows[1], FALSE), made.windows[3]);
  EXPECT_TRUE(::GetWindowLongW(made.windows[1], GWL_STYLE) & WS_TABSTOP);
  EXPECT_FALSE(::GetWindowLongW(made.windows[0], GWL_STYLE) & WS_TABSTOP);  // group box
  EXPECT_FALSE(::GetWindowLongW(made.windows[4], GWL_STYLE) & WS_TABSTOP);  // static text
  EXPECT_FALSE(::GetWindowLongW(made.windows[5], GWL_STYLE) & WS_TABSTOP);  // no tab index
  EXPECT_FALSE(::GetWindowLongW(made.windows[7], GWL_STYLE) & WS_TABSTOP);  // Tab passes it by

  ASSERT_NE(made.tooltip, nullptr);
  EXPECT_EQ(::SendMessageW(made.tooltip, TTM_GETTOOLCOUNT, 0, 0), 2);
}

TEST(ControlTable, AFrameErasesItsOwnInsideWhereTheFormClipsItsChildren) {
  HostWindow host(WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN);
  CreatedControls made = CreateControls(host.get(), ::GetModuleHandleW(nullptr), kTable, {});
  HDC screen = ::GetDC(nullptr);
  HDC dc = ::CreateCompatibleDC(screen);
  Bitmap bitmap(::CreateCompatibleBitmap(screen, 400, 300));
  ::ReleaseDC(nullptr, screen);
  {
    ScopedSelectObject select(dc, bitmap.get());
    RECT all{0, 0, 400, 300};
    Brush magenta(::CreateSolidBrush(RGB(255, 0, 255)));
    ::FillRect(dc, &all, magenta.get());
    EXPECT_EQ(::SendMessageW(made.windows[0], WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 1);
    EXPECT_EQ(::GetPixel(dc, 20, 20), ::GetNearestColor(dc, ::GetSysColor(COLOR_BTNFACE)));
  }
  ::DeleteDC(dc);
}

TEST(ControlTable, ReadsAndSetsTextsAndChecks) {
  HostWindow host;
  CreatedControls made = CreateControls(host.get(), ::GetModuleHandleW(nullptr), kTable, {});
  EXPECT_EQ(WindowText(made.windows[1]), L"Browse");
  ::SetWindowTextW(made.windows[3], L"C:\\caf\u00E9");
  EXPECT_EQ(WindowText(made.windows[3]), L"C:\\caf\u00E9");
  EXPECT_EQ(WindowText(nullptr), L"");
  HWND option = ::CreateWindowExW(0, WC_BUTTONW, L"opt", WS_CHILD | BS_AUTORADIOBUTTON, 0, 0, 10, 10, host.get(),
                                  nullptr, nullptr, nullptr);
  EXPECT_FALSE(IsChecked(option));
  SetChecked(option, true);
  EXPECT_TRUE(IsChecked(option));
  SetChecked(option, false);
  EXPECT_FALSE(IsChecked(option));
}

TEST(Dpi, WindowSizeForClientGivesTheClientAreaInTwips) {
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
