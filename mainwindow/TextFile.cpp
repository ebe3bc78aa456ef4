#include "TextFile.h"

#include <windows.h>

#include "Path.h"
#include "Raii.h"
#include "Win32Error.h"

namespace quorvel::TextFile {
namespace {

// A fresh name beside the target; CREATE_NEW keeps two saves from sharing it.
win::Handle CreateTemporary(const std::wstring& folder, std::wstring& name) {
  static LONG counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = win::JoinPath(folder, L"~qvl" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
                                     std::to_wstring(::InterlockedIncrement(&counter)) + L".tmp");
    win::Handle file(::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_TEMPORARY, nullptr));
    if (file) return file;
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) win::ThrowWin32(error);
  }
  win::ThrowWin32(ERROR_CANNOT_MAKE);
}

}  // namespace

void WriteReplacing(const std::wstring& target, std::string_view bytes) {
  const DWORD attributes = ::GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    constexpr DWORD kNotReplaced =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY;
    if (attributes & kNotReplaced) win::ThrowWin32(ERROR_ACCESS_DENIED);
  }

  std::wstring temporary;
  // Beside the target; a bare name is in the current folder.
  const std::wstring folder = win::FolderOf(target);
  win::Handle file = CreateTemporary(folder.empty() ? L"." : folder, temporary);
  try {
    size_t done = 0;
    while (done < bytes.size()) {
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 24));
      DWORD written = 0;
      if (!::WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr)) win::ThrowLastError();
      if (written == 0) win::ThrowWin32(ERROR_DISK_FULL);
      done += written;
    }
    if (!::FlushFileBuffers(file.get())) win::ThrowLastError();
    file.reset();
    ::SetFileAttributesW(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!::MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      win::ThrowLastError();
  } catch (...) {
    file.reset();
    ::DeleteFileW(temporary.c_str());
    throw;
  }
}

}  // namespace quorvel::TextFile
