// One FILE of the command line: its name, where its module goes, and its bytes, read once
// from the source or again by position for --verify.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Files.h"
#include "ModuleFormat.h"
#include "ModuleGenerator.h"
#include "ModuleSet.h"
#include "Replace.h"
#include "Spool.h"

namespace quorvel::cli {

// What the command line asks of every job beside its module.
struct JobChecks {
  bool verify = false;  // read every module back and compare it with the source
  bool quiet = false;   // no warning, no progress bar, no "verified" line
  bool strict = false;  // a classic module past module.maxLines fails the run
  bool force = false;   // read-only targets are replaced all the same
};

// A FILE of the run as the plan made it: everything its turn needs, settled once.
struct Job {
  std::string file;     // as given; "-" is standard input
  ModuleOptions module;  // the file name on the Open lines, scope, destination, layout, line budget
  JobChecks checks;
  std::optional<std::string> folder;  // -o FOLDER
  // The modules the source becomes and where each goes (none: standard output): planned with
  // the run for a plain file, once its bytes are read for any other source.
  std::vector<ModuleInfo> modules;
  std::vector<std::optional<Target>> targets;
  std::optional<FileId> id;      // the source's, seen before anything is read
  OpenedSource source;           // open only while it is converted
  bool streamed = false;         // converted as it is read: its length is known at its end
  std::unique_ptr<Spool> spool;  // its bytes, when they cannot be read again from the source
  // The bytes converted: a plain file's size when the run is planned (a file that grows is
  // cut there, one that shrinks fails as it is read), else what its reading found.
  std::uint64_t length = 0;
  bool planned = false;  // length and modules are settled
};

// The bytes of a source by position: reads of a plain file do not depend on a shared offset,
// so the generator and the verifier may both read it. A streamed source is read as it comes
// (and kept in the spool for --verify).
class JobSource : public ByteSource {
 public:
  explicit JobSource(Job& job) : job_(job) {}
  std::uint64_t Length() override { return job_.streamed ? kUnknownLength : job_.length; }
  std::size_t Read(std::uint8_t* buffer, std::size_t count) override;
  std::size_t ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t count) const;
  std::uint64_t BytesRead() const { return at_; }

 private:
  Job& job_;
  std::uint64_t at_ = 0;
};

// The source's length, read to its end first (into the job's spool) when it is not a plain
// file. Error 6 about the FILE past ModuleFormat::kMaxSourceBytes.
void TakeLength(Job& job);

// The job's turn begins: its source opened, and its length known (that of the plan for a
// plain file), or the source is a pipe converted as it is read (into a file). Error 6 about
// the FILE past ModuleFormat::kMaxSourceBytes.
void StartTurn(Job& job);

}  // namespace quorvel::cli
