#pragma once
// Shared by the shell tests: a fake platform that records sounds and shell calls, and a
// scratch folder that removes itself.
#include <windows.h>
#include <mmsystem.h>

#include <string>
#include <vector>

#include "Seam.h"

namespace quorvel::test {

struct SoundCall {
  std::string file;            // empty for a sound played from memory
  const void* image = nullptr; // the WAV image for SND_MEMORY
  UINT flags = 0;
};

struct ShellCall {
  HWND owner;
  std::string verb, file, parameters, directory;
  INT show;
};

class FakePlatform : public Platform {
 public:
  std::vector<SoundCall> sounds;
  std::vector<ShellCall> shellCalls;

  int MsgBox(HWND, std::wstring_view, std::wstring_view, UINT) override { return IDOK; }
  BOOL SndPlaySound(LPCSTR soundOrImage, UINT flags) override {
    if (flags & SND_MEMORY)
      sounds.push_back({{}, soundOrImage, flags});
    else
      sounds.push_back({soundOrImage ? soundOrImage : "", nullptr, flags});
    return TRUE;
  }
  HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                          INT show) override {
    shellCalls.push_back({owner, verb ? verb : "(null)", file ? file : "(null)", parameters ? parameters : "(null)",
                          directory ? directory : "(null)", show});
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));
  }
  BOOL GetOpenFileNameW(OPENFILENAMEW*) override { return FALSE; }
  BOOL GetSaveFileNameW(OPENFILENAMEW*) override { return FALSE; }
};

// A fresh, empty folder under the temporary folder, removed with everything in it.
class ScratchFolder {
 public:
  ScratchFolder() {
    wchar_t base[MAX_PATH];
    ::GetTempPathW(MAX_PATH, base);
    static int counter = 0;
    for (;;) {
      path_ = std::wstring(base) + L"quorvel-shell-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
              std::to_wstring(++counter);
      if (::CreateDirectoryW(path_.c_str(), nullptr)) break;
    }
  }
  ~ScratchFolder() { Remove(path_); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::wstring& Path() const { return path_; }
  std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  static void Remove(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring full = folder + L"\\" + name;
        ::SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          Remove(full);
        else
          ::DeleteFileW(full.c_str());
      } while (::FindNextFileW(search, &found));
      ::FindClose(search);
    }
    ::SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::RemoveDirectoryW(folder.c_str());
  }

  std::wstring path_;
};

inline std::string ReadFileBytes(const std::wstring& path) {
  std::string out;
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return out;
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got) out.append(buffer, got);
  ::CloseHandle(file);
  return out;
}

inline void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(file);
}

}  // namespace quorvel::test
