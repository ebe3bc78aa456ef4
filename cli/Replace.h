// Outputs replaced only on success. Each module is written to a temporary file beside its
// target; at the end the targets are replaced together, all of them or none.
#pragma once
#include <string>
#include <vector>

#include "Files.h"

namespace quorvel::cli {

// Where a module goes: OUT as the user named it (messages use it), and the path a write
// reaches, its links followed once, when the run began.
struct Target {
  std::string given;
  std::string path;
};

// The path that writing to `path` reaches: symbolic links followed to their end, also when the
// last one names a file that does not exist yet. Error 76 about `path` for a loop of links.
std::string FollowLinks(const std::string& path);
// Whether `path` is the very file, pipe or device this program's standard output goes to.
bool IsStandardOutput(const std::string& path);

// The refusals replacing a target would meet: a folder (75), a read-only file without
// --force (75), on Linux a file in a sticky folder that belongs to someone else (70).
void CheckReplaceable(const Target& target, bool force);
// What the system says stands in the way of replacing the file at `path` (nothing for a file
// that does not exist); a read-only file only without --force.
enum class ReplaceBar { None, ReadOnly, SomeoneElses };
ReplaceBar BarToReplacing(const std::string& path, bool force);

// A source as it was read, so that no target is replaced once it has become that source.
struct SourceSeen {
  FileId id;
  std::string file;  // as given; "-" is standard input
};

// The temporary file of one target. It is removed when this object goes without being
// placed, and when the program is stopped by SIGINT, SIGTERM or SIGHUP (Ctrl+C on Windows).
class PendingFile {
 public:
  // Checks the target (see Check) and creates the temporary file (exclusively, with the
  // target's mode when it exists).
  PendingFile(Target target, bool force);
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;
  ~PendingFile();

  int Descriptor() const { return fd_.Get(); }
  const std::string& Given() const { return target_.given; }
  // Closes the file once it is complete (reported as a write error on the target).
  void Close();

  // CheckReplaceable, again.
  void Check() const { CheckReplaceable(target_, force_); }
  // Exit 2 when the target, by its name or the path behind it, is now one of the sources.
  void CheckNotASource(const std::vector<SourceSeen>& sources) const;

  // Puts the new file in the target's place. With keepOld the old file stays until Finish(),
  // and Undo() puts it back.
  void Place(bool keepOld);
  void Undo() noexcept;
  void Finish() noexcept;

 private:
  enum class State { Pending, Swapped, Moved, Done };

  // Said when the old file could not be put back, so that it is not lost from sight.
  void SayOldFileKeptAt(const std::string& where) const noexcept;

  Target target_;
  bool force_;
  std::string temp_;
  std::string backup_;  // the old file under another name, where it could not be swapped
  Fd fd_;
  State state_ = State::Pending;
#ifdef _WIN32
  unsigned long attributes_ = 0;  // of the replaced file, given to the new one
#endif
};

// Checks every target, then puts each new file in place; when one cannot be put in place, the
// targets already replaced get their old files back and the error is thrown. A stop that came
// before the first is replaced ends the run with every target as it was; from the first on,
// the stop signals stay held until the program ends, so the run finishes (exit 0).
void ReplaceAll(const std::vector<PendingFile*>& files, const std::vector<SourceSeen>& sources);

}  // namespace quorvel::cli
