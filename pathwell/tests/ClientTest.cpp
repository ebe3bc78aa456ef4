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

// The host hands the prompt in and takes the path out as the Unicode text they are: a folder
// named in a script the ANSI code page lacks ("Отчёты") comes back as named.
TEST(PathwellClientTest, CarriesAPromptAndAPathOutsideTheCodePageUnchanged) {
  wchar_t temp[MAX_PATH] = {};
  ASSERT_GT(::GetTempPathW(MAX_PATH, temp), 0u);
  wchar_t longTemp[MAX_PATH] = {};
  ASSERT_GT(::GetLongPathNameW(temp, longTemp, MAX_PATH), 0u);
  const std::wstring leaf = L"\u041E\u0442\u0447\u0451\u0442\u044B";
  const std::wstring folder = std::wstring(longTemp) + leaf;
  ::CreateDirectoryW(folder.c_str(), nullptr);
  ASSERT_NE(::GetFileAttributesW(folder.c_str()), INVALID_FILE_ATTRIBUTES);
  const std::wstring prompt = L"\u041A\u0443\u0434\u0430 \u0441\u043E\u0445\u0440\u0430\u043D\u0438\u0442\u044C?";
  std::wstring result;
  {
    PathwellClient client;
    ASSERT_HRESULT_SUCCEEDED(client.Create(nullptr, BinFolder()));
    FolderDialogDriver driver(folder);
    const HRESULT hr = client.Browse(nullptr, prompt, result);
    driver.Join();
    EXPECT_HRESULT_SUCCEEDED(hr);
    EXPECT_TRUE(driver.HasText(prompt));
  }
  ::RemoveDirectoryW(folder.c_str());
  EXPECT_EQ(::lstrcmpiW(result.c_str(), folder.c_str()), 0);
  EXPECT_TRUE(result.ends_with(L"\\" + leaf));  // the name exactly, not only up to case
  EXPECT_EQ(CanUnloadNow(), S_OK);
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
