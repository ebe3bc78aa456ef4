#include "Run.h"

#include <cstdio>
#include <vector>

#include "Convert.h"
#include "JobPlan.h"
#include "Messages.h"

namespace quorvel::cli {

namespace {

// The warning of a classic module past its budget, and what --verify found (unless --quiet).
void Tell(const Job& job, const Outcome& outcome) {
  if (job.checks.quiet) return;
  const bool compact = job.module.layout == ModuleLayout::kCompact;
  const std::uint64_t lines = ModuleLineCount(job.length);
  const std::string over = compact ? "" : OverBudget(job.module.maxLines, lines);
  if (!over.empty())
    std::fprintf(stderr, "quorvel-gen: %s: warning: the module has %llu lines%s\n", Subject(job.file).c_str(),
                 static_cast<unsigned long long>(lines), over.c_str());
  if (!job.checks.verify) return;
  if (compact)
    std::fprintf(stderr, "quorvel-gen: %s: verified: %d module(s), %llu bytes\n", Subject(job.file).c_str(),
                 outcome.modules, static_cast<unsigned long long>(job.length));
  else
    std::fprintf(stderr, "quorvel-gen: %s: verified: %d part(s), %llu bytes\n", Subject(job.file).c_str(),
                 outcome.parts, static_cast<unsigned long long>(job.length));
}

}  // namespace

int Run(const Options& o) {
  std::vector<Job> jobs = PlanJobs(o);
  ProbeSources(jobs);
  ResolveTargets(jobs);

  // Every module is written before any output is replaced: all of them, or none. A source is
  // open only while its modules are made.
  std::vector<Output> outputs;
  std::vector<Outcome> outcomes;
  std::vector<SourceSeen> sources;
  for (Job& job : jobs) {
    StartTurn(job);
    if (job.source.id) sources.push_back({*job.source.id, job.file});
    if (!job.streamed) {
      if (!job.planned) PlanFromLength(jobs, job);
      CheckStrict(job);
    }
    outcomes.push_back(Convert(job, outputs));
    if (job.streamed) {
      PlanFromLength(jobs, job);
      CheckStrict(job);
    }
    job.source.fd.Reset();
    job.spool.reset();
  }
  std::vector<PendingFile*> pending;
  for (Output& out : outputs)
    if (out.pending) pending.push_back(out.pending.get());
  ReplaceAll(pending, sources);

  for (std::size_t i = 0; i < jobs.size(); ++i) Tell(jobs[i], outcomes[i]);
  return 0;
}

}  // namespace quorvel::cli
