// The browse method: the request record and buffer it hands the Shell (through a stand-in
// of the Shell's entry points), and the real folder dialog driven from a watcher thread.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "FolderDialogDriver.h"
#include "ShellBrowse.h"
#include "TestSupport.h"
#include "Text.h"

namespace quorvel::testing {
namespace {

using pathwell::BrowseForFolder;
using pathwell::ShellApi;

// The stand-in: records what the control passes and answers as told.
struct FakeShell {
  static inline BROWSEINFOW seen{};
  static inline std::wstring seenTitle;
  static inline std::wstring bufferHandedIn;
  static inline PIDLIST_ABSOLUTE answer = nullptr;
  static inline std::wstring path;
  static inline BOOL pathResult = TRUE;
  static inline int pathCalls = 0;
  static inline int frees = 0;
  static inline LPVOID freed = reinterpret_cast<LPVOID>(1);

  static void Reset(PIDLIST_ABSOLUTE items, std::wstring folder, BOOL found = TRUE) {
    seen = {};
    seenTitle.clear();
    bufferHandedIn.clear();
    answer = items;
    path = std::move(folder);
    pathResult = found;
    pathCalls = frees = 0;
    freed = reinterpret_cast<LPVOID>(1);
  }
  static PIDLIST_ABSOLUTE WINAPI Browse(LPBROWSEINFOW info) {
    seen = *info;
    seenTitle = info->lpszTitle ? info->lpszTitle : L"<null>";
    return answer;
  }
  static BOOL WINAPI Path(PCIDLIST_ABSOLUTE, LPWSTR buffer) {
    ++pathCalls;
    bufferHandedIn.assign(buffer, MAX_PATH);
    if (pathResult) memcpy(buffer, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
    return pathResult;
  }
  static void WINAPI Free(LPVOID memory) {
    ++frees;
    freed = memory;
  }
  static ShellApi Api() {
    ShellApi api;
    api.browse = &Browse;
    api.path = &Path;
    api.free = &Free;
    return api;
  }
};

auto* const kItems = reinterpret_cast<PIDLIST_ABSOLUTE>(0x1234);
// "Отчёты" and "Куда?": no Western code page holds them.
const std::wstring kCyrillicFolder = L"\u041E\u0442\u0447\u0451\u0442\u044B";
const std::wstring kCyrillicPrompt = L"\u041A\u0443\u0434\u0430?";

TEST(PathwellBrowse, FillsTheRequestRecordAndHandsInABufferOf260Spaces) {
  FakeShell::Reset(kItems, L"C:\\Data");
  std::wstring result;
  ASSERT_HRESULT_SUCCEEDED(
      BrowseForFolder(FakeShell::Api(), reinterpret_cast<HWND>(0x5678), L"Pick one", 0x41, result));
  EXPECT_EQ(FakeShell::seen.hwndOwner, reinterpret_cast<HWND>(0x5678));
  EXPECT_EQ(FakeShell::seen.pidlRoot, nullptr);
  EXPECT_EQ(FakeShell::seen.pszDisplayName, nullptr);
  EXPECT_EQ(FakeShell::seenTitle, L"Pick one");
  EXPECT_EQ(FakeShell::seen.ulFlags, 0x41u);
  EXPECT_EQ(FakeShell::seen.lpfn, nullptr);
  EXPECT_EQ(FakeShell::seen.lParam, 0);
  EXPECT_EQ(FakeShell::seen.iImage, 0);
  EXPECT_EQ(FakeShell::bufferHandedIn, std::wstring(MAX_PATH, L' '));
  EXPECT_EQ(result, L"C:\\Data");
  EXPECT_EQ(FakeShell::frees, 1);
  EXPECT_EQ(FakeShell::freed, kItems);
}

TEST(PathwellBrowse, CancelGivesEmptyAndFreesTheNullList) {
  FakeShell::Reset(nullptr, L"unused");
  std::wstring result = L"old";
  ASSERT_HRESULT_SUCCEEDED(BrowseForFolder(FakeShell::Api(), nullptr, L"", 1, result));
  EXPECT_EQ(result, L"");
  EXPECT_EQ(FakeShell::seenTitle, L"");  // an empty prompt, not a missing one
  EXPECT_EQ(FakeShell::frees, 1);
  EXPECT_EQ(FakeShell::freed, nullptr);
}

TEST(PathwellBrowse, ItemWithoutFileSystemPathGivesEmptyAndIsStillFreed) {
  FakeShell::Reset(kItems, L"", FALSE);
  std::wstring result;
  ASSERT_HRESULT_SUCCEEDED(BrowseForFolder(FakeShell::Api(), nullptr, L"x", 0, result));
  EXPECT_EQ(result, L"");
  EXPECT_EQ(FakeShell::pathCalls, 1);
  EXPECT_EQ(FakeShell::freed, kItems);
}

TEST(PathwellBrowse, PathOf259CharactersComesBackWhole) {
  // 259 characters, not bytes: the buffer holds 260 of them whatever their code.
  for (const wchar_t letter : {L'a', L'\u0451'}) {
    const std::wstring longest = L"C:\\" + std::wstring(256, letter);
    ASSERT_EQ(longest.size(), 259u);
    FakeShell::Reset(kItems, longest);
    std::wstring result;
    ASSERT_HRESULT_SUCCEEDED(BrowseForFolder(FakeShell::Api(), nullptr, L"x", 1, result));
    EXPECT_EQ(result, longest);
    EXPECT_EQ(FakeShell::frees, 1);
  }
}

TEST(PathwellBrowse, PromptAndPathReachTheShellAndComeBackUnchangedInAnyScript) {
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L"Caf\u00E9", L"C:\\Caf\u00E9"},                                 // held by the Western code pages
      {kCyrillicPrompt, L"C:\\Users\\" + kCyrillicFolder},              // held by none of them
      {L"\u65B0\u3057\u3044 \U0001F4C1", L"D:\\\u65B0\u3057\u3044\\\U0001F4C1"},  // surrogate pairs too
  };
  for (const auto& [prompt, folder] : cases) {
    FakeShell::Reset(kItems, folder);
    std::wstring result;
    ASSERT_HRESULT_SUCCEEDED(BrowseForFolder(FakeShell::Api(), nullptr, prompt, 1, result));
    EXPECT_EQ(FakeShell::seenTitle, prompt);
    EXPECT_EQ(result, folder);
  }
}

// --- the real dialog ---

class PathwellDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    folder_ = std::wstring(temp) + L"PathwellBrowseTest";
    ::CreateDirectoryW(folder_.c_str(), nullptr);
    wchar_t longName[MAX_PATH] = {};
    ::GetLongPathNameW(folder_.c_str(), longName, MAX_PATH);
    folder_ = longName;
    ownerWindow_.reset(::CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                         nullptr, nullptr, nullptr));
    owner_ = ownerWindow_.get();
  }
  void TearDown() override {
    ownerWindow_.reset();
    if (!subfolder_.empty()) ::RemoveDirectoryW(subfolder_.c_str());
    ::RemoveDirectoryW(folder_.c_str());
    EXPECT_EQ(CanUnloadNow(), S_OK);
  }
  // A folder `name` inside the test's folder, removed with it.
  std::wstring MakeSubfolder(const std::wstring& name) {
    subfolder_ = folder_ + L"\\" + name;
    ::CreateDirectoryW(subfolder_.c_str(), nullptr);
    return subfolder_;
  }
  std::wstring folder_;
  std::wstring subfolder_;
  win::WindowHandle ownerWindow_;
  HWND owner_ = nullptr;
};

TEST_F(PathwellDialogTest, ChosenFolderComesBackWithoutBackslashUnderItsOwnerAndPrompt) {
  Control control;
  ASSERT_HRESULT_SUCCEEDED(control.created);
  FolderDialogDriver driver(folder_);
  std::wstring result;
  ASSERT_HRESULT_SUCCEEDED(
      InvokeBrowse(control.dispatch.get(), owner_, L"Where to?", result));
  driver.Join();
  ASSERT_TRUE(driver.Found());
  EXPECT_EQ(driver.Owner(), owner_);
  EXPECT_TRUE(driver.HasText(L"Where to?"));
  EXPECT_EQ(::lstrcmpiW(result.c_str(), folder_.c_str()), 0) << std::string(result.begin(), result.end());
}

TEST_F(PathwellDialogTest, FolderNamedOutsideTheCodePageComesBackAsNamedUnderItsUnicodePrompt) {
  const std::wstring named = MakeSubfolder(kCyrillicFolder);
  ASSERT_NE(::GetFileAttributesW(named.c_str()), INVALID_FILE_ATTRIBUTES);
  Control control;
  ASSERT_HRESULT_SUCCEEDED(control.created);
  FolderDialogDriver driver(named);
  std::wstring result;
  ASSERT_HRESULT_SUCCEEDED(InvokeBrowse(control.dispatch.get(), nullptr, kCyrillicPrompt, result));
  driver.Join();
  ASSERT_TRUE(driver.Found());
  EXPECT_TRUE(driver.HasText(kCyrillicPrompt));
  EXPECT_EQ(::lstrcmpiW(result.c_str(), named.c_str()), 0) << win::Utf8(result);
  EXPECT_TRUE(result.ends_with(L"\\" + kCyrillicFolder));  // the name exactly, not only up to case
  EXPECT_NE(::GetFileAttributesW(result.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(PathwellDialogTest, DriveRootKeepsItsBackslash) {
  Control control;
  ASSERT_HRESULT_SUCCEEDED(control.created);
  FolderDialogDriver driver(L"C:\\");
  std::wstring result;
  ASSERT_HRESULT_SUCCEEDED(InvokeBrowse(control.dispatch.get(), nullptr, L"root", result));
  driver.Join();
  ASSERT_TRUE(driver.Found());
  EXPECT_EQ(result, L"C:\\");
}

TEST_F(PathwellDialogTest, CancelWithoutOwnerAndWithEmptyPromptGivesEmpty) {
  Control control;
  ASSERT_HRESULT_SUCCEEDED(control.created);
  FolderDialogDriver driver(L"");
  std::wstring result = L"unchanged?";
  ASSERT_HRESULT_SUCCEEDED(InvokeBrowse(control.dispatch.get(), nullptr, L"", result));
  driver.Join();
  ASSERT_TRUE(driver.Found());
  EXPECT_EQ(driver.Owner(), nullptr);
  EXPECT_EQ(result, L"");
}

// A late-bound call as VBA makes it: the member looked up by name, invoked as method or
// property get, the caller's Long and String variables passed by reference; BType set from
// a Long variable by reference and read back. The Invoke is spelt out here rather than taken
// from InvokeBrowse, because that shape of the call is what this test checks.
TEST_F(PathwellDialogTest, LateBoundCallsAsVbaMakesThem) {
  Control control;
  ASSERT_HRESULT_SUCCEEDED(control.created);
  LPOLESTR name = const_cast<LPOLESTR>(L"Pathwell");
  DISPID id = DISPID_UNKNOWN;
  ASSERT_HRESULT_SUCCEEDED(control.dispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id));

  LONG owner = static_cast<LONG>(reinterpret_cast<LONG_PTR>(owner_));
  BSTR prompt = ::SysAllocString(L"Pick a folder");
  VARIANTARG args[2];
  V_VT(&args[0]) = VT_BYREF | VT_BSTR;
  V_BSTRREF(&args[0]) = &prompt;
  V_VT(&args[1]) = VT_BYREF | VT_I4;
  V_I4REF(&args[1]) = &owner;
  DISPPARAMS params{args, nullptr, 2, 0};
  win::Variant result;
  FolderDialogDriver driver(folder_);
  const HRESULT hr = control.dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                                              &params, result.put(), nullptr, nullptr);
  driver.Join();
  ASSERT_HRESULT_SUCCEEDED(hr);
  ASSERT_TRUE(driver.Found());
  EXPECT_EQ(driver.Owner(), owner_);
  EXPECT_TRUE(driver.HasText(L"Pick a folder"));
  ASSERT_EQ(result.type(), VT_BSTR);
  EXPECT_EQ(::lstrcmpiW(result.Text().c_str(), folder_.c_str()), 0);
  EXPECT_EQ(owner, static_cast<LONG>(reinterpret_cast<LONG_PTR>(owner_)));
  EXPECT_STREQ(prompt, L"Pick a folder");
  const win::Bstr promptOwner(prompt);

  LONG type = 0x41;
  VARIANTARG value;
  V_VT(&value) = VT_BYREF | VT_I4;
  V_I4REF(&value) = &type;
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS put{&value, &named, 1, 1};
  ASSERT_HRESULT_SUCCEEDED(
      control.dispatch->Invoke(kDispidBType, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr));
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  ASSERT_HRESULT_SUCCEEDED(control.dispatch->Invoke(kDispidBType, IID_NULL, LOCALE_USER_DEFAULT,
                                                    DISPATCH_METHOD | DISPATCH_PROPERTYGET, &none, result.put(), nullptr, nullptr));
  EXPECT_EQ(result.type(), VT_I4);
  EXPECT_EQ(result.Long(), 0x41);
}

}  // namespace
}  // namespace quorvel::testing
