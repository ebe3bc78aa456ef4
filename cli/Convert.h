// One job's turn: its output opened, its module generated into it and, with --verify, read
// back and compared with the source.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "Args.h"
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

// Standard output, the device or pipe the target is, or a temporary file beside the target
// (error 75 for a folder).
Output OpenOutput(const Options& o, const Job& job);

struct Outcome {
  std::int32_t parts = 0;  // as --verify counted them
};

// Converts the job's source into its output; verifies it when asked. Throws on any failure:
// NamedError about the FILE (a source that is too long or shrinks) or about the output (a
// write error, a failed check), Stopped when Ctrl+C was pressed.
Outcome Convert(const Options& o, Job& job, Output& out);

}  // namespace quorvel::cli
