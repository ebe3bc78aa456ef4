// One job's turn: its outputs opened as its modules come, the modules generated into them
// and, with --verify, read back and compared with the source.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Files.h"
#include "JobSource.h"
#include "Replace.h"

namespace quorvel::cli {

struct Output {
  std::unique_ptr<PendingFile> pending;  // a file replaced on success
  Fd direct;                             // a device or pipe named by -o, written as it comes
  int fd = 1;
  std::string name = "standard output";
};

// Standard output (no target), the device or pipe the target is, or a temporary file beside
// the target (error 75 for a folder).
// A read-only target is replaced only with `force`.
Output OpenOutput(const std::optional<Target>& target, bool force);

struct Outcome {
  std::int32_t parts = 0;    // of a classic module, as --verify counted them
  std::int32_t modules = 0;  // of a compact set, as --verify counted them
};

// Converts the job's source into its modules, each into the output of its target, which is
// added to `outputs` when the module begins; verifies them when asked. A temporary file is
// closed once its module is complete. Throws on any failure: NamedError about the FILE (a
// source that is too long or shrinks) or about an output (a write error, a failed check),
// Stopped when Ctrl+C was pressed.
Outcome Convert(Job& job, std::vector<Output>& outputs);

}  // namespace quorvel::cli
