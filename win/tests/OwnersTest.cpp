// The owners of win/ that pair a call with its undoing: COM initialisation and entry points
// bound by name.
#include <windows.h>
#include <objbase.h>
#include <gtest/gtest.h>

#include "Library.h"
#include "ScopedComInit.h"

namespace quorvel::win {
namespace {

bool ComInitialisedHere() {
  APTTYPE type{};
  APTTYPEQUALIFIER qualifier{};
  return ::CoGetApartmentType(&type, &qualifier) != CO_E_NOTINITIALIZED;
}

TEST(ScopedComInit, UndoesEachSuccessfulInitialisationOnceNestedScopesIncluded) {
  for (const auto kind : {ScopedComInit::kCom, ScopedComInit::kOle}) {
    ASSERT_FALSE(ComInitialisedHere());
    {
      ScopedComInit outer(kind);
      EXPECT_EQ(outer.Result(), S_OK);
      {
        ScopedComInit inner(kind);  // S_FALSE: already initialised, still to be undone
        EXPECT_EQ(inner.Result(), S_FALSE);
        EXPECT_TRUE(inner.Succeeded());
      }
      EXPECT_TRUE(ComInitialisedHere());
    }
    EXPECT_FALSE(ComInitialisedHere());
  }
}

TEST(ScopedComInit, LeavesAFailedInitialisationAlone) {
  // A thread of the free-threaded model cannot take OLE, which wants a single-threaded one;
  // the scope that failed must not take away the initialisation it did not make.
  ASSERT_EQ(::CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
  {
    ScopedComInit ole(ScopedComInit::kOle);
    EXPECT_EQ(ole.Result(), RPC_E_CHANGED_MODE);
  }
  EXPECT_TRUE(ComInitialisedHere());
  ::CoUninitialize();
}

TEST(BindByName, FindsAnEntryPointAndSaysWhyOneIsMissing) {
  using GetTickCountFn = DWORD(WINAPI*)();
  const auto tick = BindByName<GetTickCountFn>(L"kernel32.dll", "GetTickCount");
  ASSERT_NE(tick, nullptr);
  EXPECT_GT(tick(), 0u);
  EXPECT_EQ(BindByName<GetTickCountFn>(L"kernel32.dll", "NoSuchEntryPoint"), nullptr);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  EXPECT_EQ(BindByName<GetTickCountFn>(L"no-such-library.dll", "GetTickCount"), nullptr);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST(Library, UnloadsWhatItLoaded) {
  if (::GetModuleHandleW(L"msimg32.dll")) GTEST_SKIP() << "the test needs a library nothing else has loaded";
  {
    Library library(L"msimg32.dll");
    ASSERT_TRUE(library);
    EXPECT_NE(library.Bind<FARPROC>("AlphaBlend"), nullptr);
    EXPECT_NE(::GetModuleHandleW(L"msimg32.dll"), nullptr);
  }
  EXPECT_EQ(::GetModuleHandleW(L"msimg32.dll"), nullptr);
}

}  // namespace
}  // namespace quorvel::win
