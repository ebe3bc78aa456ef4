#include "Gdi.h"

#include <gtest/gtest.h>

#include "Raii.h"

namespace quorvel::win {
namespace {

TEST(Gdi, SelectedObjectsGoBackOutInReverseOrder) {
  HDC dc = ::CreateCompatibleDC(nullptr);
  ASSERT_NE(dc, nullptr);
  const HGDIOBJ originalBrush = ::GetCurrentObject(dc, OBJ_BRUSH);
  const HGDIOBJ originalPen = ::GetCurrentObject(dc, OBJ_PEN);
  Brush red(::CreateSolidBrush(RGB(255, 0, 0)));
  Brush blue(::CreateSolidBrush(RGB(0, 0, 255)));
  {
    ScopedSelectObject first(dc, red.get());
    ScopedSelectObject pen(dc, ::GetStockObject(DC_PEN));
    EXPECT_EQ(::GetCurrentObject(dc, OBJ_BRUSH), red.get());
    {
      ScopedSelectObject second(dc, blue.get());
      EXPECT_EQ(::GetCurrentObject(dc, OBJ_BRUSH), blue.get());
    }
    // The inner scope restores what it replaced, not what the DC started with.
    EXPECT_EQ(::GetCurrentObject(dc, OBJ_BRUSH), red.get());
  }
  EXPECT_EQ(::GetCurrentObject(dc, OBJ_BRUSH), originalBrush);
  EXPECT_EQ(::GetCurrentObject(dc, OBJ_PEN), originalPen);
  ::DeleteDC(dc);
}

TEST(Gdi, ScreenDcIsUsable) {
  ScopedGetDC screen(nullptr);
  ASSERT_NE(screen.get(), nullptr);
  EXPECT_GT(::GetDeviceCaps(screen, LOGPIXELSY), 0);
}

TEST(Gdi, AGuardWhoseSelectionFailedPutsNothingBack) {
  HDC dc = ::CreateCompatibleDC(nullptr);
  ASSERT_NE(dc, nullptr);
  Brush red(::CreateSolidBrush(RGB(255, 0, 0)));
  Brush blue(::CreateSolidBrush(RGB(0, 0, 255)));
  {
    ScopedSelectObject outer(dc, red.get());
    {
      ScopedSelectObject refused(dc, nullptr);  // SelectObject refuses a null object
      ScopedSelectObject noDc(nullptr, blue.get());
      EXPECT_EQ(::GetCurrentObject(dc, OBJ_BRUSH), red.get());
    }
    // Neither guard restored a null or an error value over the red brush.
    EXPECT_EQ(::GetCurrentObject(dc, OBJ_BRUSH), red.get());
    // The blue brush was never selected, so it is free for another DC.
    ScopedSelectObject again(dc, blue.get());
    EXPECT_EQ(::GetCurrentObject(dc, OBJ_BRUSH), blue.get());
  }
  ::DeleteDC(dc);
}

}  // namespace
}  // namespace quorvel::win
