#include "Res.h"

#include <gtest/gtest.h>

#include <cstring>

#include "Raii.h"
#include "Resource.h"
#include "TestSupport.h"
#include "VbErrorAssert.h"

namespace quorvel {
namespace {

using testing::KeyClickResource;
using testing::ReadFileBytes;
using testing::ScratchFolder;
using testing::WriteFileBytes;

uint32_t U32(const std::string& s, size_t at) {
  uint32_t v;
  std::memcpy(&v, s.data() + at, 4);
  return v;
}
uint16_t U16(const std::string& s, size_t at) {
  uint16_t v;
  std::memcpy(&v, s.data() + at, 2);
  return v;
}

TEST(Res, KeyClickWrittenOutIsTheResourceInTheTabledWavLayout) {
  ScratchFolder folder;
  const std::wstring file = folder / L"keyclick.wav";
  Res::SaveResourceToFile(file, IDR_KEYCLICK, L"SOUNDS");
  const std::string wav = ReadFileBytes(file);
  ASSERT_EQ(wav, KeyClickResource());
  ASSERT_EQ(wav.size(), 10068u);

  EXPECT_EQ(wav.substr(0, 4), "RIFF");
  EXPECT_EQ(U32(wav, 4), 10060u);
  EXPECT_EQ(wav.substr(8, 4), "WAVE");
  EXPECT_EQ(wav.substr(12, 4), "fmt ");
  EXPECT_EQ(U32(wav, 16), 16u);
  EXPECT_EQ(U16(wav, 20), 1);       // PCM
  EXPECT_EQ(U16(wav, 22), 1);       // mono
  EXPECT_EQ(U32(wav, 24), 44100u);
  EXPECT_EQ(U32(wav, 28), 88200u);
  EXPECT_EQ(U16(wav, 32), 2);
  EXPECT_EQ(U16(wav, 34), 16);
  EXPECT_EQ(wav.substr(36, 4), "fact");
  EXPECT_EQ(U32(wav, 40), 4u);
  EXPECT_EQ(U32(wav, 44), 5006u);
  EXPECT_EQ(wav.substr(48, 4), "data");
  EXPECT_EQ(U32(wav, 52), 10012u);

  // A click, not silence: it has a real peak and ends quietly.
  int peak = 0;
  for (size_t i = 56; i < wav.size(); i += 2) peak = std::max(peak, std::abs(static_cast<int16_t>(U16(wav, i))));
  EXPECT_GT(peak, 8000);
  EXPECT_LT(std::abs(static_cast<int16_t>(U16(wav, wav.size() - 2))), 64);
}

TEST(Res, OverAnExistingLongerFileOnlyTheFirstBytesChange) {
  ScratchFolder folder;
  const std::wstring file = folder / L"longer.bin";
  const std::string old(20000, 'x');
  WriteFileBytes(file, old);

  Res::SaveResourceToFile(file, IDR_KEYCLICK, L"SOUNDS");

  const std::string now = ReadFileBytes(file);
  ASSERT_EQ(now.size(), old.size());
  EXPECT_EQ(now.substr(0, 10068), KeyClickResource());
  EXPECT_EQ(now.substr(10068), old.substr(10068));
}

TEST(Res, FailuresReachTheCallerAsFileErrors) {
  ScratchFolder folder;
  // A name that cannot be opened as a file for writing: a folder of that name.
  const std::wstring taken = folder / L"keyclick.wav";
  ASSERT_TRUE(::CreateDirectoryW(taken.c_str(), nullptr));
  EXPECT_VB_ERROR(Res::SaveResourceToFile(taken, IDR_KEYCLICK, L"SOUNDS"), kErrPathFileAccess);

  // A read-only file; Wine run as root writes it anyway, so this part only counts where
  // the system refuses the write.
  const std::wstring readOnly = folder / L"readonly.wav";
  WriteFileBytes(readOnly, "old");
  ASSERT_TRUE(::SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
  win::Handle probe(::CreateFileW(readOnly.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!probe) {
    EXPECT_VB_ERROR(Res::SaveResourceToFile(readOnly, IDR_KEYCLICK, L"SOUNDS"), kErrPathFileAccess);
    EXPECT_TRUE(ReadFileBytes(readOnly) == "old");
  } else {
    probe.reset();
  }

  EXPECT_VB_ERROR(Res::SaveResourceToFile(folder / L"no such folder\\k.wav", IDR_KEYCLICK, L"SOUNDS"), kErrPathNotFound);

  // Another program holds the file without sharing it.
  const std::wstring locked = folder / L"locked.wav";
  win::Handle holder(::CreateFileW(locked.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  ASSERT_TRUE(holder);
  EXPECT_VB_ERROR(Res::SaveResourceToFile(locked, IDR_KEYCLICK, L"SOUNDS"), kErrPermissionDenied);
  holder.reset();

  EXPECT_THROW(Res::SaveResourceToFile(folder / L"none.wav", 999, L"SOUNDS"), VbError);
  EXPECT_FALSE(testing::ReadFileBytes(folder / L"none.wav").size());
}

}  // namespace
}  // namespace quorvel
