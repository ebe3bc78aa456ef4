#include "StringStuff.h"

#include <gtest/gtest.h>

using namespace quorvel::StringStuff;

TEST(FileNameFromPath, TakesTheTextAfterTheLastBackslashOnly) {
  EXPECT_EQ(FileNameFromPath("C:\\Data\\a.b"), "a.b");
  EXPECT_EQ(FileNameFromPath("a.b"), "a.b");
  EXPECT_EQ(FileNameFromPath("C:\\Data\\"), "");
  EXPECT_EQ(FileNameFromPath("/home/user/a.b"), "/home/user/a.b");
  EXPECT_EQ(FileNameFromPath(""), "");
}

TEST(DotsToUnderscores, ReplacesDotsAndNothingElse) {
  EXPECT_EQ(DotsToUnderscores("my file.tar.gz"), "my file_tar_gz");
  EXPECT_EQ(DotsToUnderscores("..."), "___");
  EXPECT_EQ(DotsToUnderscores("no-dots here"), "no-dots here");
}

TEST(MakeStem, KeepsValidNamesAsDotsToUnderscoresGivesThem) {
  EXPECT_EQ(MakeStem("a.b"), "a_b");
  EXPECT_EQ(MakeStem("README"), "README");
  EXPECT_EQ(MakeStem("Setup_2.exe"), "Setup_2_exe");
}

TEST(MakeStem, TurnsEveryCharacterAVbNameCannotHoldIntoUnderscore) {
  EXPECT_EQ(MakeStem("my file.tar.gz"), "my_file_tar_gz");
  EXPECT_EQ(MakeStem("a-b (1)&c.txt"), "a_b__1__c_txt");
  // One underscore per character, not per UTF-8 byte.
  EXPECT_EQ(MakeStem("caf\xC3\xA9.png"), "caf__png");
  EXPECT_EQ(MakeStem("\xE2\x82\xAC" "uro"), "File__uro");
}

// Names are decoded as strictly as the generator checks them: an overlong form, a surrogate, a
// stray continuation byte or a character cut short is one underscore per byte.
TEST(MakeStem, TurnsEachByteOfBrokenUtf8IntoOneUnderscore) {
  EXPECT_EQ(MakeStem("a\xC0\x80" "b"), "a__b");            // overlong NUL
  EXPECT_EQ(MakeStem("a\xED\xA0\x80" "b"), "a___b");       // a surrogate
  EXPECT_EQ(MakeStem("a\xF5\x80\x80\x80"), "a____");      // past U+10FFFF
  EXPECT_EQ(MakeStem("a\x80" "b"), "a_b");
  EXPECT_EQ(MakeStem("a\xE2\x82"), "a__");                  // cut short at the end
  EXPECT_EQ(MakeAttribName("x\xC0\xAF" "y.txt"), "modx__y");
}

TEST(MakeStem, PrefixesNamesThatDoNotBeginWithALetter) {
  EXPECT_EQ(MakeStem("1.png"), "File_1_png");
  EXPECT_EQ(MakeStem(".hidden"), "File__hidden");
  EXPECT_EQ(MakeStem("_x"), "File__x");
  EXPECT_EQ(MakeStem(""), "File_");
}

TEST(MakeStem, CutsLongNamesTo240Characters) {
  const std::string name(300, 'a');
  EXPECT_EQ(MakeStem(name), std::string(240, 'a'));
  EXPECT_EQ(MakeStem(std::string(240, 'b') + ".txt").size(), 240u);
}

TEST(MakeAttribName, IsModPlusTheNameBeforeItsFirstDot) {
  EXPECT_EQ(MakeAttribName("a.b"), "moda");
  EXPECT_EQ(MakeAttribName("my file.tar.gz"), "modmy_file");
  EXPECT_EQ(MakeAttribName(".profile"), "mod");
  EXPECT_EQ(MakeAttribName("READ ME"), "modREAD_ME");
  EXPECT_EQ(MakeAttribName("1.png"), "mod1");
  EXPECT_EQ(MakeAttribName("x(1)-\xC3\xA9.txt"), "modx_1___");
}

TEST(MakeAttribName, IsCutTo31CharactersWhileTheStemKeeps240) {
  const std::string name(10000, 'a');
  EXPECT_EQ(MakeAttribName(name + ".bin"), "mod" + std::string(28, 'a'));
  EXPECT_EQ(MakeAttribName(std::string(28, 'b')), "mod" + std::string(28, 'b'));
  EXPECT_EQ(MakeStem(name).size(), 240u);
}
