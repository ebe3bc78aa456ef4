#include "App.h"

#include <windows.h>

#include "Path.h"
#include "Platform.h"

namespace quorvel::App {
namespace {

bool IsFile(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::wstring Path() {
  return win::FolderOf(CurrentPlatform().ProgramFile());
}

std::wstring HelpFile() { return L"C:\\VB Projects\\Quorvel\\helpfile.chm"; }

std::wstring ResolvedHelpFile() {
  std::wstring fixed = HelpFile();
  if (IsFile(fixed)) return fixed;
  return win::JoinPath(Path(), L"helpfile.chm");
}

}  // namespace quorvel::App
