// Which FILEs a run converts and where their modules go, settled before any source is read.
#include <gtest/gtest.h>

#include "CliTestFiles.h"
#include "JobPlan.h"
#include "VbError.h"

namespace quorvel::cli::test {
namespace {

Options With(std::vector<std::string> files, std::optional<std::string> out = std::nullopt) {
  Options o;
  o.files = std::move(files);
  o.out = std::move(out);
  return o;
}

std::string UsageOf(const Options& o) {
  try {
    PlanJobs(o);
    return "";
  } catch (const UsageError& e) {
    return e.message;
  }
}

TEST(PlanJobs, CombinationsThatCannotBeAreUsageErrors) {
  TempFolder folder;
  EXPECT_EQ(UsageOf(With({"a.bin", "b.bin"})), "several FILEs need -o FOLDER (an existing folder)");
  EXPECT_EQ(UsageOf(With({"a.bin", "b.bin"}, folder / "x.bas")), "several FILEs need -o FOLDER (an existing folder)");
  Options named = With({"a.bin", "b.bin"}, folder.Path());
  named.name = "c.bin";
  EXPECT_EQ(UsageOf(named), "--name applies to one FILE only");
  EXPECT_EQ(UsageOf(With({"-"})), "standard input (\"-\") needs --name NAME, the file name for the module");
  EXPECT_EQ(UsageOf(With({"dir/"})), "dir/ names no file; give --name NAME");
}

TEST(PlanJobs, OneFileGoesToStandardOutputOrToOut) {
  auto jobs = PlanJobs(With({"in/a.bin"}));
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0].fileName, "a.bin");
  EXPECT_FALSE(jobs[0].target);
  EXPECT_FALSE(PlanJobs(With({"in/a.bin"}, "-"))[0].target);
  jobs = PlanJobs(With({"in/a.bin"}, "m.bas"));
  ASSERT_TRUE(jobs[0].target);
  EXPECT_EQ(jobs[0].target->given, "m.bas");
  Options named = With({"-"});
  named.name = "b.bin";
  EXPECT_EQ(PlanJobs(named)[0].fileName, "b.bin");
}

TEST(PlanJobs, EachFileGoesToItsVbNameInTheFolder) {
  TempFolder folder;
  const auto jobs = PlanJobs(With({"in/logo.gif", "in/a b.txt"}, folder.Path()));
  ASSERT_EQ(jobs.size(), 2u);
  EXPECT_EQ(jobs[0].target->given, folder / "modlogo.bas");
  EXPECT_EQ(jobs[1].target->given, folder / "moda_b.bas");
}

TEST(PlanJobs, FilesWhoseVbNamesDifferOnlyInCaseAreRefusedNamingBoth) {
  TempFolder folder;
  try {
    PlanJobs(With({"x/one.txt", "y/two.txt", "z/One.bin"}, folder.Path()));
    ADD_FAILURE() << "two modules named modone";
  } catch (const Refusal& e) {
    EXPECT_EQ(e.message, "x/one.txt and z/One.bin would both be written to " + (folder / "modOne.bas") +
                             " (the same VB_Name); convert them one at a time with --name");
  }
}

TEST(PlanJobs, ANameAModuleCannotCarryNamesTheArgumentToChange) {
  EXPECT_EQ(NamedErrorOf([&] { PlanJobs(With({"in/a?.bin"})); }),
            "in/a?.bin|52|the file name holds \"?\", which Windows does not allow in a file name (\\ / : * ? \" < > |)");
  Options named = With({"in/a.bin"});
  named.name = "CON";
  EXPECT_EQ(NamedErrorOf([&] { PlanJobs(named); }),
            "--name CON|52|the file name is the device name CON, which Windows keeps for a device");
  Options dest = With({"in/a.bin"});
  dest.dest = "C:\\a<b";
  EXPECT_EQ(NamedErrorOf([&] { PlanJobs(dest); }),
            "--dest C:\\a<b|52|the destination holds \"<\", which Windows does not allow in a path (\" * ? < > |)");
}

TEST(ResolveTargets, ATargetThatIsOneOfTheSourcesIsRefused) {
  TempFolder folder;
  WriteFile(folder / "a.bin", "a");
  auto jobs = PlanJobs(With({folder / "a.bin"}, folder / "a.bin"));
  ProbeSources(jobs);
  try {
    ResolveTargets(jobs, false);
    ADD_FAILURE() << "OUT that is FILE";
  } catch (const Refusal& e) {
    EXPECT_EQ(e.message, "will not write " + (folder / "a.bin") + ": it is the same file as " + (folder / "a.bin"));
  }
}

TEST(ProbeSources, AMissingSourceFailsBeforeAnyIsRead) {
  TempFolder folder;
  WriteFile(folder / "a.bin", "a");
  auto jobs = PlanJobs(With({folder / "a.bin", folder / "b.bin"}, folder.Path()));
  EXPECT_EQ(NamedErrorOf([&] { ProbeSources(jobs); }), folder / "b.bin" + "|53|");
}

TEST(CheckStrict, FailsAModuleLongerThanVb6TakesOnlyWithStrict) {
  Options o = With({"a.bin"});
  Job job;
  job.file = "a.bin";
  job.length = 2200 * 1024;
  CheckStrict(o, job);
  o.strict = true;
  EXPECT_EQ(NamedErrorOf([&] { CheckStrict(o, job); }),
            "a.bin|0|the module would have 73219 lines; a VB6 module holds at most 65534 (--strict)");
  job.length = 1000;
  CheckStrict(o, job);
}

}  // namespace
}  // namespace quorvel::cli::test
