#include "Res.h"

#include <string>

#include "Raii.h"
#include "VbError.h"
#include "Win32Error.h"

namespace quorvel::Res {

std::span<const BYTE> LoadResourceBytes(int id, const std::wstring& type) {
  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(id), type.c_str());
  if (!info) return {};
  HGLOBAL loaded = ::LoadResource(module, info);
  const DWORD size = ::SizeofResource(module, info);
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  if (!data) return {};
  // Resources stay mapped as long as the program file is loaded.
  return {static_cast<const BYTE*>(data), size};
}

void SaveResourceToFile(const std::wstring& fileName, int id, const std::wstring& type) {
  const std::span<const BYTE> bytes = LoadResourceBytes(id, type);
  if (bytes.empty())
    throw VbError(kErrResourceNotFound, "Resource with identifier '" + std::to_string(id) + "' not found");

  // Binary access without an access clause: read and write, created when missing, an existing
  // file keeps what lies beyond the bytes written.
  win::Handle file(::CreateFileW(fileName.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) win::ThrowLastError();

  size_t offset = 0;
  while (offset < bytes.size()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(bytes.size() - offset);
    if (!::WriteFile(file.get(), bytes.data() + offset, chunk, &written, nullptr)) win::ThrowLastError();
    if (written == 0) win::ThrowWin32(ERROR_DISK_FULL);
    offset += written;
  }
}

}  // namespace quorvel::Res
