// Which FILEs the command line names and where each module goes, settled before any source
// is read: everything a usage error can be found from, then the sources and targets probed.
#pragma once
#include <string>
#include <vector>

#include "Args.h"
#include "JobSource.h"
#include "ModuleGenerator.h"

namespace quorvel::cli {

// The module options for a file of that name under these options.
ModuleOptions ModuleOptionsFor(const Options& o, const std::string& fileName);

// One job per FILE, each with its target: none (standard output), OUT, or <VB_Name>.bas in
// the folder OUT. UsageError for a combination that cannot be, NamedError 52 for a name a
// module cannot carry (about the argument to change), Refusal for two FILEs that would give
// the same module name (VB and Windows compare names in any case). Opens nothing.
std::vector<Job> PlanJobs(const Options& o);

// Every source is there and can be read, before any is read; none is held open.
void ProbeSources(std::vector<Job>& jobs);

// Fixes where each module will be written (links followed here and not again); Refusal for a
// target that is one of the sources; the refusals of CheckReplaceable.
void ResolveTargets(std::vector<Job>& jobs, bool force);

// With --strict, NamedError when the job's module would be longer than a VB6 module may be.
void CheckStrict(const Options& o, const Job& job);

}  // namespace quorvel::cli
