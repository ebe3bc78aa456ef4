#pragma once
// A fresh, empty folder under the temporary folder for one test, removed with everything in
// it afterwards, and the file helpers the tests use on it.
#include <windows.h>

#include <string>
#include <string_view>

#include "Raii.h"

namespace quorvel::testing {

class ScratchFolder {
 public:
  ScratchFolder() {
    wchar_t base[MAX_PATH];
    ::GetTempPathW(MAX_PATH, base);
    static int counter = 0;
    // A folder left behind by an earlier run that was killed is skipped, never reused.
    for (int attempt = 0; attempt < 1000; ++attempt) {
      path_ = std::wstring(base) + L"quorvel-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
              std::to_wstring(++counter);
      if (::CreateDirectoryW(path_.c_str(), nullptr)) break;
    }
  }
  ~ScratchFolder() { Remove(path_); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::wstring& Path() const { return path_; }
  std::wstring operator/(std::wstring_view name) const { return path_ + L"\\" + std::wstring(name); }

  // Names of the entries in the folder, "|"-separated, in the order the system lists them.
  std::wstring Listing() const {
    std::wstring out;
    WIN32_FIND_DATAW found;
    const win::FindHandle search(::FindFirstFileW((path_ + L"\\*").c_str(), &found));
    if (!search) return out;
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      if (!out.empty()) out += L'|';
      out += name;
    } while (::FindNextFileW(search.get(), &found));
    return out;
  }

 private:
  static void Remove(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    if (const win::FindHandle search(::FindFirstFileW((folder + L"\\*").c_str(), &found)); search) {
      do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring full = folder + L"\\" + name;
        ::SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          Remove(full);
        else
          ::DeleteFileW(full.c_str());
      } while (::FindNextFileW(search.get(), &found));
    }
    ::SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::RemoveDirectoryW(folder.c_str());
  }

  std::wstring path_;
};

// The whole file; empty when it cannot be opened. The file is shared for reading only, so a
// writer the code under test left open makes the read fail.
inline std::string ReadFileBytes(const std::wstring& path) {
  std::string out;
  const win::Handle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return out;
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr) && got) out.append(buffer, got);
  return out;
}

// Creates the file, or empties one already there, with these bytes.
inline void WriteFileBytes(const std::wstring& path, std::string_view bytes) {
  const win::Handle file(
      ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

inline bool FileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace quorvel::testing
