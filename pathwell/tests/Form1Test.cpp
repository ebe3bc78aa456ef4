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

RECT RectInParent(HWND window) {
  RECT r{};
  ::GetWindowRect(window, &r);
  ::MapWindowPoints(nullptr, ::GetParent(window), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

class Form1Test : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(form_.Create(::GetModuleHandleW(nullptr), BinFolder())); }
  Form1 form_;
};

TEST_F(Form1Test, ShowsGoAndText1InsideTheFormWithGoFirstInTheTabOrder) {
  EXPECT_EQ(Text(form_.hwnd()), L"Form1");
  EXPECT_EQ(Text(form_.Command1()), L"GO");
  EXPECT_EQ(Text(form_.Text1()), L"Text1");
  RECT client{};
  ::GetClientRect(form_.hwnd(), &client);
  for (HWND control : {form_.Command1(), form_.Text1()}) {
    EXPECT_TRUE(::GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE);
    const RECT r = RectInParent(control);
    RECT inside{};
    EXPECT_FALSE(::IsRectEmpty(&r));
    EXPECT_TRUE(::IntersectRect(&inside, &r, &client) && ::EqualRect(&inside, &r)) << Text(control);
  }
  // GO stands above the text box, clear of it.
  EXPECT_LE(RectInParent(form_.Command1()).bottom, RectInParent(form_.Text1()).top);
  EXPECT_EQ(::GetNextDlgTabItem(form_.hwnd(), nullptr, FALSE), form_.Command1());
  EXPECT_EQ(::GetNextDlgTabItem(form_.hwnd(), form_.Command1(), FALSE), form_.Text1());
  EXPECT_EQ(::GetNextDlgTabItem(form_.hwnd(), form_.Text1(), FALSE), form_.Command1());
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
