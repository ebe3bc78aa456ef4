#include "SourceFile.h"

#include <gtest/gtest.h>

#include "Raii.h"
#include "ScratchFolder.h"
#include "VbErrorAssert.h"

namespace quorvel {
namespace {

using testing::ScratchFolder;
using testing::WriteFileBytes;

TEST(SourceFileTest, ReadsEveryByteInPiecesOfAnySize) {
  ScratchFolder dir;
  std::string bytes;
  for (int i = 0; i < 300000; ++i) bytes.push_back(static_cast<char>(i * 7));
  WriteFileBytes(dir / L"data.bin", bytes);

  SourceFile file(dir / L"data.bin");
  EXPECT_EQ(file.Length(), bytes.size());
  std::string read;
  std::uint8_t piece[1000];
  for (size_t got; (got = file.Read(piece, 1 + read.size() % 999)) > 0;) read.append(reinterpret_cast<char*>(piece), got);
  EXPECT_EQ(read, bytes);
}

TEST(SourceFileTest, OpenFailuresBecomeVisualBasicErrors) {
  ScratchFolder dir;
  EXPECT_VB_ERROR(SourceFile(dir / L"missing.bin"), kErrFileNotFound);
  EXPECT_VB_ERROR(SourceFile(dir / L"no folder\\x.bin"), kErrPathNotFound);
  EXPECT_VB_ERROR(SourceFile(dir.Path()), kErrPathFileAccess);  // a folder is no source

  WriteFileBytes(dir / L"locked.bin", "abc");
  win::Handle lock(::CreateFileW((dir / L"locked.bin").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(lock);
  EXPECT_VB_ERROR(SourceFile(dir / L"locked.bin"), kErrPermissionDenied);
  lock.reset();
}

TEST(SourceFileTest, LetsOthersWriteAndDeleteWhileOpenAndReleasesTheFileWhenGone) {
  ScratchFolder dir;
  const std::wstring path = dir / L"shared.bin";
  WriteFileBytes(path, "hello");
  {
    SourceFile file(path);
    win::Handle writer(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(writer);
    writer.reset();
  }
  win::Handle exclusive(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_TRUE(exclusive);
  exclusive.reset();
}

}  // namespace
}  // namespace quorvel
