#include "PathList.h"

#include <gtest/gtest.h>

#include <string>

using quorvel::installer::NamesFolder;
using quorvel::installer::WithFolder;
using quorvel::installer::WithoutFolder;

namespace {

const std::wstring kDir = L"C:\\Program Files\\Quorvel";
const std::wstring kDirX86 = L"C:\\Program Files (x86)\\Quorvel";

// A machine PATH longer than any fixed buffer of the setup, with the spellings found on real
// machines: unexpanded variables, a trailing backslash, a quoted entry, an empty entry.
std::wstring LongPath() {
  std::wstring path = L"%SystemRoot%\\system32;%SystemRoot%;;\"C:\\Tools; old\\bin\";C:\\Perl\\bin\\";
  for (int i = 0; path.size() < 4200; ++i) path += L";C:\\Program Files\\Vendor " + std::to_wstring(i) + L"\\bin";
  return path;
}

}  // namespace

TEST(PathList, AddingThenRemovingGivesBackTheSameText) {
  const std::wstring values[] = {L"",
                                 L";",
                                 L"C:\\Windows",
                                 L"C:\\Windows;",
                                 L"C:\\Windows;;C:\\Bin;",
                                 L"\"C:\\a;b\";C:\\Windows",
                                 L"C:\\Program Files\\Quorvel2;C:\\Program Files\\Quorve",
                                 LongPath(),
                                 LongPath() + L";"};
  for (const std::wstring& before : values) {
    SCOPED_TRACE(testing::Message() << before.size() << " characters");
    const auto added = WithFolder(before, kDir);
    ASSERT_TRUE(added);
    EXPECT_EQ(added->substr(0, before.size()), before) << "every earlier entry stays in place";
    EXPECT_EQ(WithFolder(*added, kDir), std::nullopt) << "a second add changes nothing";
    const auto removed = WithoutFolder(*added, kDir);
    ASSERT_TRUE(removed);
    EXPECT_EQ(*removed, before);
  }
}

TEST(PathList, BothSetupsTakeAwayOnlyTheirOwnInEitherOrder) {
  const std::wstring before = LongPath();
  const std::wstring both = *WithFolder(*WithFolder(before, kDirX86), kDir);
  EXPECT_EQ(*WithoutFolder(*WithoutFolder(both, kDirX86), kDir), before);
  EXPECT_EQ(*WithoutFolder(*WithoutFolder(both, kDir), kDirX86), before);
  EXPECT_EQ(*WithoutFolder(both, kDirX86), *WithFolder(before, kDir));
}

TEST(PathList, ProgramsAddedAfterTheSetupStayWhenItGoes) {
  const std::wstring added = *WithFolder(L"C:\\Windows", kDir) + L";C:\\Later";
  EXPECT_EQ(WithoutFolder(added, kDir), L"C:\\Windows;C:\\Later");
  EXPECT_EQ(WithoutFolder(kDir + L";C:\\Later", kDir), L"C:\\Later");
}

TEST(PathList, AnEntryNamesTheFolderOnlyAsAWhole) {
  struct Case {
    const wchar_t* entry;
    bool names;
  };
  const Case cases[] = {{L"C:\\Program Files\\Quorvel", true},  {L"c:\\program files\\QUORVEL", true},
                        {L"C:\\Program Files\\Quorvel\\", true}, {L"\"C:\\Program Files\\Quorvel\"", true},
                        {L"C:\\Program Files\\Quorvel2", false}, {L"C:\\Program Files", false},
                        {L"", false},                            {L"%ProgramFiles%\\Quorvel", false}};
  for (const Case& c : cases) {
    EXPECT_EQ(NamesFolder(c.entry, kDir), c.names) << std::string(c.entry, c.entry + wcslen(c.entry));
  }
}

TEST(PathList, AFolderAlreadyThereIsNeitherAddedNorLaterTakenFromElsewhere) {
  EXPECT_EQ(WithFolder(L"C:\\Windows;c:\\program files\\quorvel\\", kDir), std::nullopt);
  EXPECT_EQ(WithoutFolder(L"C:\\Windows;C:\\Program Files\\Quorvel2", kDir), std::nullopt);
  // With the folder twice, the later entry (the one a setup appended) goes.
  EXPECT_EQ(WithoutFolder(kDir + L";C:\\Windows;" + kDir, kDir), kDir + L";C:\\Windows");
}

TEST(PathList, AFolderWithASeparatorIsQuotedAndFoundAgain) {
  const std::wstring dir = L"D:\\Odd;Name";
  const auto added = WithFolder(L"C:\\Windows", dir);
  EXPECT_EQ(added, L"C:\\Windows;\"D:\\Odd;Name\"");
  EXPECT_EQ(WithoutFolder(*added, dir), L"C:\\Windows");
}
