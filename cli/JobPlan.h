// Which FILEs the command line names, the modules each becomes and where each module goes,
// settled before any source is read: everything a usage error can be found from, then the
// sources and targets probed.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "Args.h"
#include "JobSource.h"
#include "ModuleGenerator.h"

namespace quorvel::cli {

// The module options for a file of that name under these options.
ModuleOptions ModuleOptionsFor(const Options& o, const std::string& fileName);

// One job per FILE, each with its target: none (standard output), OUT, or <VB_Name>.bas in
// the folder OUT; a compact set from a plain file also <VB_Name>_2.bas ... UsageError for a
// combination that cannot be (a set without -o FOLDER too), NamedError 52 for a name a module
// cannot carry (about the argument to change), 5 for a line budget too small (about
// --max-lines), Refusal for two modules of the run with one name. Opens nothing.
std::vector<Job> PlanJobs(const Options& o);

// The modules of the job's source of `length` bytes and their targets: those already planned
// stay as they are (their links are followed only once), those past them are added. Throws as
// PlanJobs; error 6 about the FILE when it is too long.
void PlanModulesOf(const Options& o, Job& job, std::uint64_t length);

// Refusal when two modules of the run would be written to the same file: VB takes module
// names, and Windows file names, in any case.
void CheckModuleNames(const std::vector<Job>& jobs);

// Refusal when two sources of the run would declare one Public name (PublicNamesOf), so that
// their modules could not be in one project: from the length of each source measured so far
// or, for a plain file not yet read, its size now.
void CheckPublicNames(const Options& o, const std::vector<Job>& jobs);

// Every source is there and can be read, before any is read; none is held open.
void ProbeSources(std::vector<Job>& jobs);

// Fixes where each module not yet resolved will be written (links followed here and not
// again); Refusal for a target that is one of the sources, and as CheckTargetsApart; the
// refusals of CheckReplaceable.
void ResolveTargets(std::vector<Job>& jobs, bool force);

// Refusal when two targets of the run, by their names or by links, reach one file (device and
// file number where it exists): one module would be lost.
void CheckTargetsApart(const std::vector<Job>& jobs);

// With --strict, NamedError when the job's classic module would be longer than --max-lines.
void CheckStrict(const Options& o, const Job& job);

// What a classic module of `lines` lines passes, said after "the module has N lines"; empty
// when it is within the budget.
std::string OverBudget(const Options& o, std::uint64_t lines);

}  // namespace quorvel::cli
