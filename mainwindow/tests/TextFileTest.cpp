#include "TextFile.h"

#include <gtest/gtest.h>

#include "Raii.h"
#include "ScratchFolder.h"
#include "VbErrorAssert.h"

namespace quorvel {
namespace {

using testing::ReadFileBytes;
using testing::ScratchFolder;
using testing::WriteFileBytes;

TEST(TextFileTest, WritesNewFilesAndReplacesOldOnesWithNothingLeftBeside) {
  ScratchFolder dir;
  TextFile::WriteReplacing(dir / L"out.txt", "one\r\ntwo\r\n");
  EXPECT_EQ(ReadFileBytes(dir / L"out.txt"), "one\r\ntwo\r\n");
  TextFile::WriteReplacing(dir / L"out.txt", "x");
  EXPECT_EQ(ReadFileBytes(dir / L"out.txt"), "x");
  TextFile::WriteReplacing(dir / L"empty.txt", "");
  EXPECT_EQ(ReadFileBytes(dir / L"empty.txt"), "");
  EXPECT_EQ(dir.Listing(), L"empty.txt|out.txt");
}

TEST(TextFileTest, FailuresLeaveTheTargetAsItWas) {
  ScratchFolder dir;
  EXPECT_VB_ERROR(TextFile::WriteReplacing(dir / L"no such folder\\out.txt", "abc"), kErrPathNotFound);

  const std::wstring readOnly = dir / L"ro.txt";
  WriteFileBytes(readOnly, "keep me");
  ::SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_VB_ERROR(TextFile::WriteReplacing(readOnly, "new"), kErrPathFileAccess);
  EXPECT_EQ(ReadFileBytes(readOnly), "keep me");

  const std::wstring hidden = dir / L"hidden.txt";
  WriteFileBytes(hidden, "secret");
  ::SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_VB_ERROR(TextFile::WriteReplacing(hidden, "new"), kErrPathFileAccess);
  EXPECT_EQ(ReadFileBytes(hidden), "secret");

  ::CreateDirectoryW((dir / L"sub").c_str(), nullptr);
  EXPECT_VB_ERROR(TextFile::WriteReplacing(dir / L"sub", "new"), kErrPathFileAccess);

  const std::wstring locked = dir / L"locked.txt";
  WriteFileBytes(locked, "in use");
  win::Handle lock(::CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_THROW(TextFile::WriteReplacing(locked, "new"), VbError);
  lock.reset();
  EXPECT_EQ(ReadFileBytes(locked), "in use");

  EXPECT_EQ(dir.Listing(), L"hidden.txt|locked.txt|ro.txt|sub");  // no temporary file left
}

}  // namespace
}  // namespace quorvel
