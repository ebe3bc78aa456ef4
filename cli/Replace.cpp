#include "Replace.h"

#include <cerrno>
#include <cstdio>
#include <utility>

#include "Messages.h"
#include "VbError.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>

#include "Text.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quorvel::cli {

namespace {

constexpr const char* kReadOnly = "the file is read-only; --force replaces it";

// Said when an old file could not be put back, so that it is not lost from sight.
void OldFileKeptAt(const std::string& target, const std::string& where) {
  std::fprintf(stderr, "quorvel-gen: %s: could not put the old file back; it is kept as %s\n", Shown(target).c_str(),
               Shown(where).c_str());
}

#ifdef _WIN32
std::wstring Wide(const std::string& utf8) { return win::Widen(utf8); }
#endif

}  // namespace

PendingFile::PendingFile(Target target, bool force) : target_(std::move(target)), force_(force) {
  Check();
  const auto [folder, name] = SplitPath(target_.path);
#ifdef _WIN32
  StopSignalsHeld hold;
  for (unsigned attempt = 0;; ++attempt) {
    temp_ = JoinPath(folder, "." + name + "." + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt) +
                                 ".tmp");
    int fd = -1;
    const errno_t err = _wsopen_s(&fd, Wide(temp_).c_str(), _O_CREAT | _O_EXCL | _O_RDWR | _O_BINARY, _SH_DENYNO,
                                  _S_IREAD | _S_IWRITE);
    if (err == 0) {
      fd_ = Fd(fd);
      break;
    }
    if (err != EEXIST || attempt == 100) ThrowSystemError(err, target_.given, false);
  }
  RegisterTemporary(temp_);
#else
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
#endif
}

PendingFile::~PendingFile() {
  if (state_ != State::Pending) return;
  fd_.Reset();
  StopSignalsHeld hold;
#ifdef _WIN32
  _wunlink(Wide(temp_).c_str());
#else
  unlink(temp_.c_str());
#endif
  UnregisterTemporary(temp_);
}

void PendingFile::Close() {
  const int fd = fd_.Release();
  if (fd < 0) return;
#ifdef _WIN32
  if (_close(fd) != 0) ThrowSystemError(errno, target_.given, false);
#else
  if (close(fd) != 0) ThrowSystemError(errno, target_.given, false);
#endif
}

void PendingFile::Check() const {
  const std::string& path = target_.path;
  if (KindOf(path) == PathKind::Folder) throw NamedError{target_.given, kErrPathFileAccess, ""};
#ifdef _WIN32
  const DWORD a = GetFileAttributesW(Wide(path).c_str());
  if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY) && !force_)
    throw NamedError{target_.given, kErrPathFileAccess, kReadOnly};
#else
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return;  // a new file
  // Read-only as Windows knows it: no write permission at all, or none for this user.
  if (!force_ && ((st.st_mode & 0222) == 0 || faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0))
    throw NamedError{target_.given, kErrPathFileAccess, kReadOnly};
  const uid_t me = geteuid();
  struct stat folder;
  if (me != 0 && st.st_uid != me && stat(SplitPath(path).first.c_str(), &folder) == 0 && (folder.st_mode & S_ISVTX) &&
      folder.st_uid != me)
    throw NamedError{target_.given, kErrPermissionDenied,
                     "it belongs to someone else, in a folder where only a file's owner may replace it"};
#endif
}

void PendingFile::CheckNotASource(const std::vector<SourceSeen>& sources) const {
  for (const std::string* name : {&target_.given, &target_.path}) {
    const auto id = IdOf(*name);
    if (!id) continue;
    for (const SourceSeen& source : sources)
      if (source.id == *id)
        throw Refusal{"will not write " + Shown(target_.given) + ": it is the same file as " + Subject(source.file)};
  }
}

#ifdef _WIN32
void PendingFile::Place(bool keepOld) {
  Close();
  const std::wstring path = Wide(target_.path);
  const std::wstring temp = Wide(temp_);
  attributes_ = GetFileAttributesW(path.c_str());
  const bool existed = attributes_ != INVALID_FILE_ATTRIBUTES;
  if (existed && (attributes_ & FILE_ATTRIBUTE_READONLY))  // --force: Check refused it otherwise
    SetFileAttributesW(path.c_str(), attributes_ & ~FILE_ATTRIBUTE_READONLY);
  auto fail = [&](DWORD err) {
    if (!backup_.empty()) {
      if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) MoveFileExW(Wide(backup_).c_str(), path.c_str(), 0);
      else DeleteFileW(Wide(backup_).c_str());
      backup_.clear();
    }
    if (existed) SetFileAttributesW(path.c_str(), attributes_);
    ThrowSystemError(err == ERROR_ACCESS_DENIED || err == ERROR_SHARING_VIOLATION ? EACCES : EIO, target_.given, false);
  };
  // The old file stays under another name until every module is in place: a second name for
  // it where the volume allows, else it is moved aside.
  if (existed && keepOld) {
    backup_ = temp_ + ".old";
    const std::wstring backup = Wide(backup_);
    if (!CreateHardLinkW(backup.c_str(), path.c_str(), nullptr) && !MoveFileExW(path.c_str(), backup.c_str(), 0)) {
      const DWORD err = GetLastError();
      backup_.clear();
      fail(err);
    }
  }
  if (!MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) fail(GetLastError());
  if (existed) SetFileAttributesW(path.c_str(), attributes_);  // read-only stays read-only
  StopSignalsHeld hold;
  state_ = State::Moved;
  UnregisterTemporary(temp_);
}

void PendingFile::Undo() noexcept {
  if (state_ != State::Moved) return;
  state_ = State::Done;
  const std::wstring path = Wide(target_.path);
  if (backup_.empty()) {
    if (attributes_ == INVALID_FILE_ATTRIBUTES) DeleteFileW(path.c_str());
    return;
  }
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!MoveFileExW(Wide(backup_).c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    OldFileKeptAt(target_.given, backup_);
    return;
  }
  SetFileAttributesW(path.c_str(), attributes_);
}

void PendingFile::Finish() noexcept {
  if (state_ == State::Moved && !backup_.empty()) DeleteFileW(Wide(backup_).c_str());
  state_ = State::Done;
}
#else
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
    OldFileKeptAt(target_.given, temp_);
  } else if (state_ == State::Moved) {
    if (backup_.empty()) unlink(path);
    else if (rename(backup_.c_str(), path) != 0) OldFileKeptAt(target_.given, backup_);
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
#endif

void ReplaceAll(const std::vector<PendingFile*>& files, const std::vector<SourceSeen>& sources) {
  // Not stopped half way: a stop now would leave some targets new and some old.
  StopSignalsHeld hold;
  for (const PendingFile* file : files) {
    file->Check();
    file->CheckNotASource(sources);
  }
  std::size_t placed = 0;
  try {
    for (; placed < files.size(); ++placed) {
      files[placed]->CheckNotASource(sources);  // again at the moment of the replace
      files[placed]->Place(placed + 1 < files.size());
    }
  } catch (...) {
    while (placed) files[--placed]->Undo();
    throw;
  }
  for (PendingFile* file : files) file->Finish();
}

}  // namespace quorvel::cli
