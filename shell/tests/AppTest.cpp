#include "App.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "TestSupport.h"

namespace quorvel {
namespace {

TEST(App, PathIsTheProgramFolderWithoutTrailingSeparator) {
  wchar_t module[MAX_PATH];
  ::GetModuleFileNameW(nullptr, module, MAX_PATH);
  std::wstring expected(module);
  expected.resize(expected.find_last_of(L'\\'));
  EXPECT_EQ(App::Path(), expected);
  EXPECT_NE(App::Path().back(), L'\\');
}

TEST(App, AProgramAtADriveRootKeepsTheRootsSeparator) {
  testing::FakePlatform platform;
  ScopedPlatform scoped(platform);
  platform.programFolder = L"C:\\";
  EXPECT_EQ(App::Path(), L"C:\\");
  platform.programFolder = L"D:\\Tools\\Quorvel";
  EXPECT_EQ(App::Path(), L"D:\\Tools\\Quorvel");
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
