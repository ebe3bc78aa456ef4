#include "Files.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
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

void Register(const std::string& temp) { gPending.push_back(temp); }
void Unregister(const std::string& temp) {
  for (auto it = gPending.begin(); it != gPending.end(); ++it)
    if (*it == temp) {
      gPending.erase(it);
      return;
    }
}

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
  if (cut == std::string::npos) return {".", path};
  return {cut == 0 ? path.substr(0, 1) : path.substr(0, cut), path.substr(cut + 1)};
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
    case ENFILE: number = 67; break;  // Too many files
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
  if (path != "-" && S_ISREG(st.st_mode) && !virtualFile) {
    s.seekable = true;
    s.size = static_cast<std::uint64_t>(st.st_size);
  }
#endif
  return s;
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

PendingFile::PendingFile(const std::string& target) : target_(target) {
#ifdef _WIN32
  existed_ = KindOf(target_) != PathKind::Missing;
  const auto [folder, name] = SplitPath(target_);
  StopSignalsHeld hold;
  for (unsigned attempt = 0;; ++attempt) {
    temp_ = folder + "\\." + name + "." + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt) + ".tmp";
    int fd = -1;
    const errno_t err = _wsopen_s(&fd, Wide(temp_).c_str(), _O_CREAT | _O_EXCL | _O_RDWR | _O_BINARY, _SH_DENYNO,
                                  _S_IREAD | _S_IWRITE);
    if (err == 0) {
      fd_ = Fd(fd);
      break;
    }
    if (err != EEXIST || attempt == 100) ThrowSystemError(err, target, false);
  }
  Register(temp_);
#else
  // Writing through a symbolic link replaces the file it points to, not the link.
  struct stat st;
  if (lstat(target_.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char* real = realpath(target_.c_str(), nullptr)) {
      target_ = real;
      free(real);
    }
  }
  existed_ = stat(target_.c_str(), &st) == 0;
  mode_t mode = st.st_mode & 07777;
  if (!existed_) {
    const mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  const auto [folder, name] = SplitPath(target_);
  std::string pattern = folder + "/." + name + ".XXXXXX";
  {
    StopSignalsHeld hold;
    const int fd = mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) ThrowSystemError(errno, target, false);
    fd_ = Fd(fd);
    temp_ = pattern;
    Register(temp_);
  }
  fchmod(fd_.Get(), mode);
#endif
}

void PendingFile::Close() {
  const int fd = fd_.Release();
  if (fd < 0) return;
#ifdef _WIN32
  if (_close(fd) != 0) ThrowSystemError(errno, target_, false);
#else
  if (close(fd) != 0) ThrowSystemError(errno, target_, false);
#endif
}

void PendingFile::Commit() {
  Close();
#ifdef _WIN32
  if (!MoveFileExW(Wide(temp_).c_str(), Wide(target_).c_str(), MOVEFILE_REPLACE_EXISTING))
    ThrowSystemError(GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO, target_, false);
#else
#ifdef RENAME_EXCHANGE
  // Swapping the two names is as atomic as renaming over the target, and spares the flush of
  // the whole new file that ext4 starts when a file is renamed over another (a second pass over
  // the module). The old content then goes with the temporary name.
  if (existed_ && renameat2(AT_FDCWD, temp_.c_str(), AT_FDCWD, target_.c_str(), RENAME_EXCHANGE) == 0) {
    committed_ = true;
    unlink(temp_.c_str());
    StopSignalsHeld hold;
    Unregister(temp_);
    return;
  }
#endif
  if (rename(temp_.c_str(), target_.c_str()) != 0) ThrowSystemError(errno, target_, false);
#endif
  StopSignalsHeld hold;
  committed_ = true;
  Unregister(temp_);
}

PendingFile::~PendingFile() {
  if (committed_) return;
  fd_.Reset();
  StopSignalsHeld hold;
#ifdef _WIN32
  _wunlink(Wide(temp_).c_str());
#else
  unlink(temp_.c_str());
#endif
  Unregister(temp_);
}

void RemoveFile(const std::string& path) {
#ifdef _WIN32
  _wunlink(Wide(path).c_str());
#else
  unlink(path.c_str());
#endif
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
