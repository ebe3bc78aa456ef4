#include "frmMain.h"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <ole2.h>

#include <algorithm>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "App.h"
#include "DrawnText.h"
#include "ExpectedModule.h"
#include "FakePlatform.h"
#include "LED.h"
#include "LayoutCheck.h"
#include "ModuleGenerator.h"
#include "ScopedComInit.h"
#include "ScratchFolder.h"
#include "Text.h"
#include "WindowWatch.h"
#include "frmAbout.h"

namespace quorvel {
namespace {

using testing::Box;
using testing::FakePlatform;
using testing::ReadFileBytes;
using testing::ScratchFolder;
using testing::WriteFileBytes;
using F = frmMain;

class OleEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ole_.emplace(win::ScopedComInit::kOle); }
  void TearDown() override { ole_.reset(); }

 private:
  std::optional<win::ScopedComInit> ole_;
};
const auto* const kOle = ::testing::AddGlobalTestEnvironment(new OleEnvironment);

class FakeBrowser : public FolderBrowser {
 public:
  ~FakeBrowser() override {
    if (released) *released = true;
  }
  bool* released = nullptr;  // set when the window lets go of its browser
  HRESULT createResult = S_OK;
  HRESULT browseResult = S_OK;
  std::wstring answer;
  std::vector<std::wstring> prompts;
  HRESULT Create(HWND) override { return createResult; }
  HRESULT Browse(HWND, const std::wstring& prompt, std::wstring& result) override {
    prompts.push_back(prompt);
    result = answer;
    return browseResult;
  }
};

using testing::Bytes;

HWND Child(HWND form, F::Ctl row) { return ::GetDlgItem(form, F::kFirstId + static_cast<int>(row)); }

std::wstring Module(const std::wstring& fileName, const std::string& bytes, const std::wstring& scope = L"Public",
                    const std::wstring& folder = App::Path()) {
  return testing::Module(fileName, bytes, scope, folder);
}

class FrmMainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto browser = std::make_unique<FakeBrowser>();
    browser_ = browser.get();
    form_ = std::make_unique<frmMain>(std::move(browser));
    ASSERT_TRUE(form_->Create(::GetModuleHandleW(nullptr), ShowCommand()));
    Pump();
  }
  void TearDown() override {
    if (form_->hwnd()) ::DestroyWindow(form_->hwnd());
    Pump();
  }

  // Hidden unless a test needs the screen: a shown window takes seconds to go away under
  // Wine without a window manager.
  virtual int ShowCommand() const { return SW_HIDE; }

  static void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }

  // A control as any program finds it: by its identifier (nullptr for the painted labels).
  HWND C(F::Ctl row) const { return Child(form_->hwnd(), row); }
  bool Shown(F::Ctl row) const { return (::GetWindowLongW(C(row), GWL_STYLE) & WS_VISIBLE) != 0; }
  bool Enabled(F::Ctl row) const { return ::IsWindowEnabled(C(row)) != FALSE; }
  bool Checked(F::Ctl row) const { return ::SendMessageW(C(row), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  std::wstring TextOf(F::Ctl row) const {
    wchar_t buffer[1024] = {};
    ::GetWindowTextW(C(row), buffer, 1024);
    return buffer;
  }
  std::wstring Output() const {
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(C(F::Text1))) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(C(F::Text1), text.data(), static_cast<int>(text.size()))));
    return text;
  }
  COLORREF Led() const { return LED::Color(C(F::LED1)); }
  // A label the window paints on itself, as it paints it: Busy by its text, the status label
  // as the text drawn where the output area lies (empty when nothing is drawn there).
  testing::DrawnText Painted(const std::wstring& text) const {
    for (const auto& drawn : testing::TextsDrawnBy(form_->hwnd()))
      if (drawn.text == text) return drawn;
    return {};
  }
  testing::DrawnText StatusLabel() const {
    const RECT output = testing::RectInParent(C(F::Text1));
    for (const auto& drawn : testing::TextsDrawnBy(form_->hwnd()))
      if (::PtInRect(&output, drawn.at)) return drawn;
    return {};
  }
  std::wstring Status() const { return StatusLabel().text; }
  void Click(F::Ctl row) { ::SendMessageW(C(row), BM_CLICK, 0, 0); }
  // A click on a button as the window hears it, whether the button is enabled or not.
  void PostClick(F::Ctl row) {
    ::PostMessageW(form_->hwnd(), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(C(row)), BN_CLICKED),
                   reinterpret_cast<LPARAM>(C(row)));
  }

  // Chooses a source file through the open dialog.
  void Choose(const std::wstring& path) {
    platform_.dialogAnswers.push_back({false, path});
    Click(F::Command1);
  }
  // The name the save dialog starts with (the save is then cancelled).
  std::wstring SaveName() {
    const bool enabled = Enabled(F::btnSave);
    ::EnableWindow(C(F::btnSave), TRUE);
    platform_.dialogAnswers.push_back({true, L""});
    Click(F::btnSave);
    ::EnableWindow(C(F::btnSave), enabled);
    return platform_.dialogs.back().startName;
  }
  HWND Tooltip() const {
    for (HWND w = nullptr; (w = ::FindWindowExW(nullptr, w, TOOLTIPS_CLASSW, nullptr));)
      if (::GetWindow(w, GW_OWNER) == form_->hwnd()) return w;
    return nullptr;
  }
  std::wstring MakeSource(const std::wstring& name, const std::string& bytes) {
    const std::wstring path = dir_ / name;
    WriteFileBytes(path, bytes);
    return path;
  }

  FakePlatform platform_;
  ScopedPlatform scope_{platform_};
  ScratchFolder dir_;
  FakeBrowser* browser_ = nullptr;
  std::unique_ptr<frmMain> form_;
};

// ---- Start-up -------------------------------------------------------------------------------

TEST_F(FrmMainTest, StartsCentredWithEveryControlInsideTheWindowAndNoneCoveringAnother) {
  HWND hwnd = form_->hwnd();
  EXPECT_EQ(win::WindowText(hwnd), L"Quorvel");
  const LONG style = ::GetWindowLongW(hwnd, GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  EXPECT_TRUE(style & WS_CLIPCHILDREN);
  RECT window;
  ::GetWindowRect(hwnd, &window);
  EXPECT_NEAR((window.left + window.right) / 2, ::GetSystemMetrics(SM_CXSCREEN) / 2, 1);
  EXPECT_NEAR((window.top + window.bottom) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2, 1);

  // The layout's 15 twips of overlap, one pixel at 96 DPI, count as an edge shared.
  const int edge = std::max(1, win::TwipsToPixels(15, win::WindowDpi(hwnd)));
  EXPECT_EQ(testing::ChildLayoutFaults(hwnd, edge), std::vector<std::string>{});
  // The frames hold their controls.
  for (auto [frame, inside] : {std::pair{F::Frame1, F::Command1}, std::pair{F::Frame1, F::txtSourceFile},
                               std::pair{F::Frame3, F::btnSelectDir}, std::pair{F::Frame3, F::optOtherLocation},
                               std::pair{F::Frame4, F::optPublic}, std::pair{F::Frame2, F::Frame4}})
    EXPECT_TRUE(testing::Contains(testing::RectInParent(C(frame)), testing::RectInParent(C(inside)))) << inside;

  // "Busy" is painted where no control hides it; the status label where the output area is,
  // which a run hides while the label speaks.
  RECT client;
  ::GetClientRect(hwnd, &client);
  const RECT busy = Painted(L"Busy").bounds;
  EXPECT_FALSE(::IsRectEmpty(&busy));
  EXPECT_TRUE(testing::Contains(client, busy));
  for (HWND w = ::GetWindow(hwnd, GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT))
    EXPECT_FALSE(testing::Overlap(busy, testing::RectInParent(w))) << testing::Describe(w);
  EXPECT_EQ(StatusLabel().text, L"Label2");
  EXPECT_TRUE(testing::Contains(testing::RectInParent(C(F::Text1)), StatusLabel().bounds));
}

TEST_F(FrmMainTest, StartsEmptyWithOnlyWhatCanRunEnabledAndEveryCaptionFittingItsControl) {
  EXPECT_EQ(TextOf(F::txtSourceFile), L"");
  EXPECT_EQ(TextOf(F::txtOtherLocation), L".");  // the current folder, as the module runs
  EXPECT_EQ(Output(), L"");
  EXPECT_EQ(Status(), L"Label2");
  EXPECT_EQ(Led(), 0u);

  EXPECT_TRUE(Checked(F::optAppPath));
  EXPECT_FALSE(Checked(F::optOtherLocation));
  EXPECT_TRUE(Checked(F::optPublic));
  EXPECT_FALSE(Checked(F::optPrivate));

  for (F::Ctl off : {F::txtSourceFile, F::txtOtherLocation, F::btnSelectDir, F::btnStart, F::btnSave, F::btnClear})
    EXPECT_FALSE(Enabled(off)) << off;
  for (F::Ctl on : {F::Command1, F::optAppPath, F::optOtherLocation, F::optPublic, F::optPrivate, F::btnAbout,
                    F::btnHelp, F::btnExit, F::Text1})
    EXPECT_TRUE(Enabled(on)) << on;

  // Every caption fits its control at the control's font: a radio button's beside its
  // circle, a frame's on its edge.
  for (size_t i = 0; i < F::kControlCount; ++i) {
    HWND control = C(static_cast<F::Ctl>(i));
    if (!control || i == F::Text1) continue;
    const std::wstring caption = win::WindowText(control);
    if (caption.empty()) continue;
    win::ScopedGetDC dc(control);
    win::ScopedSelectObject font(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE extent{};
    ::GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
    const DWORD kind = ::GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
    const int beside = kind == BS_AUTORADIOBUTTON ? ::GetSystemMetrics(SM_CXMENUCHECK)
                       : kind == BS_GROUPBOX      ? 16
                                                  : 4;
    RECT r;
    ::GetClientRect(control, &r);
    EXPECT_LE(extent.cx + beside, r.right) << win::Utf8(caption);
  }
  // The module's columns line up only in a fixed-pitch font.
  {
    win::ScopedGetDC dc(C(F::Text1));
    win::ScopedSelectObject font(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(C(F::Text1), WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    EXPECT_FALSE(metrics.tmPitchAndFamily & TMPF_FIXED_PITCH);  // the bit set means variable pitch
  }

  // The two Sub Type options explain themselves; nothing else has a tip.
  HWND tips = Tooltip();
  EXPECT_EQ(::SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0), 2);
  for (F::Ctl option : {F::optPublic, F::optPrivate}) {
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = form_->hwnd();
    tool.uFlags = TTF_IDISHWND;
    tool.uId = reinterpret_cast<UINT_PTR>(C(option));
    EXPECT_TRUE(::SendMessageW(tips, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool))) << option;
  }
  EXPECT_EQ(::SendMessageW(C(F::Text1), EM_GETLIMITTEXT, 0, 0), 0x7FFFFFFE);
  // Nothing is played while loading.
  EXPECT_TRUE(platform_.sounds.empty());
}

class FrmMainShownTest : public FrmMainTest {
 protected:
  int ShowCommand() const override { return SW_SHOW; }
};

// The controls Tab visits from `start`, once round.
std::vector<HWND> TabCycle(HWND form, HWND start, bool backwards) {
  std::vector<HWND> cycle{start};
  for (HWND at = start; cycle.size() < 64;) {
    at = ::GetNextDlgTabItem(form, at, backwards ? TRUE : FALSE);
    if (!at || at == start) break;
    cycle.push_back(at);
  }
  return cycle;
}

TEST_F(FrmMainShownTest, FocusStartsOnBrowseAndTabReachesEveryEnabledControlOnceEachWay) {
  EXPECT_EQ(::GetFocus(), C(F::Command1));
  auto reachable = [&] {
    const std::vector<HWND> forward = TabCycle(form_->hwnd(), C(F::Command1), false);
    std::vector<HWND> backward = TabCycle(form_->hwnd(), C(F::Command1), true);
    std::reverse(backward.begin() + 1, backward.end());
    EXPECT_EQ(forward, backward) << "Shift+Tab walks the same round backwards";
    return std::set<HWND>(forward.begin(), forward.end());
  };
  // An option pair is one stop: its selected button. Disabled controls and the lamp are no stop.
  EXPECT_EQ(reachable(), (std::set<HWND>{C(F::Command1), C(F::optAppPath), C(F::optPublic), C(F::btnAbout),
                                         C(F::btnHelp), C(F::btnExit), C(F::Text1)}));
  Choose(MakeSource(L"t.bin", "t"));
  Click(F::optOtherLocation);
  Click(F::optPrivate);
  EXPECT_EQ(reachable(), (std::set<HWND>{C(F::Command1), C(F::optOtherLocation), C(F::txtOtherLocation),
                                         C(F::btnSelectDir), C(F::optPrivate), C(F::btnStart), C(F::btnAbout),
                                         C(F::btnHelp), C(F::btnExit), C(F::Text1)}));
}

TEST_F(FrmMainTest, StatusLabelIsPaintedOnTheWindowAndGrowsFromItsLeftEdge) {
  const testing::DrawnText start = StatusLabel();
  EXPECT_EQ(start.text, L"Label2");
  EXPECT_GT(start.bounds.right, start.bounds.left);

  Choose(MakeSource(L"a.bin", Bytes(100)));
  Click(F::btnStart);
  const testing::DrawnText after = StatusLabel();
  EXPECT_EQ(after.text, L"Finalizing...");
  EXPECT_EQ(after.at.x, start.at.x);
  EXPECT_EQ(after.at.y, start.at.y);
  EXPECT_GT(after.bounds.right, start.bounds.right);
  EXPECT_TRUE(testing::Contains(testing::RectInParent(C(F::Text1)), after.bounds));

  Click(F::btnClear);  // an empty caption takes no room
  const testing::DrawnText cleared = StatusLabel();
  EXPECT_EQ(cleared.text, L"");
  EXPECT_LE(cleared.bounds.right - cleared.bounds.left, 1);
}

// ---- Source choice and options --------------------------------------------------------------

TEST_F(FrmMainTest, ChoosingASourceShowsItEnablesStartAndDerivesTheSaveName) {
  Choose(L"C:\\My.Files\\song.mp3");
  ASSERT_EQ(platform_.dialogs.size(), 1u);
  EXPECT_FALSE(platform_.dialogs[0].save);
  EXPECT_EQ(platform_.dialogs[0].title, L"Select file to encode");
  EXPECT_EQ(platform_.dialogs[0].filter, L"Any file|*.*");
  EXPECT_EQ(TextOf(F::txtSourceFile), L"C:\\My.Files\\song.mp3");
  EXPECT_TRUE(Enabled(F::btnStart));
  EXPECT_EQ(platform_.sounds.size(), 1u);

  Choose(L"C:\\Data\\photo.large.jpg");
  EXPECT_EQ(platform_.dialogs[1].startName, L"C:\\My.Files\\song.mp3");  // the dialog starts with the last name
  EXPECT_EQ(SaveName(), L"photo");
  Choose(L"C:\\Files\\README");
  EXPECT_EQ(TextOf(F::txtSourceFile), L"C:\\Files\\README");
  EXPECT_EQ(SaveName(), L"README");
  Choose(L"C:\\My.Files\\song.mp3");
  EXPECT_EQ(SaveName(), L"song");
}

TEST_F(FrmMainTest, CancelEmptiesTheSourceFieldButKeepsStartAndTheSaveName) {
  Choose(L"C:\\Data\\photo.jpg");
  platform_.dialogAnswers.push_back({true, L""});
  Click(F::Command1);
  EXPECT_EQ(TextOf(F::txtSourceFile), L"");
  EXPECT_TRUE(Enabled(F::btnStart));
  EXPECT_EQ(SaveName(), L"photo");
  EXPECT_TRUE(platform_.boxes.empty());

  Click(F::btnStart);  // refuses the empty field
  ASSERT_EQ(platform_.boxes.size(), 1u);
  EXPECT_EQ(platform_.boxes[0].text, L"Please select a source file, first");
  EXPECT_EQ(platform_.boxes[0].title, L"Dumbass!");
  EXPECT_EQ(platform_.boxes[0].flags, 0u);
  EXPECT_TRUE(Shown(F::Text1));
  EXPECT_EQ(Status(), L"Label2");
  EXPECT_FALSE(Enabled(F::btnSave));
}

TEST_F(FrmMainTest, OptionPairsSwitchEachOtherAndTheDestinationFieldFollowsOtherLocation) {
  Click(F::optOtherLocation);
  EXPECT_FALSE(Checked(F::optAppPath));
  EXPECT_TRUE(Enabled(F::txtOtherLocation));
  EXPECT_TRUE(Enabled(F::btnSelectDir));
  ::SetWindowTextW(C(F::txtOtherLocation), L"D:\\Out");
  Click(F::optAppPath);
  EXPECT_FALSE(Checked(F::optOtherLocation));
  EXPECT_FALSE(Enabled(F::txtOtherLocation));
  EXPECT_FALSE(Enabled(F::btnSelectDir));
  Click(F::optOtherLocation);
  EXPECT_EQ(TextOf(F::txtOtherLocation), L"D:\\Out");

  Click(F::optPrivate);
  EXPECT_FALSE(Checked(F::optPublic));
  Click(F::optPublic);
  EXPECT_FALSE(Checked(F::optPrivate));
  EXPECT_TRUE(platform_.sounds.empty());  // options play no click
}

TEST_F(FrmMainTest, LeavingAnEmptyDestinationFieldPutsTheDotBack) {
  Click(F::optOtherLocation);
  ::SetFocus(C(F::txtOtherLocation));
  ::SetWindowTextW(C(F::txtOtherLocation), L"");
  ::SetFocus(C(F::Command1));
  EXPECT_EQ(TextOf(F::txtOtherLocation), L".");
  ::SetFocus(C(F::txtOtherLocation));
  ::SetWindowTextW(C(F::txtOtherLocation), L"  ");
  ::SetFocus(C(F::Command1));
  EXPECT_EQ(TextOf(F::txtOtherLocation), L"  ");
}

TEST_F(FrmMainTest, DestinationBrowseDropsExactlyOneFinalBackslash) {
  Click(F::optOtherLocation);
  browser_->answer = L"D:\\";
  Click(F::btnSelectDir);
  EXPECT_EQ(TextOf(F::txtOtherLocation), L"D:");
  ASSERT_EQ(browser_->prompts.size(), 1u);
  EXPECT_EQ(browser_->prompts[0], L"Select a final destination folder.");
  browser_->answer = L"D:\\Work";
  Click(F::btnSelectDir);
  EXPECT_EQ(TextOf(F::txtOtherLocation), L"D:\\Work");
  EXPECT_EQ(platform_.sounds.size(), 2u);
  EXPECT_TRUE(platform_.boxes.empty());
}

TEST_F(FrmMainTest, CancelInTheFolderDialogKeepsTheDestinationAndTheRunUsesIt) {
  Click(F::optOtherLocation);
  for (const wchar_t* kept : {L"C:\\Data", L"D:\\Typed\\"}) {
    ::SetWindowTextW(C(F::txtOtherLocation), kept);
    browser_->answer = L"";  // what the control returns on Cancel
    Click(F::btnSelectDir);
    EXPECT_EQ(TextOf(F::txtOtherLocation), kept);  // not even the final backslash goes
  }
  browser_->answer = L"D:\\Chosen\\";
  Click(F::btnSelectDir);
  browser_->answer = L"";
  Click(F::btnSelectDir);
  EXPECT_EQ(TextOf(F::txtOtherLocation), L"D:\\Chosen");
  EXPECT_EQ(browser_->prompts.size(), 4u);
  EXPECT_EQ(platform_.sounds.size(), 4u);
  EXPECT_TRUE(platform_.boxes.empty());

  ::SetWindowTextW(C(F::txtOtherLocation), L"C:\\Data");
  Click(F::btnSelectDir);
  Choose(MakeSource(L"x.txt", "x"));
  Click(F::btnStart);
  EXPECT_EQ(Output(), Module(L"x.txt", "x", L"Public", L"C:\\Data"));
}

TEST_F(FrmMainTest, AnEmptiedDestinationFieldRunsAsTheCurrentFolderNotTheDriveRoot) {
  Click(F::optOtherLocation);
  ::SetWindowTextW(C(F::txtOtherLocation), L"");  // emptied without the focus leaving the field
  Choose(MakeSource(L"x.txt", "x"));
  Click(F::btnStart);
  EXPECT_EQ(Output(), Module(L"x.txt", "x", L"Public", L"."));
  EXPECT_NE(Output().find(L"\r\nOpen \".\\x.txt\" For Binary As cl_fp\r\n"), std::wstring::npos);
  EXPECT_EQ(TextOf(F::txtOtherLocation), L".");
  EXPECT_EQ(platform_.Count(L"Good news!"), 1);

  // With App.Path the field is not the destination and keeps its text.
  ::SetWindowTextW(C(F::txtOtherLocation), L"");
  Click(F::optAppPath);
  Click(F::btnStart);
  EXPECT_EQ(Output(), Module(L"x.txt", "x", L"Public", L".") + Module(L"x.txt", "x"));
  EXPECT_EQ(TextOf(F::txtOtherLocation), L"");
}

TEST(FrmMainPathwellTest, AMissingFolderBrowseControlIsReportedNotIgnored) {
  FakePlatform platform;
  ScopedPlatform scope(platform);
  auto browser = std::make_unique<FakeBrowser>();
  browser->createResult = REGDB_E_CLASSNOTREG;
  FakeBrowser* fake = browser.get();
  frmMain form(std::move(browser));
  ASSERT_TRUE(form.Create(::GetModuleHandleW(nullptr), SW_SHOW));
  ::SendMessageW(Child(form.hwnd(), F::optOtherLocation), BM_CLICK, 0, 0);
  ::SendMessageW(Child(form.hwnd(), F::btnSelectDir), BM_CLICK, 0, 0);
  ASSERT_EQ(platform.boxes.size(), 1u);
  EXPECT_EQ(platform.boxes[0].title, L"Oops!");
  EXPECT_EQ(platform.boxes[0].flags, static_cast<UINT>(MB_ICONERROR));
  EXPECT_EQ(platform.boxes[0].text.find(L"The folder-browse control Pathwell.ocx is not available.\r\nError &H80040154"), 0u);
  EXPECT_TRUE(fake->prompts.empty());
  wchar_t text[16];
  ::GetWindowTextW(Child(form.hwnd(), F::txtOtherLocation), text, 16);
  EXPECT_STREQ(text, L".");
}

// ---- Runs -----------------------------------------------------------------------------------

TEST_F(FrmMainTest, RunsProduceExactlyTheEnginesModuleAndTwoRunsAppendTwoModules) {
  const std::string empty, three("\x00\x0A\xFF", 3), multi = Bytes(7000);
  Choose(MakeSource(L"empty.dat", empty));
  Click(F::btnStart);
  std::wstring expected = Module(L"empty.dat", empty);
  EXPECT_EQ(Output(), expected);

  Click(F::optPrivate);
  Choose(MakeSource(L"a.b", three));
  Click(F::btnStart);
  expected += Module(L"a.b", three, L"Private");
  EXPECT_EQ(Output(), expected);

  Click(F::optPublic);
  Click(F::optOtherLocation);
  ::SetWindowTextW(C(F::txtOtherLocation), L"C:\\Out");
  Choose(MakeSource(L"my file.tar.gz", multi));
  Click(F::btnStart);
  expected += Module(L"my file.tar.gz", multi, L"Public", L"C:\\Out");
  EXPECT_EQ(Output(), expected);

  EXPECT_EQ(platform_.Count(L"Good news!"), 3);
  EXPECT_EQ(platform_.boxes.back().text, L"Done");
  EXPECT_EQ(platform_.boxes.back().flags, 0u);
  EXPECT_TRUE(Shown(F::Text1));
  EXPECT_TRUE(Enabled(F::btnSave));
  EXPECT_TRUE(Enabled(F::btnClear));
  EXPECT_TRUE(Enabled(F::btnStart));
  EXPECT_EQ(Led(), 0u);
  EXPECT_EQ(Status(), L"Finalizing...");
}

// The window makes a classic module of any length; past the 65,534 lines VB6 loads (32 bytes
// a line) the status line says so after the run, and the run is otherwise the same.
TEST_F(FrmMainTest, AModuleLongerThanVb6LoadsIsMadeAndTheStatusLineNamesTheCompactLayout) {
  for (const size_t bytes : {size_t{2016383}, size_t{2016384}}) {
    SCOPED_TRACE(bytes);
    Click(F::btnClear);
    platform_.boxes.clear();
    const std::string source = Bytes(bytes);
    Choose(MakeSource(L"big.bin", source));
    Click(F::btnStart);
    EXPECT_EQ(Output(), Module(L"big.bin", source));
    const std::wstring status = Status();
    if (bytes == 2016383) {
      EXPECT_EQ(status, L"Finalizing...");
    } else {
      EXPECT_NE(status.find(L"quorvel-gen --layout compact"), std::wstring::npos) << win::Utf8(status);
      EXPECT_NE(status.find(L"65,534"), std::wstring::npos) << win::Utf8(status);
    }
    ASSERT_EQ(platform_.boxes.size(), 1u);
    EXPECT_EQ(platform_.boxes[0].text, L"Done");
    EXPECT_EQ(platform_.boxes[0].title, L"Good news!");
    EXPECT_TRUE(Shown(F::Text1));
    EXPECT_TRUE(Enabled(F::btnSave));
    EXPECT_EQ(Led(), 0u);
  }
}

TEST_F(FrmMainTest, AFailedRunShowsOnlyTheOopsBoxAndKeepsSaveAndClearAsTheyWere) {
  const std::wstring source = dir_ / L"no folder\\x.bin";
  Choose(source);
  Click(F::btnStart);
  ASSERT_EQ(platform_.boxes.size(), 1u);
  EXPECT_EQ(platform_.boxes[0].title, L"Oops!");
  EXPECT_EQ(platform_.boxes[0].text, L"Error # 76(Path not found) has\r\noccured in 'btnStart' routine.\r\n\r\n"
                                     L"The source file is " + source + L".");
  EXPECT_EQ(Output(), L"");
  EXPECT_TRUE(Shown(F::Text1));
  EXPECT_EQ(Led(), 0u);
  EXPECT_FALSE(Enabled(F::btnSave));
  EXPECT_FALSE(Enabled(F::btnClear));
}

const std::wstring kRefused = L"Error # 52(Bad file name or number) has\r\noccured in 'btnStart' routine.";

TEST_F(FrmMainTest, ASourceDeletedBeforeStartIsNamedBelowTheTwoLinesOfTheOopsBox) {
  const std::wstring source = MakeSource(L"gone.bin", "abc");
  Choose(source);
  ASSERT_TRUE(::DeleteFileW(source.c_str()));
  Click(F::btnStart);
  ASSERT_EQ(platform_.boxes.size(), 1u);
  EXPECT_EQ(platform_.boxes[0].title, L"Oops!");
  EXPECT_EQ(platform_.boxes[0].flags, static_cast<UINT>(MB_ICONERROR));
  EXPECT_EQ(platform_.boxes[0].text, L"Error # 53(File not found) has\r\noccured in 'btnStart' routine.\r\n\r\n"
                                     L"The source file is " + source + L".");
  EXPECT_EQ(Output(), L"");
}

TEST_F(FrmMainTest, ABrowsedDestinationOutsideTheAnsiCodePageIsRefusedWith52) {
  if (win::AnsiHolds(U'\u041E')) GTEST_SKIP() << "the ANSI code page holds U+041E";
  Choose(MakeSource(L"a.b", "xyz"));
  Click(F::optOtherLocation);
  browser_->answer = L"C:\\Users\\\u041E\u0442\u0447\u0451\u0442\u044B\\";  // what the control returns for it
  Click(F::btnSelectDir);
  ASSERT_EQ(TextOf(F::txtOtherLocation), L"C:\\Users\\\u041E\u0442\u0447\u0451\u0442\u044B");
  Click(F::btnStart);
  ASSERT_EQ(platform_.boxes.size(), 1u);
  EXPECT_EQ(platform_.boxes[0].title, L"Oops!");
  EXPECT_EQ(platform_.boxes[0].text, kRefused + L"\r\n\r\nThe destination holds U+041E \"\u041E\", which the "
                                                L"module's code page cannot hold.");
  EXPECT_EQ(Output(), L"");
  EXPECT_FALSE(Enabled(F::btnSave));

  // A browsed folder whose every character the code page holds goes through as chosen.
  platform_.boxes.clear();
  browser_->answer = L"C:\\Caf\u00E9 \u2013 Out";
  Click(F::btnSelectDir);
  Click(F::btnStart);
  EXPECT_EQ(Output(), Module(L"a.b", "xyz", L"Public", L"C:\\Caf\u00E9 \u2013 Out"));
}

TEST_F(FrmMainTest, CraftedDestinationsStayInOneLiteralOrAreRefusedWith52) {
  Choose(MakeSource(L"a.b", "xyz"));
  Click(F::optOtherLocation);
  // Basic's own punctuation is legal in a folder name and stays inside the literal.
  ::SetWindowTextW(C(F::txtOtherLocation), L"C:\\it's & co 'Rem");
  Click(F::btnStart);
  EXPECT_EQ(Output(), Module(L"a.b", "xyz", L"Public", L"C:\\it's & co 'Rem"));
  EXPECT_NE(Output().find(L"\r\nOpen \"C:\\it's & co 'Rem\\a.b\" For Binary As cl_fp\r\n"), std::wstring::npos);
  ASSERT_EQ(platform_.Count(L"Good news!"), 1);

  const std::wstring before = Output();
  std::vector<std::wstring> refused = {L"C:\\x\" & Shell(\"cmd /c calc\") & \"", L"C:\\Out\r\nKill \"C:\\x\"",
                                       L"C:\\Out\tx", L"C:\\Out\x1B", L"C:\\a|b", L"C:\\a:b", L"C:\\*"};
  if (!win::AnsiHolds(U'\u65E5')) refused.push_back(L"C:\\\u65E5\u672C");
  for (const auto& destination : refused) {
    platform_.boxes.clear();
    ::SetWindowTextW(C(F::txtOtherLocation), destination.c_str());
    ASSERT_EQ(TextOf(F::txtOtherLocation), destination);  // the field holds it as typed
    Click(F::btnStart);
    ASSERT_EQ(platform_.boxes.size(), 1u) << win::Utf8(destination);
    EXPECT_EQ(platform_.boxes[0].title, L"Oops!");
    EXPECT_EQ(platform_.boxes[0].text.rfind(kRefused + L"\r\n\r\nThe destination ", 0), 0u)
        << win::Utf8(platform_.boxes[0].text);
    EXPECT_EQ(Output(), before);
    EXPECT_TRUE(Shown(F::Text1));
  }
}

// A lone separator is the root of the drive that is current when the module runs: one
// backslash before the name, never two (a server of that name).
TEST_F(FrmMainTest, ALoneSeparatorDestinationWritesIntoTheRootOfTheCurrentDrive) {
  for (const wchar_t* destination : {L"\\", L"/"}) {
    Click(F::btnClear);
    Choose(MakeSource(L"b.bin", "xyz"));
    Click(F::optOtherLocation);
    ::SetWindowTextW(C(F::txtOtherLocation), destination);
    Click(F::btnStart);
    EXPECT_NE(Output().find(L"\r\nOpen \"\\b.bin\" For Binary As cl_fp\r\n"), std::wstring::npos)
        << win::Utf8(destination) << "\n" << win::Utf8(Output());
    EXPECT_EQ(platform_.Count(L"Oops!"), 0);
  }
}

TEST_F(FrmMainTest, ASourceNameOutsideTheAnsiCodePageIsRefusedWith52) {
  if (win::AnsiHolds(U'\u65E5')) GTEST_SKIP() << "the ANSI code page holds U+65E5";
  Choose(MakeSource(L"\u65E5\u672C.bin", "abc"));
  Click(F::btnStart);
  ASSERT_EQ(platform_.boxes.size(), 1u);
  EXPECT_EQ(platform_.boxes[0].text, kRefused + L"\r\n\r\nThe file name holds U+65E5 \"\u65E5\", which the "
                                                L"module's code page cannot hold.");
  EXPECT_EQ(Output(), L"");
  // A name the code page holds, accents and all, goes through.
  platform_.boxes.clear();
  Choose(MakeSource(L"caf\u00E9 \u2013 1.bin", "abc"));
  Click(F::btnStart);
  EXPECT_EQ(Output(), Module(L"caf\u00E9 \u2013 1.bin", "abc"));
}

TEST_F(FrmMainTest, WhileARunIsInProgressTheOtherCommandsDoNothing) {
  Choose(MakeSource(L"busy.bin", Bytes(5)));
  const size_t dialogs = platform_.dialogs.size();
  const size_t sounds = platform_.sounds.size();
  // Heard in the run's first pause.
  for (F::Ctl row : {F::btnStart, F::Command1, F::btnSelectDir, F::btnSave, F::btnClear}) PostClick(row);
  Click(F::btnStart);
  EXPECT_EQ(platform_.dialogs.size(), dialogs);
  EXPECT_EQ(platform_.sounds.size(), sounds + 1);  // the run's own click only
  EXPECT_EQ(Output(), Module(L"busy.bin", Bytes(5)));
  EXPECT_EQ(platform_.boxes.size(), 1u);  // "Done"
  EXPECT_EQ(TextOf(F::txtSourceFile), dir_ / L"busy.bin");
}

// A request to close, or the end of the session, heard in one of a run's pauses: the run
// stops there, the window says Bye once and closes, with neither the Done nor the Oops box.
struct CloseRequest {
  const char* name;
  UINT message;
  WPARAM wParam;
};
class FrmMainCloseDuringRunTest : public FrmMainTest, public ::testing::WithParamInterface<CloseRequest> {};

TEST_P(FrmMainCloseDuringRunTest, StopsTheRunInItsNextPauseShowsByeOnceAndCloses) {
  Choose(MakeSource(L"long.bin", Bytes(20000)));
  ::PostMessageW(form_->hwnd(), GetParam().message, GetParam().wParam, 0);  // heard in the run's first pause
  Click(F::btnStart);
  EXPECT_EQ(form_->hwnd(), nullptr);
  EXPECT_EQ(platform_.Count(L"Bye"), 1);
  EXPECT_EQ(platform_.Count(L"Good news!"), 0);
  EXPECT_EQ(platform_.Count(L"Oops!"), 0);
}

INSTANTIATE_TEST_SUITE_P(Requests, FrmMainCloseDuringRunTest,
                         ::testing::Values(CloseRequest{"Close", WM_CLOSE, 0},
                                           CloseRequest{"EndSession", WM_ENDSESSION, TRUE}),
                         [](const ::testing::TestParamInfo<CloseRequest>& info) { return std::string(info.param.name); });

// ---- Save -----------------------------------------------------------------------------------

TEST_F(FrmMainTest, SaveWritesTheWholeTextInAnsiUnderTheChosenName) {
  Choose(MakeSource(L"song.one.mp3", Bytes(40)));
  Click(F::btnStart);
  Choose(MakeSource(L"b.bin", Bytes(3)));
  Click(F::btnStart);
  platform_.boxes.clear();
  platform_.sounds.clear();

  const std::wstring target = dir_ / L"saved.bas";
  platform_.dialogAnswers.push_back({false, target});
  Click(F::btnSave);
  const auto& call = platform_.dialogs.back();
  EXPECT_TRUE(call.save);
  EXPECT_EQ(call.startName, L"b");
  EXPECT_EQ(call.title, L"Saving resulting VB code");
  EXPECT_EQ(call.filter, L"Plain text|*.txt|VB Form|*.frm|VB Module|*.bas|Any format|*.*");
  EXPECT_EQ(call.defExt, L"txt");
  EXPECT_EQ(ReadFileBytes(target), win::ToAnsi(Module(L"song.one.mp3", Bytes(40)) + Module(L"b.bin", Bytes(3))));
  ASSERT_EQ(platform_.boxes.size(), 1u);  // no overwrite question for a new name
  EXPECT_EQ(platform_.boxes[0].text, L"Saved: " + target);
  EXPECT_EQ(platform_.boxes[0].title, L"Good news!");
  EXPECT_EQ(Status(), L"Saved...");
  EXPECT_EQ(platform_.sounds.size(), 1u);
  DWORD start = 1, end = 0;
  ::SendMessageW(C(F::Text1), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, static_cast<DWORD>(::GetWindowTextLengthW(C(F::Text1))));
}

TEST_F(FrmMainTest, SavingOverAnExistingFileAsksFirst) {
  Choose(MakeSource(L"x.bin", "x"));
  Click(F::btnStart);
  const std::wstring target = dir_ / L"old.txt";
  WriteFileBytes(target, "old content");
  platform_.boxes.clear();

  platform_.dialogAnswers.push_back({false, target});
  platform_.boxAnswers.push_back(IDNO);
  Click(F::btnSave);
  ASSERT_EQ(platform_.boxes.size(), 1u);
  EXPECT_EQ(platform_.boxes[0].text, L"File: " + target + L"\r\nexists... overwrite?");
  EXPECT_EQ(platform_.boxes[0].title, L"Query");
  EXPECT_EQ(platform_.boxes[0].flags, static_cast<UINT>(MB_YESNO));
  EXPECT_EQ(ReadFileBytes(target), "old content");

  platform_.dialogAnswers.push_back({false, target});
  platform_.boxAnswers.push_back(IDYES);
  Click(F::btnSave);
  EXPECT_EQ(platform_.Count(L"Query"), 2);
  EXPECT_EQ(ReadFileBytes(target), win::ToAnsi(Output()));
  EXPECT_EQ(platform_.boxes.back().title, L"Good news!");
}

TEST_F(FrmMainTest, CancelIsSilentAndAFailedSaveIsReportedWithTheTargetIntact) {
  Choose(MakeSource(L"x.bin", "x"));
  Click(F::btnStart);
  platform_.boxes.clear();

  platform_.dialogAnswers.push_back({true, L""});
  Click(F::btnSave);
  EXPECT_TRUE(platform_.boxes.empty());
  EXPECT_EQ(Status(), L"Finalizing...");

  const std::wstring nowhere = dir_ / L"no folder\\out.txt";
  platform_.dialogAnswers.push_back({false, nowhere});
  Click(F::btnSave);
  ASSERT_EQ(platform_.boxes.size(), 1u);
  EXPECT_EQ(platform_.boxes[0].title, L"Oops!");
  EXPECT_EQ(platform_.boxes[0].flags, static_cast<UINT>(MB_ICONERROR));
  EXPECT_NE(platform_.boxes[0].text.find(nowhere), std::wstring::npos);
  EXPECT_NE(platform_.boxes[0].text.find(L"Error # 76(Path not found)"), std::wstring::npos);
  EXPECT_EQ(Status(), L"Saving...");

  const std::wstring readOnly = dir_ / L"ro.txt";
  WriteFileBytes(readOnly, "keep");
  ::SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
  platform_.dialogAnswers.push_back({false, readOnly});
  platform_.boxAnswers.push_back(IDYES);
  Click(F::btnSave);
  EXPECT_EQ(platform_.boxes.back().title, L"Oops!");
  EXPECT_EQ(ReadFileBytes(readOnly), "keep");
}

TEST_F(FrmMainTest, TextOutsideTheAnsiCodePageIsSavedWithTheDefaultCharacter) {
  ::SetWindowTextW(C(F::Text1), L"caf\u00e9 \u4e2d\r\n");
  ::EnableWindow(C(F::btnSave), TRUE);
  const std::wstring target = dir_ / L"intl.txt";
  platform_.dialogAnswers.push_back({false, target});
  Click(F::btnSave);
  EXPECT_EQ(ReadFileBytes(target), win::ToAnsi(L"caf\u00e9 \u4e2d\r\n"));
  EXPECT_EQ(ReadFileBytes(target).substr(5), "?\r\n");
}

// ---- Clear, Help, About, Exit ---------------------------------------------------------------

TEST_F(FrmMainTest, ClearReturnsToTheStartStateButKeepsItselfEnabled) {
  Click(F::optOtherLocation);
  Click(F::optPrivate);
  ::SetWindowTextW(C(F::txtOtherLocation), L"D:\\Typed");
  Choose(MakeSource(L"c.bin", "c"));
  Click(F::btnStart);
  platform_.sounds.clear();

  for (int i = 0; i < 2; ++i) {
    Click(F::btnClear);
    EXPECT_EQ(Output(), L"");
    EXPECT_EQ(TextOf(F::txtSourceFile), L"");
    EXPECT_EQ(TextOf(F::txtOtherLocation), L".");
    EXPECT_TRUE(Checked(F::optPublic));
    EXPECT_FALSE(Checked(F::optPrivate));
    EXPECT_TRUE(Checked(F::optAppPath));
    EXPECT_FALSE(Checked(F::optOtherLocation));
    EXPECT_FALSE(Enabled(F::txtOtherLocation));
    EXPECT_FALSE(Enabled(F::btnSelectDir));
    EXPECT_FALSE(Enabled(F::btnStart));
    EXPECT_FALSE(Enabled(F::btnSave));
    EXPECT_TRUE(Enabled(F::btnClear));
    EXPECT_EQ(Status(), L"");
  }
  EXPECT_EQ(platform_.sounds.size(), 2u);
  EXPECT_EQ(SaveName(), L"c");  // Clear keeps the save name
}

TEST_F(FrmMainTest, HelpOpensTheFixedHelpFileWhenThereAndTheOneBesideTheProgramOtherwise) {
  const std::wstring fixed = App::HelpFile();
  const bool existed = ::GetFileAttributesW(fixed.c_str()) != INVALID_FILE_ATTRIBUTES;
  if (!existed) {
    Click(F::btnHelp);
    ASSERT_EQ(platform_.shellCalls.size(), 1u);
    EXPECT_EQ(platform_.shellCalls[0].file, win::ToAnsi(App::Path() + L"\\helpfile.chm"));
    ::CreateDirectoryW(L"C:\\VB Projects", nullptr);
    ::CreateDirectoryW(L"C:\\VB Projects\\Quorvel", nullptr);
    WriteFileBytes(fixed, "chm");
  }
  Click(F::btnHelp);
  EXPECT_EQ(platform_.shellCalls.back().file, "C:\\VB Projects\\Quorvel\\helpfile.chm");
  if (!existed) {
    ::DeleteFileW(fixed.c_str());
    ::RemoveDirectoryW(L"C:\\VB Projects\\Quorvel");
    ::RemoveDirectoryW(L"C:\\VB Projects");
  }
  EXPECT_TRUE(platform_.sounds.empty());  // Help plays no click
}

TEST_F(FrmMainTest, AboutIsModalAndReturnsWhenItsWindowCloses) {
  bool ownerDisabled = false;
  HWND owner = nullptr;
  testing::Watchdog watchdog(frmAbout::kClassName);
  testing::WhenWindowShown shown(frmAbout::kClassName, [&](HWND about) {
    ownerDisabled = !::IsWindowEnabled(form_->hwnd());
    owner = ::GetWindow(about, GW_OWNER);
    ::PostMessageW(about, WM_CLOSE, 0, 0);
  });
  Click(F::btnAbout);
  EXPECT_TRUE(shown.Ran());
  EXPECT_FALSE(testing::Watchdog::fired);
  EXPECT_EQ(owner, form_->hwnd());
  EXPECT_TRUE(ownerDisabled);
  EXPECT_TRUE(::IsWindowEnabled(form_->hwnd()));
  EXPECT_GE(platform_.sounds.size(), 1u);  // the command's click (the About window clicks as it closes)
}

TEST_F(FrmMainTest, ExitClicksAndClosesWithOneByeBox) {
  Click(F::btnExit);
  EXPECT_EQ(form_->hwnd(), nullptr);
  ASSERT_EQ(platform_.boxes.size(), 1u);
  EXPECT_EQ(platform_.boxes[0].text, L"Thank you for using Quorvel");
  EXPECT_EQ(platform_.boxes[0].title, L"Bye");
  EXPECT_EQ(platform_.boxes[0].flags, 0u);
  EXPECT_EQ(platform_.sounds.size(), 1u);
}

TEST_F(FrmMainTest, TheCloseBoxShowsByeOnceWithoutAClick) {
  ::SendMessageW(form_->hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
  Pump();
  EXPECT_EQ(form_->hwnd(), nullptr);
  EXPECT_EQ(platform_.Count(L"Bye"), 1);
  EXPECT_TRUE(platform_.sounds.empty());
}

TEST_F(FrmMainTest, EndingTheSessionClosesTheWindowWithOneByeBoxAndEndsTheProgramsLoop) {
  bool released = false;
  browser_->released = &released;
  form_->SetQuitOnDestroy(true);
  ::SendMessageW(form_->hwnd(), WM_ENDSESSION, FALSE, 0);  // another program refused: the session goes on
  EXPECT_NE(form_->hwnd(), nullptr);
  EXPECT_TRUE(platform_.boxes.empty());

  ::SendMessageW(form_->hwnd(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  EXPECT_EQ(form_->hwnd(), nullptr);
  ASSERT_EQ(platform_.boxes.size(), 1u);
  EXPECT_EQ(platform_.boxes[0].title, L"Bye");
  EXPECT_TRUE(platform_.sounds.empty());
  EXPECT_TRUE(released);  // the folder-browse control is let go with the window
  MSG msg;
  ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 0u);
}

TEST_F(FrmMainTest, StartSourceBrowseSaveClearAboutAndExitClickButHelpAndOptionsDoNot) {
  Choose(MakeSource(L"k.bin", "k"));
  EXPECT_EQ(platform_.sounds.size(), 1u);
  Click(F::btnStart);
  EXPECT_EQ(platform_.sounds.size(), 2u);
  platform_.dialogAnswers.push_back({true, L""});
  Click(F::btnSave);
  EXPECT_EQ(platform_.sounds.size(), 3u);
  Click(F::optOtherLocation);
  Click(F::optPrivate);
  Click(F::btnSelectDir);
  EXPECT_EQ(platform_.sounds.size(), 4u);
  Click(F::btnHelp);
  EXPECT_EQ(platform_.sounds.size(), 4u);
  Click(F::btnClear);
  EXPECT_EQ(platform_.sounds.size(), 5u);
  EXPECT_NE(platform_.sounds[0].file.find("keyclick.wav"), std::string::npos);
}

}  // namespace
}  // namespace quorvel
