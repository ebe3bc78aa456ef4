#include "App.h"

#include <windows.h>

#include "Seam.h"

namespace quorvel::App {
namespace {

bool IsFile(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::wstring Path() {
  std::wstring path = CurrentPlatform().ProgramFile();
  const size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return path;
  path.resize(slash);
  // A drive root keeps its separator: "C:\", never "C:".
  if (path.size() == 2 && path[1] == L':') path += L'\\';
  return path;
}

std::wstring HelpFile() { return L"C:\\VB Projects\\Quorvel\\helpfile.chm"; }

std::wstring ResolvedHelpFile() {
  std::wstring fixed = HelpFile();
  if (IsFile(fixed)) return fixed;
  std::wstring folder = Path();
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  return folder + L"helpfile.chm";
}

}  // namespace quorvel::App
