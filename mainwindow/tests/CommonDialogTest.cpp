#include "CommonDialog.h"

#include <gtest/gtest.h>

#include "FakePlatform.h"
#include "VbErrorAssert.h"

namespace quorvel {
namespace {

using testing::FakePlatform;

TEST(CommonDialogTest, PassesItsPropertiesToTheDialogAndReadsTheChosenName) {
  FakePlatform platform;
  ScopedPlatform scope(platform);
  CommonDialog cd;
  cd.SetFileName(L"song");
  cd.SetDialogTitle(L"Saving resulting VB code");
  cd.SetFilter(L"Plain text|*.txt|VB Form|*.frm|VB Module|*.bas|Any format|*.*");
  cd.SetDefaultExt(L".txt");
  platform.dialogAnswers.push_back({false, L"C:\\out\\song.txt"});
  cd.ShowSave(nullptr);

  ASSERT_EQ(platform.dialogs.size(), 1u);
  const auto& call = platform.dialogs[0];
  EXPECT_TRUE(call.save);
  EXPECT_EQ(call.startName, L"song");
  EXPECT_EQ(call.title, L"Saving resulting VB code");
  EXPECT_EQ(call.filter, L"Plain text|*.txt|VB Form|*.frm|VB Module|*.bas|Any format|*.*");
  EXPECT_EQ(call.defExt, L"txt");
  EXPECT_FALSE(call.flags & OFN_OVERWRITEPROMPT);  // the program asks its own question
  EXPECT_EQ(cd.FileName(), L"C:\\out\\song.txt");
}

TEST(CommonDialogTest, CancelRaises32755OnlyWhenCancelErrorIsOn) {
  FakePlatform platform;
  ScopedPlatform scope(platform);
  CommonDialog cd;
  cd.SetFileName(L"old");
  platform.dialogAnswers.push_back({true, L""});
  cd.ShowOpen(nullptr);
  EXPECT_EQ(cd.FileName(), L"");
  EXPECT_FALSE(platform.dialogs[0].save);

  cd.SetCancelError(true);
  platform.dialogAnswers.push_back({true, L""});
  EXPECT_VB_ERROR_MSG(cd.ShowOpen(nullptr), kErrCancel, "Cancel was selected.");
}

TEST(CommonDialogTest, SettingsStayForTheNextShowingAsAControlsPropertiesDo) {
  FakePlatform platform;
  ScopedPlatform scope(platform);
  CommonDialog cd;
  cd.SetDialogTitle(L"Saving");
  cd.SetFilter(L"Plain text|*.txt");
  cd.SetDefaultExt(L"txt");
  platform.dialogAnswers.push_back({false, L"C:\\a.txt"});
  cd.ShowSave(nullptr);
  platform.dialogAnswers.push_back({false, L"C:\\b.bin"});
  cd.ShowOpen(nullptr);
  ASSERT_EQ(platform.dialogs.size(), 2u);
  EXPECT_EQ(platform.dialogs[1].title, L"Saving");
  EXPECT_EQ(platform.dialogs[1].filter, L"Plain text|*.txt");
  EXPECT_EQ(platform.dialogs[1].defExt, L"txt");
  EXPECT_EQ(platform.dialogs[1].startName, L"C:\\a.txt");  // the last name chosen
  EXPECT_EQ(cd.FileName(), L"C:\\b.bin");
}

}  // namespace
}  // namespace quorvel
