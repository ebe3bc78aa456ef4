#include "Files.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string_view>
#include <vector>

#include "VbError.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>
#include <shellapi.h>

#include "Text.h"
#else
#include <fcntl.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/vfs.h>
#endif
#endif

namespace quorvel::cli {

namespace {

#ifdef _WIN32
constexpr char kSeparators[] = "\\/";
#else
constexpr char kSeparators[] = "/";
#endif

// Temporary files not yet committed. Changed only while the stop signals are held back in
// every thread, so the signal handler never sees it half-changed.
std::vector<std::string> gPending;

#ifdef _WIN32
using win::Utf8;
std::wstring Wide(const std::string& utf8) { return win::Widen(utf8); }

std::atomic<bool> gStopRequested{false};

BOOL WINAPI OnConsoleControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
  gStopRequested = true;
  return TRUE;
}

std::optional<FileId> IdOfHandle(HANDLE h) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(h, &info)) return std::nullopt;
  return FileId{info.dwVolumeSerialNumber, (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}
#else
extern "C" void OnStopSignal(int signal) {
  for (const std::string& temp : gPending) unlink(temp.c_str());
  raise(signal);  // the handler was installed once only: this ends the program as the signal would
}
#endif

}  // namespace

// The folder part of a path ("." when it has none) and the name after it.
std::pair<std::string, std::string> SplitPath(const std::string& path) {
  const std::size_t cut = path.find_last_of(kSeparators);
#ifdef _WIN32
  if ((cut == std::string::npos || cut < 2) && path.size() >= 2 && path[1] == ':' &&
      ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'))) {
    if (cut == 2) return {path.substr(0, 3), path.substr(3)};  // "C:\a.b"
    return {path.substr(0, 2), path.substr(2)};                 // "C:a.b", the drive's current folder
  }
#endif
  if (cut == std::string::npos) return {".", path};
  return {cut == 0 ? path.substr(0, 1) : path.substr(0, cut), path.substr(cut + 1)};
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (std::string_view(kSeparators).find(folder.back()) != std::string_view::npos) return folder + name;
#ifdef _WIN32
  if (folder.size() == 2 && folder[1] == ':') return folder + name;
#endif
  return folder + kSeparators[0] + name;
}

void ThrowSystemError(int err, const std::string& path, bool reading) {
  int number = kErrPathFileAccess;
  switch (err) {
    case ENOENT:
      number = reading && KindOf(SplitPath(path).first) == PathKind::Folder ? kErrFileNotFound : kErrPathNotFound;
      break;
    case ENOTDIR: number = kErrPathNotFound; break;
    case EACCES:
    case EPERM: number = kErrPermissionDenied; break;
    case ENOSPC:
    case EFBIG:
#ifdef EDQUOT
    case EDQUOT:
#endif
      number = kErrDiskFull;
      break;
    case EIO: number = 57; break;  // Device I/O error
    case EMFILE:
    case ENFILE:
      // The cause is the process or the system, not the file it was about to open.
      throw NamedError{"", kErrTooManyFiles,
                       err == EMFILE ? "this program has too many open files" : "the system has too many open files"};
    default: break;
  }
  throw NamedError{path, number, ""};
}

Fd& Fd::operator=(Fd&& other) noexcept {
  if (this != &other) {
    Reset();
    fd_ = other.Release();
  }
  return *this;
}

void Fd::Reset() {
#ifdef _WIN32
  if (fd_ >= 0) _close(fd_);
#else
  if (fd_ >= 0) close(fd_);
#endif
  fd_ = -1;
}

PathKind KindOf(const std::string& path) {
#ifdef _WIN32
  const DWORD a = GetFileAttributesW(Wide(path).c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return PathKind::Missing;
  if (a & FILE_ATTRIBUTE_DIRECTORY) return PathKind::Folder;
  // Device names (NUL, CON) answer as archives: tell them apart by asking for their type.
  const HANDLE h = CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return PathKind::File;
  const DWORD type = GetFileType(h);
  CloseHandle(h);
  return type == FILE_TYPE_DISK ? PathKind::File : PathKind::Other;
#else
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return PathKind::Missing;
  if (S_ISREG(st.st_mode)) return PathKind::File;
  if (S_ISDIR(st.st_mode)) return PathKind::Folder;
  return PathKind::Other;
#endif
}

std::optional<FileId> IdOf(const std::string& path) {
#ifdef _WIN32
  const HANDLE h = CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  auto id = IdOfHandle(h);
  CloseHandle(h);
  return id;
#else
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return std::nullopt;
  return FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
#endif
}

std::optional<FileId> IdOfDescriptor(int fd) {
#ifdef _WIN32
  return IdOfHandle(reinterpret_cast<HANDLE>(_get_osfhandle(fd)));
#else
  struct stat st;
  if (fstat(fd, &st) != 0) return std::nullopt;
  return FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
#endif
}

std::string FollowLinks(const std::string& path) {
#ifdef _WIN32
  return path;  // a link is replaced as it is
#else
  struct stat st;
  if (stat(path.c_str(), &st) == 0) {
    // A device or pipe is opened by the name given (/dev/stdout is a link the kernel resolves).
    if (!S_ISREG(st.st_mode)) return path;
    std::string at = path;
    if (char* real = realpath(path.c_str(), nullptr)) {
      at = real;
      free(real);
    }
    return at;
  }
  // A link to a file that is not there yet: the file is made where the last link points.
  std::string at = path;
  for (int hops = 0;; ++hops) {
    struct stat st;
    if (lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return at;
    if (hops == 40) throw NamedError{path, kErrPathNotFound, "too many levels of symbolic links"};
    std::string to(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
    const ssize_t n = readlink(at.c_str(), to.data(), to.size());
    if (n < 0) ThrowSystemError(errno, path, false);
    to.resize(std::min(static_cast<std::size_t>(n), to.size()));
    at = to.starts_with('/') ? to : JoinPath(SplitPath(at).first, to);
  }
#endif
}

bool IsStandardOutput(const std::string& path) {
  const auto out = IdOfDescriptor(1);
  return out && IdOf(path) == out;
}

std::optional<FileId> ProbeSource(const std::string& path) {
  if (path == "-") return IdOfDescriptor(0);
  // Opening a FIFO would wait for its writer and take its data; opening a device may do
  // something. Anything else fails here as it would later, or is opened and closed again.
  if (KindOf(path) == PathKind::Other) return IdOf(path);
  return OpenSource(path).id;
}

OpenedSource OpenSource(const std::string& path) {
  OpenedSource s;
  if (path == "-") {
#ifdef _WIN32
    _setmode(0, _O_BINARY);
    s.fd = Fd(_dup(0));
#else
    s.fd = Fd(dup(0));
#endif
    if (s.fd.Get() < 0) ThrowSystemError(errno, path, true);
  } else {
    if (KindOf(path) == PathKind::Folder) throw NamedError{path, kErrPathFileAccess, ""};
#ifdef _WIN32
    s.fd = Fd(_wopen(Wide(path).c_str(), _O_RDONLY | _O_BINARY));
#else
    // A FIFO waits here for its writer, as it does for any reader.
    s.fd = Fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
#endif
    if (s.fd.Get() < 0) ThrowSystemError(errno, path, true);
  }
#ifdef _WIN32
  const HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(s.fd.Get()));
  s.id = IdOfHandle(h);
  LARGE_INTEGER size;
  s.pipe = GetFileType(h) == FILE_TYPE_PIPE;
  if (path != "-" && GetFileType(h) == FILE_TYPE_DISK && GetFileSizeEx(h, &size)) {
    s.seekable = true;
    s.size = static_cast<std::uint64_t>(size.QuadPart);
  }
#else
  struct stat st;
  if (fstat(s.fd.Get(), &st) != 0) ThrowSystemError(errno, path, true);
  s.id = FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  // Files of /proc and /sys tell a length that is not their content's (0 or a page): they are
  // read like a pipe.
  bool virtualFile = st.st_size == 0;
#ifdef __linux__
  struct statfs fs;
  if (fstatfs(s.fd.Get(), &fs) == 0 && (fs.f_type == 0x9fa0 /* proc */ || fs.f_type == 0x62656572 /* sysfs */))
    virtualFile = true;
#endif
  s.pipe = S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode);
  if (path != "-" && S_ISREG(st.st_mode) && !virtualFile) {
    s.seekable = true;
    s.size = static_cast<std::uint64_t>(st.st_size);
  }
#endif
  return s;
}

void WidenPipe(int fd) {
#ifdef F_SETPIPE_SZ
  fcntl(fd, F_SETPIPE_SZ, 1 << 20);  // refused is fine
#else
  (void)fd;
#endif
}

std::size_t ReadSome(int fd, std::uint8_t* buffer, std::size_t n, const std::string& path) {
  for (;;) {
#ifdef _WIN32
    const int got = _read(fd, buffer, static_cast<unsigned>(std::min<std::size_t>(n, 1u << 30)));
#else
    const ssize_t got = read(fd, buffer, n);
#endif
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno != EINTR) ThrowSystemError(errno, path, true);
  }
}

std::size_t ReadAt(int fd, std::uint64_t offset, std::uint8_t* buffer, std::size_t n, const std::string& path) {
  for (;;) {
#ifdef _WIN32
    if (_lseeki64(fd, static_cast<long long>(offset), SEEK_SET) < 0) ThrowSystemError(errno, path, true);
    const int got = _read(fd, buffer, static_cast<unsigned>(std::min<std::size_t>(n, 1u << 30)));
#else
    const ssize_t got = pread(fd, buffer, n, static_cast<off_t>(offset));
#endif
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno != EINTR) ThrowSystemError(errno, path, true);
  }
}

int WriteAll(int fd, const char* bytes, std::size_t n) {
  while (n) {
#ifdef _WIN32
    const int put = _write(fd, bytes, static_cast<unsigned>(std::min<std::size_t>(n, 1u << 30)));
#else
    const ssize_t put = write(fd, bytes, n);
#endif
    if (put < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    bytes += put;
    n -= static_cast<std::size_t>(put);
  }
  return 0;
}

Fd OpenForWriting(const std::string& path) {
#ifdef _WIN32
  Fd fd(_wopen(Wide(path).c_str(), _O_WRONLY | _O_BINARY));
#else
  Fd fd(open(path.c_str(), O_WRONLY | O_CLOEXEC));
#endif
  if (fd.Get() < 0) ThrowSystemError(errno, path, false);
  return fd;
}

std::uint64_t CurrentSize(int fd) {
#ifdef _WIN32
  struct _stat64 st;
  return _fstat64(fd, &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
#else
  struct stat st;
  return fstat(fd, &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
#endif
}

void RegisterTemporary(const std::string& path) { gPending.push_back(path); }

void UnregisterTemporary(const std::string& path) {
  for (auto it = gPending.begin(); it != gPending.end(); ++it)
    if (*it == path) {
      gPending.erase(it);
      return;
    }
}

#ifdef _WIN32
void InstallStopHandlers() { SetConsoleCtrlHandler(OnConsoleControl, TRUE); }
bool StopRequested() { return gStopRequested; }
StopSignalsHeld::StopSignalsHeld() {}
StopSignalsHeld::~StopSignalsHeld() {}

std::vector<std::string> Arguments(int argc, char** argv) {
  int n = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &n);
  if (!wide) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> args;
  for (int i = 0; i < n; ++i) args.push_back(Utf8(wide[i]));
  LocalFree(wide);
  return args;
}

void PrepareProcess() { _setmode(1, _O_BINARY); }
#else
void InstallStopHandlers() {
  struct sigaction sa {};
  sa.sa_handler = OnStopSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESETHAND;
  for (const int s : {SIGINT, SIGTERM, SIGHUP}) {
    // A signal ignored when the program starts (nohup) stays ignored.
    struct sigaction was {};
    if (sigaction(s, nullptr, &was) == 0 && was.sa_handler == SIG_IGN) continue;
    sigaction(s, &sa, nullptr);
  }
}
bool StopRequested() { return false; }

StopSignalsHeld::StopSignalsHeld() {
  sigset_t set;
  sigemptyset(&set);
  for (const int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&set, s);
  pthread_sigmask(SIG_BLOCK, &set, &saved_);
}
StopSignalsHeld::~StopSignalsHeld() { pthread_sigmask(SIG_SETMASK, &saved_, nullptr); }

std::vector<std::string> Arguments(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }
void PrepareProcess() {
  struct rlimit limit;
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
  }
}
#endif

}  // namespace quorvel::cli
