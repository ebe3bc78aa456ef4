// File access on Linux and other POSIX systems: paths are bytes, errors are errno values.
#include <fcntl.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "Files.h"
#include "VbError.h"

#ifdef __linux__
#include <sys/vfs.h>
#endif

namespace quorvel::cli {

namespace {

constexpr char kSeparator = '/';
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Temporary files not yet committed. Changed only while the stop signals are held back in
// every thread, so the signal handler never sees it half-changed.
std::vector<std::string> g_pending;

extern "C" void OnStopSignal(int signal) {
  for (const std::string& temp : g_pending) unlink(temp.c_str());
  raise(signal);  // the handler was installed once only: this ends the program as the signal would
}

FileId IdOfStat(const struct stat& st) {
  return FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

}  // namespace

std::pair<std::string, std::string> SplitPath(const std::string& path) {
  const std::size_t cut = path.find_last_of(kSeparator);
  if (cut == std::string::npos) return {".", path};
  return {cut == 0 ? path.substr(0, 1) : path.substr(0, cut), path.substr(cut + 1)};
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == kSeparator) return folder + name;
  return folder + kSeparator + name;
}

// The one map from errno values to VB errors.
void ThrowSystemError(int err, const std::string& path, bool reading) {
  int number = kErrPathFileAccess;
  switch (err) {
    case ENOENT:
      number = MissingIsTheFile(path, reading) ? kErrFileNotFound : kErrPathNotFound;
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
    case EIO: number = kErrDeviceIo; break;
    case EMFILE:
    case ENFILE:
      // The cause is the process or the system, not the file it was about to open.
      throw NamedError{"", kErrTooManyFiles,
                       err == EMFILE ? "this program has too many open files" : "the system has too many open files"};
    default: break;
  }
  throw NamedError{path, number, ""};
}

void Fd::Reset() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

PathKind KindOf(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return PathKind::Missing;
  if (S_ISREG(st.st_mode)) return PathKind::File;
  if (S_ISDIR(st.st_mode)) return PathKind::Folder;
  return PathKind::Other;
}

std::optional<FileId> IdOf(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return std::nullopt;
  return IdOfStat(st);
}

std::string PlaceOf(const std::string& path) {
  const auto [folder, name] = SplitPath(path);
  char* real = realpath(folder.c_str(), nullptr);
  if (!real) return path;
  const std::string place = JoinPath(real, name);
  free(real);
  return place;
}

std::optional<FileId> IdOfDescriptor(int fd) {
  struct stat st;
  if (fstat(fd, &st) != 0) return std::nullopt;
  return IdOfStat(st);
}

OpenedSource OpenSource(const std::string& path) {
  OpenedSource s;
  if (path == "-") {
    s.fd = Fd(dup(0));
  } else {
    if (KindOf(path) == PathKind::Folder) throw NamedError{path, kErrPathFileAccess, ""};
    // A FIFO waits here for its writer, as it does for any reader.
    s.fd = Fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  }
  if (s.fd.Get() < 0) ThrowSystemError(errno, path, true);
  struct stat st;
  if (fstat(s.fd.Get(), &st) != 0) ThrowSystemError(errno, path, true);
  s.id = IdOfStat(st);
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
    const ssize_t got = read(fd, buffer, n);
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno != EINTR) ThrowSystemError(errno, path, true);
  }
}

std::size_t ReadAt(int fd, std::uint64_t offset, std::uint8_t* buffer, std::size_t n, const std::string& path) {
  for (;;) {
    const ssize_t got = pread(fd, buffer, n, static_cast<off_t>(offset));
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno != EINTR) ThrowSystemError(errno, path, true);
  }
}

int WriteAll(int fd, const char* bytes, std::size_t n) {
  while (n) {
    const ssize_t put = write(fd, bytes, n);
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
  Fd fd(open(path.c_str(), O_WRONLY | O_CLOEXEC));
  if (fd.Get() < 0) ThrowSystemError(errno, path, false);
  return fd;
}

std::uint64_t CurrentSize(int fd) {
  struct stat st;
  return fstat(fd, &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

void RegisterTemporary(const std::string& path) { g_pending.push_back(path); }

void UnregisterTemporary(const std::string& path) {
  for (auto it = g_pending.begin(); it != g_pending.end(); ++it)
    if (*it == path) {
      g_pending.erase(it);
      return;
    }
}

void InstallStopHandlers() {
  struct sigaction sa {};
  sa.sa_handler = OnStopSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESETHAND;
  for (const int s : kStopSignals) {
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
  for (const int s : kStopSignals) sigaddset(&set, s);
  pthread_sigmask(SIG_BLOCK, &set, &saved_);
}

StopSignalsHeld::~StopSignalsHeld() {
  if (!keep_) pthread_sigmask(SIG_SETMASK, &saved_, nullptr);
}

void StopSignalsHeld::LetPendingThrough() {
  sigset_t held;
  pthread_sigmask(SIG_SETMASK, &saved_, &held);
  pthread_sigmask(SIG_SETMASK, &held, nullptr);
}

std::vector<std::string> Arguments(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }

void PrepareProcess() {
  struct rlimit limit;
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
  }
}

}  // namespace quorvel::cli
