// File access on Windows: paths are UTF-8 turned wide, errors are Windows error codes that the
// window's own map (win/Win32Error) turns into VB errors. Descriptors are the C runtime's, each
// over a handle this file opens and reads with Win32 calls.
#include "FilesWindows.h"

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>

#include "Raii.h"
#include "Text.h"
#include "VbError.h"
#include "Win32Error.h"

namespace quorvel::cli {

namespace {

constexpr char kSeparators[] = "\\/";
constexpr DWORD kLargestTransfer = 1u << 30;
// As the C runtime opened files before: others may read and write them meanwhile.
constexpr DWORD kShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::atomic<bool> g_stopRequested{false};

BOOL WINAPI OnConsoleControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
  g_stopRequested = true;
  return TRUE;
}

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Opens a path only to ask about it (folders too).
win::Handle OpenToAsk(const std::string& path) {
  return win::Handle(
      CreateFileW(Wide(path).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

std::optional<FileId> IdOfHandle(HANDLE h) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(h, &info)) return std::nullopt;
  return FileId{info.dwVolumeSerialNumber, (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

}  // namespace

std::wstring Wide(const std::string& utf8) { return win::Widen(utf8); }

HANDLE HandleOf(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }

Fd AdoptHandle(HANDLE handle, const std::string& path, bool reading) {
  if (handle == INVALID_HANDLE_VALUE) ThrowSystemError(static_cast<int>(GetLastError()), path, reading);
  win::Handle owned(handle);
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(owned.get()), _O_BINARY);
  if (fd < 0) ThrowSystemError(ERROR_TOO_MANY_OPEN_FILES, path, false);
  owned.release();  // the descriptor owns it now
  return Fd(fd);
}

// The folder part of a path ("." when it has none) and the name after it; "C:a.b" is "C:" and
// "a.b", the drive's current folder.
std::pair<std::string, std::string> SplitPath(const std::string& path) {
  const std::size_t cut = path.find_last_of(kSeparators);
  if ((cut == std::string::npos || cut < 2) && path.size() >= 2 && path[1] == ':' && IsDriveLetter(path[0])) {
    if (cut == 2) return {path.substr(0, 3), path.substr(3)};  // "C:\a.b"
    return {path.substr(0, 2), path.substr(2)};
  }
  if (cut == std::string::npos) return {".", path};
  return {cut == 0 ? path.substr(0, 1) : path.substr(0, cut), path.substr(cut + 1)};
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (std::string_view(kSeparators).find(folder.back()) != std::string_view::npos) return folder + name;
  if (folder.size() == 2 && folder[1] == ':') return folder + name;
  return folder + kSeparators[0] + name;
}

void ThrowSystemError(int err, const std::string& path, bool reading) {
  DWORD code = static_cast<DWORD>(err);
  // Windows (and Wine more so) says "file not found" also where a folder of the path is missing.
  if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND)
    code = MissingIsTheFile(path, reading) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
  const int number = win::VbErrorNumberFromWin32(code);
  // The cause is the process, not the file it was about to open.
  if (number == kErrTooManyFiles) throw NamedError{"", number, "this program has too many open files"};
  throw NamedError{path, number, ""};
}

void Fd::Reset() {
  if (fd_ >= 0) _close(fd_);
  fd_ = -1;
}

PathKind KindOf(const std::string& path) {
  const DWORD a = GetFileAttributesW(Wide(path).c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return PathKind::Missing;
  if (a & FILE_ATTRIBUTE_DIRECTORY) return PathKind::Folder;
  // Device names (NUL, CON) answer as archives: tell them apart by asking for their type.
  const win::Handle h = OpenToAsk(path);
  if (!h) return PathKind::File;
  return GetFileType(h.get()) == FILE_TYPE_DISK ? PathKind::File : PathKind::Other;
}

std::optional<FileId> IdOf(const std::string& path) {
  const win::Handle h = OpenToAsk(path);
  if (!h) return std::nullopt;
  return IdOfHandle(h.get());
}

std::string PlaceOf(const std::string& path) {
  const std::wstring wide = Wide(path);
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n == 0) return path;
    if (n < full.size()) {
      full.resize(n);
      break;
    }
    full.resize(n);
  }
  CharUpperBuffW(full.data(), static_cast<DWORD>(full.size()));
  return win::Utf8(full);
}

std::optional<FileId> IdOfDescriptor(int fd) { return IdOfHandle(HandleOf(fd)); }

OpenedSource OpenSource(const std::string& path) {
  OpenedSource s;
  if (path == "-") {
    _setmode(0, _O_BINARY);
    s.fd = Fd(_dup(0));
    if (s.fd.Get() < 0) ThrowSystemError(ERROR_INVALID_HANDLE, path, true);  // no standard input
  } else {
    if (KindOf(path) == PathKind::Folder) throw NamedError{path, kErrPathFileAccess, ""};
    s.fd = AdoptHandle(CreateFileW(Wide(path).c_str(), GENERIC_READ, kShareReadWrite, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr),
                       path, true);
  }
  const HANDLE h = HandleOf(s.fd.Get());
  s.id = IdOfHandle(h);
  LARGE_INTEGER size;
  s.pipe = GetFileType(h) == FILE_TYPE_PIPE;
  if (path != "-" && GetFileType(h) == FILE_TYPE_DISK && GetFileSizeEx(h, &size)) {
    s.seekable = true;
    s.size = static_cast<std::uint64_t>(size.QuadPart);
  }
  return s;
}

void WidenPipe(int) {}

std::size_t ReadSome(int fd, std::uint8_t* buffer, std::size_t n, const std::string& path) {
  DWORD got = 0;
  if (ReadFile(HandleOf(fd), buffer, static_cast<DWORD>(std::min<std::size_t>(n, kLargestTransfer)), &got, nullptr))
    return got;
  const DWORD err = GetLastError();
  if (err == ERROR_BROKEN_PIPE) return 0;  // the writer of the pipe is gone: its end
  ThrowSystemError(static_cast<int>(err), path, true);
}

std::size_t ReadAt(int fd, std::uint64_t offset, std::uint8_t* buffer, std::size_t n, const std::string& path) {
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(HandleOf(fd), at, nullptr, FILE_BEGIN)) ThrowSystemError(static_cast<int>(GetLastError()), path, true);
  return ReadSome(fd, buffer, n, path);
}

int WriteAll(int fd, const char* bytes, std::size_t n) {
  const HANDLE h = HandleOf(fd);
  while (n) {
    DWORD put = 0;
    if (!WriteFile(h, bytes, static_cast<DWORD>(std::min<std::size_t>(n, kLargestTransfer)), &put, nullptr))
      return static_cast<int>(GetLastError());
    if (put == 0) return ERROR_DISK_FULL;  // nothing taken, and no error said
    bytes += put;
    n -= put;
  }
  return 0;
}

Fd OpenForWriting(const std::string& path) {
  return AdoptHandle(
      CreateFileW(Wide(path).c_str(), GENERIC_WRITE, kShareReadWrite, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr),
      path);
}

std::uint64_t CurrentSize(int fd) {
  LARGE_INTEGER size;
  return GetFileSizeEx(HandleOf(fd), &size) ? static_cast<std::uint64_t>(size.QuadPart) : 0;
}

// Ctrl+C and Ctrl+Break do not end the program here: the run stops between two pieces of the
// module and unwinds, and each temporary file's owner removes it. No handler reads a list.
void RegisterTemporary(const std::string&) {}
void UnregisterTemporary(const std::string&) {}

void InstallStopHandlers() { SetConsoleCtrlHandler(OnConsoleControl, TRUE); }
bool StopRequested() { return g_stopRequested; }
StopSignalsHeld::StopSignalsHeld() {}
StopSignalsHeld::~StopSignalsHeld() {}
void StopSignalsHeld::LetPendingThrough() {}  // Ctrl+C is asked for with StopRequested

std::vector<std::string> Arguments(int argc, char** argv) {
  int n = 0;
  const win::LocalMemory<wchar_t**> wide(CommandLineToArgvW(GetCommandLineW(), &n));
  if (!wide) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> args;
  for (int i = 0; i < n; ++i) args.push_back(win::Utf8(wide.get()[i]));
  return args;
}

void PrepareProcess() { _setmode(1, _O_BINARY); }

}  // namespace quorvel::cli
