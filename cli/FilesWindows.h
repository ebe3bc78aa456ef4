// What the Windows file code of quorvel-gen shares: descriptors over Win32 handles.
#pragma once
#include <windows.h>

#include <string>

#include "Files.h"

namespace quorvel::cli {

// The Win32 handle behind a descriptor.
HANDLE HandleOf(int fd);
// A descriptor that owns `handle`, as CreateFileW returned it: the Windows error about `path`
// (opened for reading or not) when it is INVALID_HANDLE_VALUE, error 67 when the program can
// hold no more descriptors.
Fd AdoptHandle(HANDLE handle, const std::string& path, bool reading = false);
// A path as Windows takes it.
std::wstring Wide(const std::string& utf8);

}  // namespace quorvel::cli
