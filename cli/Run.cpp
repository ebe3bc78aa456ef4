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
  // open only while its module is made.
  std::vector<Output> outputs;
  outputs.reserve(jobs.size());
  std::vector<Outcome> outcomes;
  std::vector<SourceSeen> sources;
  for (Job& job : jobs) {
    job.source = OpenSource(job.file);
    if (job.source.id) sources.push_back({*job.source.id, job.file});
    // A pipe whose module goes to a file (replaced only at the end) is converted as it is read,
    // while its writer goes on. Elsewhere a source that is not a plain file is read to its end
    // first, so that nothing is written for one that is too long.
    const PathKind out = job.target ? KindOf(job.target->path) : PathKind::Other;
    job.streamed = job.source.pipe && (out == PathKind::File || out == PathKind::Missing);
    if (job.streamed) {
      WidenPipe(job.source.fd.Get());
      if (o.verify) job.spool = std::make_unique<Spool>();
    } else {
      TakeLength(job);
      CheckStrict(o, job);
    }
    outputs.push_back(OpenOutput(o, job));
    outcomes.push_back(Convert(o, job, outputs.back()));
    if (job.streamed) CheckStrict(o, job);
    if (outputs.back().pending) outputs.back().pending->Close();
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
    if (!o.quiet && lines > kMaxVbModuleLines)
      std::fprintf(stderr, "quorvel-gen: %s: warning: the module has %llu lines; a VB6 module holds at most %llu\n",
                   Subject(job.file).c_str(), static_cast<unsigned long long>(lines),
                   static_cast<unsigned long long>(kMaxVbModuleLines));
    if (o.verify && !o.quiet)
      std::fprintf(stderr, "quorvel-gen: %s: verified: %d part(s), %llu bytes\n", Subject(job.file).c_str(),
                   outcomes[i].parts, static_cast<unsigned long long>(job.length));
  }
  return 0;
}

}  // namespace quorvel::cli
