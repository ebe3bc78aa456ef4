#include "Win32Error.h"

namespace quorvel::win {

int VbErrorNumberFromWin32(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND: return kErrFileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME: return kErrPathNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_CANNOT_MAKE:
    case ERROR_FILENAME_EXCED_RANGE: return kErrPathFileAccess;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT: return kErrPermissionDenied;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return kErrDiskFull;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_HANDLE: return kErrBadFileNameOrNumber;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return kErrFileAlreadyExists;
    case ERROR_INVALID_DRIVE:
    case ERROR_DEV_NOT_EXIST: return kErrDeviceUnavailable;
    case ERROR_NOT_READY: return kErrDiskNotReady;
    case ERROR_TOO_MANY_OPEN_FILES: return kErrTooManyFiles;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return kErrOutOfMemory;
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_GEN_FAILURE: return kErrDeviceIo;
    default: return kErrPathFileAccess;
  }
}

void ThrowWin32(DWORD code) { throw VbError(VbErrorNumberFromWin32(code)); }

void ThrowLastError() { ThrowWin32(::GetLastError()); }

}  // namespace quorvel::win
