#include "JobPlan.h"

#include "Messages.h"
#include "StringStuff.h"
#include "VbError.h"

namespace quorvel::cli {

namespace {

// Error 52 when the engine refuses the file name or the destination; names the argument the
// user has to change.
void CheckNames(const Options& o, const Job& job) {
  try {
    TargetPathLiteral(ModuleOptionsFor(o, job.fileName));
  } catch (const VbError& e) {
    const std::string subject = e.Subject() == ErrorSubject::kDestination ? "--dest " + o.dest
                                : o.name                                   ? "--name " + *o.name
                                                                           : job.file;
    throw NamedError{subject, e.Number(), e.Detail()};
  }
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

}  // namespace

ModuleOptions ModuleOptionsFor(const Options& o, const std::string& fileName) {
  ModuleOptions m;
  m.fileName = fileName;
  m.scope = o.isPrivate ? "Private" : "Public";
  m.destFolder = o.dest;
  return m;
}

std::vector<Job> PlanJobs(const Options& o) {
  const bool toStdout = !o.out || *o.out == "-";
  const bool toFolder = !toStdout && KindOf(*o.out) == PathKind::Folder;
  if (o.files.size() > 1) {
    if (o.name) throw UsageError{"--name applies to one FILE only"};
    if (!toFolder) throw UsageError{"several FILEs need -o FOLDER (an existing folder)"};
  }
  std::vector<Job> jobs;
  for (const std::string& file : o.files) {
    Job job;
    job.file = file;
    if (o.name) job.fileName = *o.name;
    else if (file == "-") throw UsageError{"standard input (\"-\") needs --name NAME, the file name for the module"};
    else job.fileName = SplitPath(file).second;
    if (job.fileName.empty()) throw UsageError{file + " names no file; give --name NAME"};
    jobs.push_back(std::move(job));
  }
  for (const Job& job : jobs) CheckNames(o, job);
  if (toFolder) {
    for (Job& job : jobs) job.target = Target{JoinPath(*o.out, StringStuff::MakeAttribName(job.fileName) + ".bas"), {}};
    // Module names are the same in any case to VB, and file names are to Windows.
    for (std::size_t i = 0; i < jobs.size(); ++i)
      for (std::size_t k = 0; k < i; ++k)
        if (Lower(jobs[i].target->given) == Lower(jobs[k].target->given))
          throw Refusal{Shown(jobs[k].file) + " and " + Shown(jobs[i].file) + " would both be written to " +
                        Shown(jobs[i].target->given) + " (the same VB_Name); convert them one at a time with --name"};
  } else if (!toStdout) {
    jobs[0].target = Target{*o.out, {}};
  }
  return jobs;
}

void ProbeSources(std::vector<Job>& jobs) {
  for (Job& job : jobs) job.id = ProbeSource(job.file);
}

void ResolveTargets(std::vector<Job>& jobs, bool force) {
  for (Job& job : jobs) {
    if (!job.target) continue;
    job.target->path = FollowLinks(job.target->given);
    // A device (a terminal as both standard input and OUT) may be read and written at once.
    if (KindOf(job.target->path) == PathKind::File)
      if (const auto id = IdOf(job.target->path))
        for (const Job& other : jobs)
          if (other.id == id)
            throw Refusal{"will not write " + Shown(job.target->given) + ": it is the same file as " +
                          Subject(other.file)};
    // OUT that is where standard output already goes (-o /dev/stdout >> log) is written as
    // standard output is, never opened anew and cut.
    if (IsStandardOutput(job.target->path)) job.target.reset();
  }
  // A target that cannot be replaced fails the run before any source is read (and is checked
  // again before the first is replaced).
  for (const Job& job : jobs)
    if (job.target && KindOf(job.target->path) != PathKind::Other) CheckReplaceable(*job.target, force);
}

void CheckStrict(const Options& o, const Job& job) {
  const std::uint64_t lines = ModuleLineCount(job.length);
  if (o.strict && lines > kMaxVbModuleLines)
    throw NamedError{job.file, 0,
                     "the module would have " + std::to_string(lines) + " lines; a VB6 module holds at most " +
                         std::to_string(kMaxVbModuleLines) + " (--strict)"};
}

}  // namespace quorvel::cli
