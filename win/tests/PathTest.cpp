#include "Path.h"

#include <gtest/gtest.h>

#include <string>

namespace quorvel::win {
namespace {

struct Split {
  const wchar_t* path;
  const wchar_t* folder;
  const wchar_t* fileName;
};

// The cases where the program's callers once split paths each their own way.
constexpr Split kSplits[] = {
    {L"C:\\Data\\a.b", L"C:\\Data", L"a.b"},
    {L"C:\\Data\\", L"C:\\Data", L""},         // trailing separator: a folder, no name
    {L"C:\\a.b", L"C:\\", L"a.b"},             // drive root keeps its separator
    {L"C:\\", L"C:\\", L""},
    {L"\\a.b", L"\\", L"a.b"},                 // root of the current drive
    {L"a.b", L"", L"a.b"},                     // no separator: no folder
    {L"", L"", L""},
    {L"C:a.b", L"", L"C:a.b"},                 // a colon separates nothing
    {L"C:/Data/a.b", L"C:/Data", L"a.b"},      // forward slashes are separators too
    {L"C:\\Data/sub\\a.b", L"C:\\Data/sub", L"a.b"},
    {L"C:/a.b", L"C:/", L"a.b"},
    {L"\\\\server\\share\\a.b", L"\\\\server\\share", L"a.b"},
};

TEST(Path, SplitsEveryKindOfPathByOneRule) {
  for (const Split& s : kSplits) {
    SCOPED_TRACE(testing::Message() << "path " << testing::PrintToString(std::wstring(s.path)));
    EXPECT_EQ(FolderOf(s.path), s.folder);
    EXPECT_EQ(FileNameOf(s.path), s.fileName);
  }
}

TEST(Path, JoinAddsOneBackslashOnlyWhereTheFolderLacksASeparator) {
  EXPECT_EQ(JoinPath(L"C:\\Data", L"a.b"), L"C:\\Data\\a.b");
  EXPECT_EQ(JoinPath(L"C:\\", L"a.b"), L"C:\\a.b");
  EXPECT_EQ(JoinPath(L"C:/Data/", L"a.b"), L"C:/Data/a.b");
  EXPECT_EQ(JoinPath(L"", L"a.b"), L"a.b");
  EXPECT_EQ(JoinPath(L".", L"a.b"), L".\\a.b");
  // Joining the parts of a path written with backslashes gives it back, a drive root included.
  for (const Split& s : kSplits) {
    if (*s.folder && *s.fileName && std::wstring_view(s.path).find(L'/') == std::wstring_view::npos) {
      EXPECT_EQ(JoinPath(FolderOf(s.path), FileNameOf(s.path)), s.path);
    }
  }
}

}  // namespace
}  // namespace quorvel::win
