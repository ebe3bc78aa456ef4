// File access for quorvel-gen: sources, outputs replaced only on success, and the clean-up of
// unfinished outputs when the program is stopped. Paths are UTF-8 on every platform.
#pragma once
#include <cstddef>
#include <cstdint>
#include <csignal>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quorvel::cli {

// A failure about one named thing (a path or an argument): a VB run-time error number, its
// description and, when it helps, a detail said in words. An empty subject names nothing (the
// process itself ran out of something).
struct NamedError {
  std::string subject;
  int number;
  std::string detail;
};

// A run refused as a whole (exit 2) with a message of its own; OUT that is FILE, for one.
struct Refusal {
  std::string message;
};

// Maps an operating-system error on `path` (errno; on Windows a Windows error code) to the VB
// error a user of the window knows.
[[noreturn]] void ThrowSystemError(int err, const std::string& path, bool reading);
// Whether "not found" is about the file itself (53) rather than its path (76): only for a file
// being read whose folder is there.
bool MissingIsTheFile(const std::string& path, bool reading);

// Tells two names of the same file apart from two files (device and file number).
struct FileId {
  std::uint64_t volume = 0;
  std::uint64_t index = 0;
  bool operator==(const FileId&) const = default;
};

// Owns a file descriptor.
class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  Fd(Fd&& other) noexcept : fd_(other.Release()) {}
  Fd& operator=(Fd&& other) noexcept;
  ~Fd() { Reset(); }
  int Get() const { return fd_; }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void Reset();

 private:
  int fd_ = -1;
};

struct OpenedSource {
  Fd fd;
  bool seekable = false;   // a plain file whose length is known up front
  bool pipe = false;       // a pipe, FIFO or socket: its bytes come once, as they are written
  std::uint64_t size = 0;  // its length when opened
  std::optional<FileId> id;
};

// Opens a source for reading; "-" is standard input.
OpenedSource OpenSource(const std::string& path);

// Asks for a larger pipe buffer, for fewer and larger reads (where the system has them).
void WidenPipe(int fd);
// Reads up to n bytes (0 at the end); throws NamedError about `path` on failure.
std::size_t ReadSome(int fd, std::uint8_t* buffer, std::size_t n, const std::string& path);
std::size_t ReadAt(int fd, std::uint64_t offset, std::uint8_t* buffer, std::size_t n, const std::string& path);
// Writes everything; returns 0 or the system error number.
int WriteAll(int fd, const char* bytes, std::size_t n);
// Opens an existing device or pipe for writing, as it is (nothing created, nothing cut).
Fd OpenForWriting(const std::string& path);
// The length of an open file now.
std::uint64_t CurrentSize(int fd);

enum class PathKind { Missing, File, Folder, Other };
// What a path names, following symbolic links.
PathKind KindOf(const std::string& path);
// The folder part of a path ("." when it has none) and the name after it. On Windows "C:a.b"
// is "C:" and "a.b".
std::pair<std::string, std::string> SplitPath(const std::string& path);
// A name in a folder, with one separator between them ("/" and "a" give "/a"; on Windows "\"
// gives "\a", "C:\" gives "C:\a" and "C:" gives "C:a").
std::string JoinPath(const std::string& folder, const std::string& name);
std::optional<FileId> IdOf(const std::string& path);
// The place a path names, as text two names of one place share: absolute, its folder's links
// followed, and on Windows in upper case (Windows takes names in any case). A file that exists
// is told apart better by IdOf (hard links).
std::string PlaceOf(const std::string& path);
std::optional<FileId> IdOfDescriptor(int fd);
// Fails as opening the source would (53, 76, 70, 75 for a folder), without holding it open; a
// plain file is opened and closed again, a pipe or device only looked at. The source's file
// identity when it has one.
std::optional<FileId> ProbeSource(const std::string& path);

// Temporary files the stop handlers remove. Changed only while the stop signals are held.
void RegisterTemporary(const std::string& path);
void UnregisterTemporary(const std::string& path);

// Installs the handlers that remove unfinished temporary files when the program is stopped.
void InstallStopHandlers();
// True once Ctrl+C was pressed (Windows; on other systems the signal handler ends the program).
bool StopRequested();
// Holds the stop signals back in this thread, and in the threads it starts, while it lives.
class StopSignalsHeld {
 public:
  StopSignalsHeld();
  ~StopSignalsHeld();
  StopSignalsHeld(const StopSignalsHeld&) = delete;
  StopSignalsHeld& operator=(const StopSignalsHeld&) = delete;

  // Lets a stop signal that came while they were held do what it does now (unless they were
  // held before this object too), then holds them again.
  void LetPendingThrough();
  // Holds them until the program ends: a stop that comes from now on is dropped.
  void KeepUntilExit() { keep_ = true; }

 private:
  bool keep_ = false;
#ifndef _WIN32
  sigset_t saved_;
#endif
};

// The command-line arguments as UTF-8 (on Windows taken from the wide command line).
std::vector<std::string> Arguments(int argc, char** argv);
// Puts standard output in binary mode where that matters, and lets the program hold as many
// files open as the system allows.
void PrepareProcess();

}  // namespace quorvel::cli
