// Which FILEs the command line names, the modules each becomes and where each module goes,
// settled once, before any source is read: everything a usage error can be found from, then
// the sources and targets probed. A source whose length only its reading tells (a pipe, a
// device) gets the rest of its plan then (PlanFromLength).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "Args.h"
#include "JobSource.h"

namespace quorvel::cli {

// One job per FILE, each with its module options and its target: none (standard output), OUT,
// or <VB_Name>.bas in the folder OUT; a plain file's length and modules too (a compact set
// also <VB_Name>_2.bas ...). UsageError for a combination that cannot be (a set without -o
// FOLDER too), NamedError 52 for a name a module cannot carry (about the argument to change),
// 5 for a line budget too small (about --max-lines), Refusal for two modules of the run with
// one name or one Public name. Opens nothing.
std::vector<Job> PlanJobs(const Options& o);

// The modules of the job's source of `length` bytes and their targets: those already planned
// stay as they are (their links are followed only once), those past them are added. Throws as
// PlanJobs; error 6 about the FILE when it is too long.
void PlanModulesOf(Job& job, std::uint64_t length);

// The plan of a job whose length its reading told: its modules and targets, and every check
// of the plan again with them (names, targets, Public names, --strict).
void PlanFromLength(std::vector<Job>& jobs, Job& job);

// Refusal when two modules of the run would be written to the same file: VB takes module
// names, and Windows file names, in any case.
void CheckModuleNames(const std::vector<Job>& jobs);

// Refusal when two sources of the run would declare one Public name (PublicNamesOf), so that
// their modules could not be in one project: from the length of each job planned so far.
void CheckPublicNames(const std::vector<Job>& jobs);

// Every source is there and can be read, before any is read; none is held open.
void ProbeSources(std::vector<Job>& jobs);

// Fixes where each module not yet resolved will be written (links followed here and not
// again); Refusal for a target that is one of the sources, and as CheckTargetsApart; the
// refusals of CheckReplaceable.
void ResolveTargets(std::vector<Job>& jobs);

// Refusal when two targets of the run, by their names or by links, reach one file (device and
// file number where it exists): one module would be lost.
void CheckTargetsApart(const std::vector<Job>& jobs);

// With --strict, NamedError when the job's classic module would be longer than --max-lines.
void CheckStrict(const Job& job);

// What a classic module of `lines` lines passes, said after "the module has N lines"; empty
// when it is within the budget of `maxLines`.
std::string OverBudget(std::uint64_t maxLines, std::uint64_t lines);

}  // namespace quorvel::cli
