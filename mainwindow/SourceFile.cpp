#include "SourceFile.h"

#include <algorithm>

#include "Win32Error.h"

namespace quorvel {

SourceFile::SourceFile(const std::wstring& path) {
  handle_.reset(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!handle_) win::ThrowLastError();
  BY_HANDLE_FILE_INFORMATION info{};
  // A folder opens on some systems; it is no source.
  if (::GetFileInformationByHandle(handle_.get(), &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    win::ThrowWin32(ERROR_ACCESS_DENIED);
}

std::uint64_t SourceFile::Length() {
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(handle_.get(), &size)) win::ThrowLastError();
  return static_cast<std::uint64_t>(size.QuadPart);
}

std::size_t SourceFile::Read(std::uint8_t* buffer, std::size_t count) {
  if (begin_ == end_) {
    if (buffer_.empty()) buffer_.resize(256 * 1024);
    DWORD got = 0;
    if (!::ReadFile(handle_.get(), buffer_.data(), static_cast<DWORD>(buffer_.size()), &got, nullptr))
      win::ThrowLastError();
    begin_ = 0;
    end_ = got;
    if (got == 0) return 0;
  }
  const std::size_t n = std::min(count, end_ - begin_);
  std::copy_n(buffer_.data() + begin_, n, buffer);
  begin_ += n;
  return n;
}

}  // namespace quorvel
