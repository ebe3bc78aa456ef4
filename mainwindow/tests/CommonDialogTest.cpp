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
  cd.FileName = L"song";
  cd.DialogTitle = L"Saving resulting VB code";
  cd.Filter = L"Plain text|*.txt|VB Form|*.frm|VB Module|*.bas|Any format|*.*";
  cd.DefaultExt = L".txt";
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
  EXPECT_EQ(cd.FileName, L"C:\\out\\song.txt");
}

TEST(CommonDialogTest, CancelRaises32755OnlyWhenCancelErrorIsOn) {
  FakePlatform platform;
  ScopedPlatform scope(platform);
  CommonDialog cd;
  cd.FileName = L"old";
  platform.dialogAnswers.push_back({true, L""});
  cd.ShowOpen(nullptr);
  EXPECT_EQ(cd.FileName, L"");
  EXPECT_FALSE(platform.dialogs[0].save);

  cd.CancelError = true;
  platform.dialogAnswers.push_back({true, L""});
  EXPECT_VB_ERROR_MSG(cd.ShowOpen(nullptr), kErrCancel, "Cancel was selected.");
}

}  // namespace
}  // namespace quorvel
