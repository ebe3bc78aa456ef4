#include "App.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "TestSupport.h"
#include "Text.h"

namespace quorvel {
namespace {

// The running program's folder holds the running program; a folder the platform reports
// comes back without its separator, except at a drive root.
TEST(App, PathIsTheProgramsFolderWithASeparatorOnlyAtADriveRoot) {
  const std::wstring real = App::Path();
  ASSERT_FALSE(real.empty());
  EXPECT_NE(real.back(), L'\\');
  EXPECT_NE(::GetFileAttributesW((real + L"\\shell_tests.exe").c_str()), INVALID_FILE_ATTRIBUTES) << win::Utf8(real);

  testing::FakePlatform platform;
  ScopedPlatform scoped(platform);
  for (const wchar_t* folder : {L"C:\\", L"D:\\Tools\\Quorvel", L"\\\\server\\share\\Quorvel", L"E:\\a b\\c.d"}) {
    platform.programFolder = folder;
    EXPECT_EQ(App::Path(), folder);
  }
}

TEST(App, HelpFileIsFixedWhateverTheProgramFolder) {
  EXPECT_EQ(App::HelpFile(), L"C:\\VB Projects\\Quorvel\\helpfile.chm");
  testing::FakePlatform platform;
  ScopedPlatform scoped(platform);
  platform.programFolder = L"D:\\elsewhere";
  EXPECT_EQ(App::HelpFile(), L"C:\\VB Projects\\Quorvel\\helpfile.chm");
}

TEST(App, ResolvedHelpFileFallsBackToTheOneBesideTheProgram) {
  if (::GetFileAttributesW(App::HelpFile().c_str()) != INVALID_FILE_ATTRIBUTES)
    GTEST_SKIP() << "a help file is installed at the fixed path";
  testing::ScratchFolder folder;
  testing::FakePlatform platform;
  ScopedPlatform scoped(platform);
  platform.programFolder = folder.Path();
  EXPECT_EQ(App::ResolvedHelpFile(), folder / L"helpfile.chm");
  platform.programFolder = L"C:\\";
  EXPECT_EQ(App::ResolvedHelpFile(), L"C:\\helpfile.chm");
}

}  // namespace
}  // namespace quorvel
