// pathentry add|remove FOLDER: adds FOLDER to the machine's PATH, or takes it away again,
// for the setups. The value is read and written whole, at any length, and keeps its type
// (REG_EXPAND_SZ normally, so %SystemRoot% and the like stay unexpanded); running programs
// are told that the environment changed.
// Exit status: 0 changed, 1 nothing to change (already there / not there), 2 failed.
#include <windows.h>

#include <string>

#include "PathList.h"
#include "Raii.h"

namespace {

constexpr wchar_t kEnvironmentKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
constexpr int kChanged = 0;
constexpr int kUnchanged = 1;
constexpr int kFailed = 2;

struct PathValue {
  std::wstring text;
  DWORD type = REG_EXPAND_SZ;
};

// The value whole, however long; a missing value is an empty REG_EXPAND_SZ.
bool ReadPath(HKEY key, PathValue& out) {
  std::wstring buffer(4096, L'\0');
  for (;;) {
    DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    const LSTATUS status = ::RegQueryValueExW(key, L"Path", nullptr, &out.type,
                                              reinterpret_cast<BYTE*>(buffer.data()), &bytes);
    if (status == ERROR_FILE_NOT_FOUND) {
      out = {};
      return true;
    }
    if (status == ERROR_MORE_DATA) {
      buffer.assign(bytes / sizeof(wchar_t) + 2, L'\0');
      continue;
    }
    if (status != ERROR_SUCCESS || (out.type != REG_EXPAND_SZ && out.type != REG_SZ)) return false;
    buffer.resize(bytes / sizeof(wchar_t));
    while (!buffer.empty() && buffer.back() == L'\0') buffer.pop_back();
    out.text = std::move(buffer);
    return true;
  }
}

bool WritePath(HKEY key, const PathValue& value) {
  const DWORD bytes = static_cast<DWORD>((value.text.size() + 1) * sizeof(wchar_t));
  return ::RegSetValueExW(key, L"Path", 0, value.type, reinterpret_cast<const BYTE*>(value.text.c_str()),
                          bytes) == ERROR_SUCCESS;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return kFailed;
  const std::wstring verb = argv[1];
  const std::wstring dir = argv[2];
  if ((verb != L"add" && verb != L"remove") || dir.empty()) return kFailed;

  quorvel::win::Key key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kEnvironmentKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, key.put()) !=
      ERROR_SUCCESS) {
    return kFailed;
  }
  PathValue value;
  if (!ReadPath(key.get(), value)) return kFailed;
  const auto changed = verb == L"add" ? quorvel::installer::WithFolder(value.text, dir)
                                      : quorvel::installer::WithoutFolder(value.text, dir);
  if (!changed) return kUnchanged;
  value.text = *changed;
  if (!WritePath(key.get(), value)) return kFailed;

  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"Environment"),
                        SMTO_ABORTIFHUNG, 5000, &ignored);
  return kChanged;
}
