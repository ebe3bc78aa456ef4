// Replacing targets on Windows: a temporary file beside the target, moved over it; the old file
// keeps a second name (or is moved aside) until every target is in place. A read-only target
// that --force replaces stays read-only.
#include <io.h>

#include <string>
#include <utility>

#include "FilesWindows.h"
#include "Replace.h"

namespace quorvel::cli {

namespace {

constexpr unsigned kMostTemporaryNamesTried = 100;

// Windows refuses a move over a file that is open elsewhere, or may not be removed, with
// ERROR_ACCESS_DENIED: to the user that target is in use, Permission denied as for a locked file.
DWORD AsMoveRefusal(DWORD err) { return err == ERROR_ACCESS_DENIED ? ERROR_SHARING_VIOLATION : err; }

}  // namespace

std::string FollowLinks(const std::string& path) {
  return path;  // a link is replaced as it is
}

ReplaceBar BarToReplacing(const std::string& path, bool force) {
  const DWORD a = GetFileAttributesW(Wide(path).c_str());
  if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY) && !force) return ReplaceBar::ReadOnly;
  return ReplaceBar::None;
}

PendingFile::PendingFile(Target target, bool force) : target_(std::move(target)), force_(force) {
  Check();
  const auto [folder, name] = SplitPath(target_.path);
  StopSignalsHeld hold;
  for (unsigned attempt = 0;; ++attempt) {
    temp_ = JoinPath(folder, "." + name + "." + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt) +
                                 ".tmp");
    const HANDLE h = CreateFileW(Wide(temp_).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD err = GetLastError();
    if (h != INVALID_HANDLE_VALUE) {
      fd_ = AdoptHandle(h, target_.given);
      break;
    }
    if ((err != ERROR_FILE_EXISTS && err != ERROR_ALREADY_EXISTS) || attempt == kMostTemporaryNamesTried)
      ThrowSystemError(static_cast<int>(err), target_.given, false);
  }
  RegisterTemporary(temp_);
}

PendingFile::~PendingFile() {
  if (state_ != State::Pending) return;
  fd_.Reset();
  StopSignalsHeld hold;
  DeleteFileW(Wide(temp_).c_str());
  UnregisterTemporary(temp_);
}

void PendingFile::Close() {
  const int fd = fd_.Release();
  if (fd < 0) return;
  if (_close(fd) != 0) ThrowSystemError(static_cast<int>(GetLastError()), target_.given, false);
}

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
    ThrowSystemError(static_cast<int>(AsMoveRefusal(err)), target_.given, false);
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
    SayOldFileKeptAt(backup_);
    return;
  }
  SetFileAttributesW(path.c_str(), attributes_);
}

void PendingFile::Finish() noexcept {
  if (state_ == State::Moved && !backup_.empty()) DeleteFileW(Wide(backup_).c_str());
  state_ = State::Done;
}

}  // namespace quorvel::cli
