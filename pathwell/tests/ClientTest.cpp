// The host side: creating the control registered and registration-free, browsing through
// it, and letting go of everything.
#include <gtest/gtest.h>

#include "FolderDialogDriver.h"
#include "PathwellClient.h"
#include "TestSupport.h"

namespace quorvel::testing {
namespace {

using pathwell::PathwellClient;

TEST(PathwellClientTest, CreatesTheRegisteredControlAndBrowses) {
  PathwellClient client;
  ASSERT_HRESULT_SUCCEEDED(client.Create(nullptr, L"C:\\nowhere"));
  EXPECT_TRUE(client.Created());
  std::wstring result = L"x";
  {
    FolderDialogDriver driver(L"");
    ASSERT_HRESULT_SUCCEEDED(client.Browse(nullptr, L"Select a final destination folder.", result));
    driver.Join();
    EXPECT_TRUE(driver.HasText(L"Select a final destination folder."));
  }
  EXPECT_EQ(result, L"");
  client.Destroy();
  EXPECT_FALSE(client.Created());
  EXPECT_EQ(CanUnloadNow(), S_OK);
  EXPECT_EQ(client.Browse(nullptr, L"", result), E_UNEXPECTED);
}

TEST(PathwellClientTest, WithoutRegistrationLoadsTheFileFromTheFallbackFolder) {
  {
    Library library;
    ASSERT_HRESULT_SUCCEEDED(library.unregisterServer());
  }
  ::CoFreeUnusedLibraries();
  {
    PathwellClient client;
    EXPECT_HRESULT_FAILED(client.Create(nullptr, L"C:\\nowhere"));
    EXPECT_FALSE(client.Created());
  }
  {
    PathwellClient client;
    ASSERT_HRESULT_SUCCEEDED(client.Create(nullptr, BinFolder()));
    std::wstring result;
    FolderDialogDriver driver(L"C:\\");
    ASSERT_HRESULT_SUCCEEDED(client.Browse(nullptr, L"free", result));
    driver.Join();
    EXPECT_EQ(result, L"C:\\");
  }
  EXPECT_EQ(CanUnloadNow(), S_OK);
  Library library;
  ASSERT_HRESULT_SUCCEEDED(library.registerServer());
}

}  // namespace
}  // namespace quorvel::testing
