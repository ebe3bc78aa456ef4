#include "ShellExec.h"

#include <gtest/gtest.h>

#include "TestSupport.h"

namespace quorvel {
namespace {

TEST(ShellExec, OpensMaximisedFromTheRootOwnedByTheDesktop) {
  testing::FakePlatform platform;
  ScopedPlatform scoped(platform);
  ShellExec::ShellOpen(L"C:\\VB Projects\\Quorvel\\helpfile.chm");
  ShellExec::ShellOpen(L"https://quorvel.app/");
  ASSERT_EQ(platform.shellCalls.size(), 2u);
  for (const auto& call : platform.shellCalls) {
    EXPECT_EQ(call.owner, ::GetDesktopWindow());
    EXPECT_EQ(call.verb, "Open");
    EXPECT_EQ(call.parameters, "");
    EXPECT_EQ(call.directory, "C:\\");
    EXPECT_EQ(call.show, SW_SHOWMAXIMIZED);
  }
  EXPECT_EQ(platform.shellCalls[0].file, "C:\\VB Projects\\Quorvel\\helpfile.chm");
  EXPECT_EQ(platform.shellCalls[1].file, "https://quorvel.app/");
}

}  // namespace
}  // namespace quorvel
