// One FILE of the command line: its name, where its module goes, and its bytes, read once
// from the source or again by position for --verify.
#pragma once
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Files.h"
#include "ModuleGenerator.h"
#include "ModuleSet.h"
#include "Replace.h"
#include "Spool.h"

namespace quorvel::cli {

inline constexpr std::uint64_t kMaxSource = std::numeric_limits<std::int32_t>::max();
inline constexpr const char* kOverflowDetail = "a module can carry at most 2,147,483,647 bytes";

struct Job {
  std::string file;  // as given; "-" is standard input
  std::string fileName;
  std::optional<std::string> folder;  // -o FOLDER
  // The modules the source becomes, once its length is known (a compact set: several), and
  // where each goes (none: standard output). Planned from a plain file's size before the run,
  // planned again when its turn comes.
  std::vector<ModuleInfo> modules;
  std::vector<std::optional<Target>> targets;
  std::optional<FileId> id;      // the source's, seen before anything is read
  OpenedSource source;           // open only while it is converted
  bool streamed = false;         // converted as it is read: its length is known at its end
  std::unique_ptr<Spool> spool;  // its bytes, when they cannot be read again from the source
  std::uint64_t length = 0;  // taken when its turn comes; a file that grows is cut there
  bool measured = false;     // length holds the source's length
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
// file. Error 6 about the FILE past kMaxSource bytes.
void TakeLength(Job& job);

}  // namespace quorvel::cli
