// Replacing targets on Linux and other POSIX systems: a temporary file made by mkostemp, put in
// place by swapping names where the kernel can, else by a rename with the old file kept under a
// second name.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "Replace.h"
#include "VbError.h"

namespace quorvel::cli {

namespace {

constexpr int kMostLinksFollowed = 40;

}  // namespace

std::string FollowLinks(const std::string& path) {
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
    if (hops == kMostLinksFollowed) throw NamedError{path, kErrPathNotFound, "too many levels of symbolic links"};
    std::string to(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
    const ssize_t n = readlink(at.c_str(), to.data(), to.size());
    if (n < 0) ThrowSystemError(errno, path, false);
    to.resize(std::min(static_cast<std::size_t>(n), to.size()));
    at = to.starts_with('/') ? to : JoinPath(SplitPath(at).first, to);
  }
}

ReplaceBar BarToReplacing(const std::string& path, bool force) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return ReplaceBar::None;  // a new file
  // Read-only as Windows knows it: no write permission at all, or none for this user.
  if (!force && ((st.st_mode & 0222) == 0 || faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0))
    return ReplaceBar::ReadOnly;
  const uid_t me = geteuid();
  struct stat folder;
  if (me != 0 && st.st_uid != me && stat(SplitPath(path).first.c_str(), &folder) == 0 && (folder.st_mode & S_ISVTX) &&
      folder.st_uid != me)
    return ReplaceBar::SomeoneElses;
  return ReplaceBar::None;
}

PendingFile::PendingFile(Target target, bool force) : target_(std::move(target)), force_(force) {
  Check();
  const auto [folder, name] = SplitPath(target_.path);
  struct stat st;
  const bool existed = stat(target_.path.c_str(), &st) == 0;
  mode_t mode = st.st_mode & 07777;
  if (!existed) {
    const mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  std::string pattern = JoinPath(folder, "." + name + ".XXXXXX");
  {
    StopSignalsHeld hold;
    const int fd = mkostemp(pattern.data(), O_CLOEXEC);  // a new name, never an existing file or link
    if (fd < 0) ThrowSystemError(errno, target_.given, false);
    fd_ = Fd(fd);
    temp_ = pattern;
    RegisterTemporary(temp_);
  }
  fchmod(fd_.Get(), mode);
}

PendingFile::~PendingFile() {
  if (state_ != State::Pending) return;
  fd_.Reset();
  StopSignalsHeld hold;
  unlink(temp_.c_str());
  UnregisterTemporary(temp_);
}

void PendingFile::Close() {
  const int fd = fd_.Release();
  if (fd < 0) return;
  if (close(fd) != 0) ThrowSystemError(errno, target_.given, false);
}

void PendingFile::Place(bool keepOld) {
  Close();
  const char* path = target_.path.c_str();
  struct stat st;
  const bool existed = lstat(path, &st) == 0;
#ifdef RENAME_EXCHANGE
  // Swapping the two names is as atomic as renaming over the target, keeps the old file (under
  // the temporary name) to put back, and spares the flush of the whole new file that ext4
  // starts when a file is renamed over another (a second pass over the module).
  if (existed) {
    if (renameat2(AT_FDCWD, temp_.c_str(), AT_FDCWD, path, RENAME_EXCHANGE) == 0) {
      state_ = State::Swapped;
      return;
    }
    if (errno != EINVAL && errno != ENOSYS) ThrowSystemError(errno, target_.given, false);
  }
#endif
  // Where names cannot be swapped, the old file keeps a second name until every module is in
  // place (or is moved aside where it cannot have one).
  if (existed && keepOld) {
    backup_ = temp_ + ".old";
    if (link(path, backup_.c_str()) != 0 && rename(path, backup_.c_str()) != 0) {
      const int err = errno;
      backup_.clear();
      ThrowSystemError(err, target_.given, false);
    }
  }
  if (rename(temp_.c_str(), path) != 0) {
    const int err = errno;
    if (!backup_.empty()) {
      if (lstat(path, &st) != 0) rename(backup_.c_str(), path);
      else unlink(backup_.c_str());
      backup_.clear();
    }
    ThrowSystemError(err, target_.given, false);
  }
  state_ = State::Moved;
  UnregisterTemporary(temp_);
}

void PendingFile::Undo() noexcept {
  const char* path = target_.path.c_str();
  if (state_ == State::Swapped) {
#ifdef RENAME_EXCHANGE
    if (renameat2(AT_FDCWD, temp_.c_str(), AT_FDCWD, path, RENAME_EXCHANGE) == 0) {
      state_ = State::Pending;  // the new module, under the temporary name, goes
      return;
    }
#endif
    UnregisterTemporary(temp_);
    SayOldFileKeptAt(temp_);
  } else if (state_ == State::Moved) {
    if (backup_.empty()) unlink(path);
    else if (rename(backup_.c_str(), path) != 0) SayOldFileKeptAt(backup_);
  }
  state_ = State::Done;
}

void PendingFile::Finish() noexcept {
  if (state_ == State::Swapped) {
    unlink(temp_.c_str());
    UnregisterTemporary(temp_);
  } else if (state_ == State::Moved && !backup_.empty()) {
    unlink(backup_.c_str());
  }
  state_ = State::Done;
}

}  // namespace quorvel::cli
