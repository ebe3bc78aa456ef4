#include "WavPlay.h"

#include <gtest/gtest.h>

#include "Res.h"
#include "Resource.h"
#include "TestSupport.h"
#include "Text.h"

namespace quorvel {
namespace {

using testing::FakePlatform;
using testing::KeyClickResource;
using testing::ReadFileBytes;
using testing::ScratchFolder;
using testing::WriteFileBytes;

// The program folder is a scratch folder for each test.
class WavPlayTest : public ::testing::Test {
 protected:
  void SetUp() override { platform.programFolder = folder.Path(); }
  std::wstring KeyClickFile() const { return folder / L"keyclick.wav"; }
  // Plays the key click and tells whether it came from the program's own copy in memory.
  bool ClickPlaysFromMemory() {
    platform.sounds.clear();
    WavPlay::PlayKeyClick();
    const bool fromMemory = platform.sounds.size() == 1 && (platform.sounds[0].flags & SND_MEMORY);
    platform.sounds.clear();
    return fromMemory;
  }

  ScratchFolder folder;
  FakePlatform platform;
  ScopedPlatform scoped{platform};
};

TEST_F(WavPlayTest, MissingFileIsWrittenAndTheClickPlaysIt) {
  WavPlay::EnsureKeyClickFile();
  EXPECT_EQ(ReadFileBytes(KeyClickFile()), KeyClickResource());
  EXPECT_FALSE(ClickPlaysFromMemory());

  WavPlay::PlayKeyClick();
  ASSERT_EQ(platform.sounds.size(), 1u);
  EXPECT_EQ(platform.sounds[0].file, win::ToAnsi(KeyClickFile()));
  EXPECT_EQ(platform.sounds[0].flags, 0u);  // synchronous, default sound allowed
}

TEST_F(WavPlayTest, AFileAlreadyThereIsNeitherExaminedNorRewritten) {
  WriteFileBytes(KeyClickFile(), "not a sound at all");
  WavPlay::EnsureKeyClickFile();
  EXPECT_EQ(ReadFileBytes(KeyClickFile()), "not a sound at all");

  // Read-only counts as a normal file too.
  ASSERT_TRUE(::SetFileAttributesW(KeyClickFile().c_str(), FILE_ATTRIBUTE_READONLY));
  WavPlay::EnsureKeyClickFile();
  EXPECT_EQ(ReadFileBytes(KeyClickFile()), "not a sound at all");
  EXPECT_FALSE(ClickPlaysFromMemory());
}

TEST_F(WavPlayTest, AHiddenFileIsNotFoundAndIsWrittenAgain) {
  WriteFileBytes(KeyClickFile(), std::string(12000, 'h'));
  ASSERT_TRUE(::SetFileAttributesW(KeyClickFile().c_str(), FILE_ATTRIBUTE_HIDDEN));
  WavPlay::EnsureKeyClickFile();
  const std::string now = ReadFileBytes(KeyClickFile());
  ASSERT_EQ(now.size(), 12000u);  // written over from the first byte, not emptied
  EXPECT_EQ(now.substr(0, 10068), KeyClickResource());
  EXPECT_FALSE(ClickPlaysFromMemory());
}

TEST_F(WavPlayTest, UnwritableLocationDoesNotFailAndTheClickPlaysFromMemory) {
  // A folder named like the sound cannot be opened as a file; a missing program folder
  // cannot take one.
  for (const std::wstring& programFolder : {folder.Path(), folder / L"gone"}) {
    platform.sounds.clear();
    ::CreateDirectoryW((folder / L"keyclick.wav").c_str(), nullptr);
    platform.programFolder = programFolder;
    EXPECT_NO_THROW(WavPlay::EnsureKeyClickFile());
    EXPECT_TRUE(ClickPlaysFromMemory());

    WavPlay::PlayKeyClick();
    ASSERT_EQ(platform.sounds.size(), 1u);
    EXPECT_EQ(platform.sounds[0].flags, static_cast<UINT>(SND_MEMORY));  // still synchronous
    EXPECT_EQ(platform.sounds[0].image, Res::LoadResourceBytes(IDR_KEYCLICK, L"SOUNDS").data());
  }
}

TEST_F(WavPlayTest, AtADriveRootTheNameIsJoinedPlainly) {
  WavPlay::EnsureKeyClickFile();  // written at start-up: the click plays the file
  platform.programFolder = L"C:\\";
  WavPlay::PlayKeyClick();
  ASSERT_EQ(platform.sounds.size(), 1u);
  EXPECT_EQ(platform.sounds[0].file, "C:\\\\keyclick.wav");
}

TEST_F(WavPlayTest, PlayWavePassesTheFileInTheAnsiCodePage) {
  const std::wstring path = L"C:\\Sounds\\caf\u00e9.wav";
  WavPlay::PlayWave(path);
  ASSERT_EQ(platform.sounds.size(), 1u);
  EXPECT_EQ(win::FromAnsi(platform.sounds[0].file), path);
  EXPECT_EQ(platform.sounds[0].flags, 0u);
}

}  // namespace
}  // namespace quorvel
