#include "TextFile.h"

#include <gtest/gtest.h>

#include "TestFiles.h"
#include "VbError.h"

namespace quorvel {
namespace {

using testing::TempFolder;

int ErrorWriting(const std::wstring& target, std::string_view bytes) {
  try {
    TextFile::WriteReplacing(target, bytes);
  } catch (const VbError& e) {
    return e.Number();
  }
  return 0;
}

TEST(TextFileTest, WritesNewFilesAndReplacesOldOnesWithNothingLeftBeside) {
  TempFolder dir;
  TextFile::WriteReplacing(dir / L"out.txt", "one\r\ntwo\r\n");
  EXPECT_EQ(TempFolder::Read(dir / L"out.txt"), "one\r\ntwo\r\n");
  TextFile::WriteReplacing(dir / L"out.txt", "x");
  EXPECT_EQ(TempFolder::Read(dir / L"out.txt"), "x");
  TextFile::WriteReplacing(dir / L"empty.txt", "");
  EXPECT_EQ(TempFolder::Read(dir / L"empty.txt"), "");
  EXPECT_EQ(dir.Listing(), L"empty.txt|out.txt");
}

TEST(TextFileTest, FailuresLeaveTheTargetAsItWas) {
  TempFolder dir;
  EXPECT_EQ(ErrorWriting(dir / L"no such folder\\out.txt", "abc"), 76);

  const std::wstring readOnly = dir / L"ro.txt";
  TempFolder::Write(readOnly, "keep me");
  ::SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(ErrorWriting(readOnly, "new"), 75);
  EXPECT_EQ(TempFolder::Read(readOnly), "keep me");

  const std::wstring hidden = dir / L"hidden.txt";
  TempFolder::Write(hidden, "secret");
  ::SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(ErrorWriting(hidden, "new"), 75);
  EXPECT_EQ(TempFolder::Read(hidden), "secret");

  ::CreateDirectoryW((dir / L"sub").c_str(), nullptr);
  EXPECT_EQ(ErrorWriting(dir / L"sub", "new"), 75);

  const std::wstring locked = dir / L"locked.txt";
  TempFolder::Write(locked, "in use");
  HANDLE lock = ::CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(ErrorWriting(locked, "new"), 0);
  ::CloseHandle(lock);
  EXPECT_EQ(TempFolder::Read(locked), "in use");

  EXPECT_EQ(dir.Listing(), L"hidden.txt|locked.txt|ro.txt|sub");  // no temporary file left
}

}  // namespace
}  // namespace quorvel
