// The test form: its layout and its GO button against the real folder dialog.
#include <gtest/gtest.h>

#include "FolderDialogDriver.h"
#include "Form1.h"
#include "TestSupport.h"

namespace quorvel::testing {
namespace {

using pathwell::Form1;

std::wstring Text(HWND window) {
  wchar_t text[MAX_PATH] = {};
  ::GetWindowTextW(window, text, MAX_PATH);
  return text;
}

class Form1Test : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_HRESULT_SUCCEEDED(form_.Create(::GetModuleHandleW(nullptr), BinFolder())); }
  Form1 form_;
};

TEST_F(Form1Test, LayoutFollowsTheFormsTable) {
  EXPECT_EQ(Text(form_.hwnd()), L"Form1");
  const int dpi = ::GetDeviceCaps(win::ScopedGetDC(nullptr), LOGPIXELSY);
  RECT client{};
  ::GetClientRect(form_.hwnd(), &client);
  EXPECT_EQ(client.right, ::MulDiv(4680, dpi, 1440));
  EXPECT_EQ(client.bottom, ::MulDiv(3090, dpi, 1440));
  EXPECT_EQ(Text(form_.Command1()), L"GO");
  EXPECT_EQ(Text(form_.Text1()), L"Text1");
  RECT go{};
  ::GetWindowRect(form_.Command1(), &go);
  ::MapWindowPoints(nullptr, form_.hwnd(), reinterpret_cast<POINT*>(&go), 2);
  EXPECT_EQ(go.left, ::MulDiv(1620, dpi, 1440));
  EXPECT_EQ(go.top, ::MulDiv(900, dpi, 1440));
  // GO comes first in the tab order, Text1 second.
  EXPECT_EQ(::GetNextDlgTabItem(form_.hwnd(), form_.Command1(), FALSE), form_.Text1());
}

TEST_F(Form1Test, GoPutsTheChosenFolderIntoText1AndCancelEmptiesIt) {
  {
    FolderDialogDriver driver(L"C:\\");
    ::SendMessageW(form_.Command1(), BM_CLICK, 0, 0);
    driver.Join();
    ASSERT_TRUE(driver.Found());
    EXPECT_EQ(driver.Owner(), form_.hwnd());
    EXPECT_TRUE(driver.HasText(L"BROWSE FOR prinTER"));
  }
  ASSERT_HRESULT_SUCCEEDED(form_.LastClickResult());
  EXPECT_EQ(Text(form_.Text1()), L"C:\\");
  {
    FolderDialogDriver driver(L"");
    ::SendMessageW(form_.Command1(), BM_CLICK, 0, 0);
    driver.Join();
  }
  EXPECT_EQ(Text(form_.Text1()), L"");
}

}  // namespace
}  // namespace quorvel::testing
