#include "Run.h"

#include <cstdio>
#include <vector>

#include "Convert.h"
#include "JobPlan.h"
#include "Messages.h"

namespace quorvel::cli {

int Run(const Options& o) {
  std::vector<Job> jobs = PlanJobs(o);
  ProbeSources(jobs);
  ResolveTargets(jobs, o.force);

  // Every module is written before any output is replaced: all of them, or none. A source is
  // open only while its modules are made.
  std::vector<Output> outputs;
  std::vector<Outcome> outcomes;
  std::vector<SourceSeen> sources;
  const bool compact = o.layout == ModuleLayout::kCompact;
  for (Job& job : jobs) {
    job.source = OpenSource(job.file);
    if (job.source.id) sources.push_back({*job.source.id, job.file});
    // A pipe whose classic module goes to a file (replaced only at the end) is converted as it
    // is read, while its writer goes on. Elsewhere a source that is not a plain file is read to
    // its end first, so that nothing is written for one that is too long, and a compact set
    // knows its modules before the first is written.
    const PathKind out = job.targets[0] ? KindOf(job.targets[0]->path) : PathKind::Other;
    job.streamed = !compact && job.source.pipe && (out == PathKind::File || out == PathKind::Missing);
    if (job.streamed) {
      WidenPipe(job.source.fd.Get());
      if (o.verify) job.spool = std::make_unique<Spool>();
    } else {
      TakeLength(job);
      job.measured = true;
      CheckStrict(o, job);
    }
    if (compact) {
      // The set as the source's length now has it: checked as the plan was.
      PlanModulesOf(o, job, job.length);
      CheckModuleNames(jobs);
      ResolveTargets(jobs, o.force);
    }
    if (job.measured) CheckPublicNames(o, jobs);
    outcomes.push_back(Convert(o, job, outputs));
    if (job.streamed) {
      job.measured = true;
      CheckStrict(o, job);
      CheckPublicNames(o, jobs);
    }
    job.source.fd.Reset();
    job.spool.reset();
  }
  std::vector<PendingFile*> pending;
  for (Output& out : outputs)
    if (out.pending) pending.push_back(out.pending.get());
  ReplaceAll(pending, sources);

  for (std::size_t i = 0; i < jobs.size(); ++i) {
    const Job& job = jobs[i];
    const std::uint64_t lines = ModuleLineCount(job.length);
    const std::string over = compact ? "" : OverBudget(o, lines);
    if (!o.quiet && !over.empty())
      std::fprintf(stderr, "quorvel-gen: %s: warning: the module has %llu lines%s\n", Subject(job.file).c_str(),
                   static_cast<unsigned long long>(lines), over.c_str());
    if (o.verify && !o.quiet) {
      if (compact)
        std::fprintf(stderr, "quorvel-gen: %s: verified: %d module(s), %llu bytes\n", Subject(job.file).c_str(),
                     outcomes[i].modules, static_cast<unsigned long long>(job.length));
      else
        std::fprintf(stderr, "quorvel-gen: %s: verified: %d part(s), %llu bytes\n", Subject(job.file).c_str(),
                     outcomes[i].parts, static_cast<unsigned long long>(job.length));
    }
  }
  return 0;
}

}  // namespace quorvel::cli
