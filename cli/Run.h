// A whole run of quorvel-gen once its command line is read.
#pragma once
#include "Args.h"

namespace quorvel::cli {

// Plans the jobs, converts each source in turn, then replaces every output together: all of
// them or none. Warns of modules longer than VB6 takes and tells what --verify found (unless
// --quiet). Returns the exit status; throws what a failure is (see ReportFailure).
int Run(const Options& o);

}  // namespace quorvel::cli
