#include "JobPlan.h"

#include <filesystem>
#include <map>
#include <optional>
#include <system_error>
#include <unordered_map>

#include "Messages.h"
#include "ModuleSet.h"
#include "StringStuff.h"
#include "VbError.h"

namespace quorvel::cli {

namespace {

// Error 52 when the engine refuses the file name or the destination; names the argument the
// user has to change.
void CheckNames(const Options& o, const Job& job) {
  try {
    TargetPathLiteral(job.module);
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

// The size of a plain file now; none for anything else (its length is known only when read).
std::optional<std::uint64_t> PlainFileSize(const std::string& file) {
  if (file == "-" || KindOf(file) != PathKind::File) return std::nullopt;
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(std::filesystem::path(std::u8string(file.begin(), file.end())), error);
  if (error) return std::nullopt;
  return size;
}

// LibreOffice Basic holds about 63,000 characters of string literals a module; a part carries
// 16,000.
constexpr std::int32_t kLibreOfficeParts = 3;

// The option that sets the budget a set is planned under.
std::string BudgetOption(const ModuleOptions& m) {
  const std::string lines = "--max-lines " + std::to_string(m.maxLines);
  return m.maxParts ? "--libreoffice" + (m.maxLines == kMaxVbModuleLines ? "" : " " + lines) : lines;
}

ModuleOptions ModuleOptionsFor(const Options& o, std::string fileName) {
  ModuleOptions m;
  m.fileName = std::move(fileName);
  m.scope = o.isPrivate ? "Private" : "Public";
  m.destFolder = o.dest;
  m.layout = o.layout;
  m.maxLines = o.maxLines;
  if (o.libreOffice) m.maxParts = kLibreOfficeParts;
  return m;
}

}  // namespace

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
    std::string fileName;
    if (o.name) fileName = *o.name;
    else if (file == "-") throw UsageError{"standard input (\"-\") needs --name NAME, the file name for the module"};
    else fileName = SplitPath(file).second;
    if (fileName.empty()) throw UsageError{file + " names no file; give --name NAME"};
    job.module = ModuleOptionsFor(o, std::move(fileName));
    job.checks = {o.verify, o.quiet, o.strict, o.force};
    jobs.push_back(std::move(job));
  }
  for (const Job& job : jobs) CheckNames(o, job);
  for (Job& job : jobs) {
    if (toFolder) {
      job.folder = *o.out;
      job.targets = {Target{JoinPath(*o.out, StringStuff::MakeAttribName(job.module.fileName) + ".bas"), {}}};
    } else {
      job.targets = {toStdout ? std::nullopt : std::optional<Target>(Target{*o.out, {}})};
    }
  }
  for (Job& job : jobs)
    if (const auto size = PlainFileSize(job.file)) {
      job.length = *size;
      if (job.module.layout == ModuleLayout::kCompact) PlanModulesOf(job, *size);
      job.planned = true;
    }
  CheckModuleNames(jobs);
  CheckPublicNames(jobs);
  return jobs;
}

void PlanModulesOf(Job& job, std::uint64_t length) {
  std::vector<ModuleInfo> modules;
  try {
    modules = PlanModules(job.module, length);
  } catch (const VbError& e) {
    if (e.Number() == kErrOverflow) throw NamedError{job.file, e.Number(), ModuleFormat::kSourceLimitDetail};
    throw NamedError{BudgetOption(job.module), e.Number(), e.Detail()};
  }
  if (modules.size() > 1 && !job.folder)
    throw UsageError{Subject(job.file) + " becomes " + std::to_string(modules.size()) + " compact modules under " +
                     BudgetOption(job.module) + "; a set of modules needs -o FOLDER (an existing folder)"};
  if (job.folder) {
    job.targets.resize(std::min(job.targets.size(), modules.size()));
    for (std::size_t k = job.targets.size(); k < modules.size(); ++k)
      job.targets.push_back(Target{JoinPath(*job.folder, modules[k].vbName + ".bas"), {}});
  }
  job.modules = std::move(modules);
}

void PlanFromLength(std::vector<Job>& jobs, Job& job) {
  PlanModulesOf(job, job.length);
  job.planned = true;
  CheckModuleNames(jobs);
  ResolveTargets(jobs);
  CheckPublicNames(jobs);
}

void CheckModuleNames(const std::vector<Job>& jobs) {
  std::unordered_map<std::string, std::size_t> owner;  // target, lower case: the job writing it
  for (std::size_t i = 0; i < jobs.size(); ++i)
    for (const auto& target : jobs[i].targets) {
      if (!target || !jobs[i].folder) continue;
      const auto [at, added] = owner.emplace(Lower(target->given), i);
      if (!added && at->second != i)
        throw Refusal{Shown(jobs[at->second].file) + " and " + Shown(jobs[i].file) + " would both be written to " +
                      Shown(target->given) + " (the same VB_Name); convert them one at a time with --name"};
    }
}

void CheckPublicNames(const std::vector<Job>& jobs) {
  if (jobs.size() < 2) return;
  std::vector<PublicNames> names;
  for (const Job& job : jobs)
    names.push_back(PublicNamesOf(job.module, job.planned ? std::optional(job.length) : std::nullopt));
  if (const auto clash = FindSharedPublicName(names))
    throw Refusal{Subject(jobs[clash->first].file) + " and " + Subject(jobs[clash->second].file) +
                  " would both declare Public " + clash->name +
                  ", and modules of one run must compile together in one project; convert one of them "
                  "with --name, giving it another name"};
}

void ProbeSources(std::vector<Job>& jobs) {
  for (Job& job : jobs) job.id = ProbeSource(job.file);
}

void CheckTargetsApart(const std::vector<Job>& jobs) {
  struct Seen {
    const Job* job;
    const Target* target;
  };
  std::unordered_map<std::string, Seen> places;
  std::map<std::pair<std::uint64_t, std::uint64_t>, Seen> files;  // volume and file number
  const auto refuse = [](const Seen& a, const Seen& b) {
    const bool oneJob = a.job == b.job;
    throw Refusal{"will not write " + Shown(a.target->given) + " and " + Shown(b.target->given) +
                  ": they are one file, and the modules of " + Subject(a.job->file) +
                  (oneJob ? "" : " and " + Subject(b.job->file)) + " would replace each other; " +
                  (oneJob ? "remove the link" : "remove the link, or convert them one at a time with --name")};
  };
  for (const Job& job : jobs)
    for (const auto& target : job.targets) {
      // Only files are replaced; a device or pipe takes what is written to it.
      if (!target || target->path.empty() || KindOf(target->path) == PathKind::Other) continue;
      const Seen seen{&job, &*target};
      if (const auto [at, added] = places.emplace(PlaceOf(target->path), seen); !added) refuse(at->second, seen);
      if (const auto id = IdOf(target->path))
        if (const auto [at, added] = files.emplace(std::pair(id->volume, id->index), seen); !added)
          refuse(at->second, seen);
    }
}

void ResolveTargets(std::vector<Job>& jobs) {
  std::vector<std::pair<const Job*, const Target*>> resolved;
  for (Job& job : jobs)
    for (auto& target : job.targets) {
      if (!target || !target->path.empty()) continue;
      target->path = FollowLinks(target->given);
      // Whatever kind of file it is: a FIFO, pipe or device that a source is would take the
      // module the source waits for (or give it back as input), and nothing has been read yet.
      if (const auto id = IdOf(target->path))
        for (const Job& other : jobs)
          if (other.id == id)
            throw Refusal{"will not write " + Shown(target->given) + ": it is the same file as " +
                          Subject(other.file)};
      // OUT that is where standard output already goes (-o /dev/stdout >> log) is written as
      // standard output is, never opened anew and cut.
      if (IsStandardOutput(target->path)) target.reset();
      else resolved.emplace_back(&job, &*target);
    }
  CheckTargetsApart(jobs);
  // A target that cannot be replaced fails the run before any source is read (and is checked
  // again before the first is replaced).
  for (const auto& [job, target] : resolved)
    if (KindOf(target->path) != PathKind::Other) CheckReplaceable(*target, job->checks.force);
}

std::string OverBudget(std::uint64_t maxLines, std::uint64_t lines) {
  if (lines <= maxLines) return "";
  if (maxLines == kMaxVbModuleLines) return "; a VB6 module holds at most " + std::to_string(kMaxVbModuleLines);
  return ", more than --max-lines " + std::to_string(maxLines);
}

void CheckStrict(const Job& job) {
  if (!job.checks.strict || job.module.layout != ModuleLayout::kClassic) return;
  const std::uint64_t lines = ModuleLineCount(job.length);
  const std::string over = OverBudget(job.module.maxLines, lines);
  if (!over.empty())
    throw NamedError{job.file, 0, "the module would have " + std::to_string(lines) + " lines" + over + " (--strict)"};
}

}  // namespace quorvel::cli
