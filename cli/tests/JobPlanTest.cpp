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
  EXPECT_EQ(jobs[0].module.fileName, "a.bin");
  ASSERT_EQ(jobs[0].targets.size(), 1u);
  EXPECT_FALSE(jobs[0].targets[0]);
  EXPECT_FALSE(PlanJobs(With({"in/a.bin"}, "-"))[0].targets[0]);
  jobs = PlanJobs(With({"in/a.bin"}, "m.bas"));
  ASSERT_TRUE(jobs[0].targets[0]);
  EXPECT_EQ(jobs[0].targets[0]->given, "m.bas");
  Options named = With({"-"});
  named.name = "b.bin";
  EXPECT_EQ(PlanJobs(named)[0].module.fileName, "b.bin");
}

TEST(PlanJobs, EachFileGoesToItsVbNameInTheFolder) {
  TempFolder folder;
  const auto jobs = PlanJobs(With({"in/logo.gif", "in/a b.txt"}, folder.Path()));
  ASSERT_EQ(jobs.size(), 2u);
  EXPECT_EQ(jobs[0].targets[0]->given, folder / "modlogo.bas");
  EXPECT_EQ(jobs[1].targets[0]->given, folder / "moda_b.bas");
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
    ResolveTargets(jobs);
    ADD_FAILURE() << "OUT that is FILE";
  } catch (const Refusal& e) {
    EXPECT_EQ(e.message, "will not write " + (folder / "a.bin") + ": it is the same file as " + (folder / "a.bin"));
  }
}

// Two names of one file that is not there yet: the folder reached another way, and on Windows
// the name in another case.
TEST(CheckTargetsApart, TwoNamesOfOnePlaceAreRefusedNamingBoth) {
  TempFolder folder;
  std::filesystem::create_directory(PathOf(folder / "sub"));
  const std::string other =
#ifdef _WIN32
      folder / "SUB\\..\\MODA.BAS";
#else
      folder / "sub/../moda.bas";
#endif
  std::vector<Job> jobs(2);
  jobs[0].file = "a.bin";
  jobs[0].targets = {Target{folder / "moda.bas", folder / "moda.bas"}};
  jobs[1].file = "b.bin";
  jobs[1].targets = {Target{other, other}};
  try {
    CheckTargetsApart(jobs);
    ADD_FAILURE() << "two names of one place";
  } catch (const Refusal& e) {
    EXPECT_EQ(e.message, "will not write " + (folder / "moda.bas") + " and " + other +
                             ": they are one file, and the modules of a.bin and b.bin would replace each other; "
                             "remove the link, or convert them one at a time with --name");
  }
  jobs[1].targets = {Target{folder / "modb.bas", folder / "modb.bas"}};
  CheckTargetsApart(jobs);
}

TEST(ProbeSources, AMissingSourceFailsBeforeAnyIsRead) {
  TempFolder folder;
  WriteFile(folder / "a.bin", "a");
  auto jobs = PlanJobs(With({folder / "a.bin", folder / "b.bin"}, folder.Path()));
  EXPECT_EQ(NamedErrorOf([&] { ProbeSources(jobs); }), folder / "b.bin" + "|53|");
}

TEST(CheckStrict, FailsAModuleLongerThanVb6TakesOnlyWithStrict) {
  Job job;
  job.file = "a.bin";
  job.length = 2200 * 1024;
  CheckStrict(job);
  job.checks.strict = true;
  EXPECT_EQ(NamedErrorOf([&] { CheckStrict(job); }),
            "a.bin|0|the module would have 73219 lines; a VB6 module holds at most 65534 (--strict)");
  job.length = 1000;
  CheckStrict(job);
}

// A compact module of 30,000 bytes needs 4 modules of at most 60 lines.
Options Compact(std::vector<std::string> files, std::optional<std::string> out, std::uint64_t maxLines = 60) {
  Options o = With(std::move(files), std::move(out));
  o.layout = ModuleLayout::kCompact;
  o.maxLines = maxLines;
  return o;
}

std::vector<std::string> Given(const Job& job) {
  std::vector<std::string> names;
  for (const auto& target : job.targets) names.push_back(target ? target->given : "standard output");
  return names;
}

TEST(PlanJobs, ACompactSetOfAPlainFileGoesToTheFolderOneFileAModule) {
  TempFolder folder;
  WriteFile(folder / "s.bin", RandomBytes(30000));
  const auto jobs = PlanJobs(Compact({folder / "s.bin"}, folder.Path()));
  EXPECT_EQ(Given(jobs[0]), (std::vector<std::string>{folder / "mods.bas", folder / "mods_2.bas", folder / "mods_3.bas",
                                                      folder / "mods_4.bas"}));
  ASSERT_EQ(jobs[0].modules.size(), 4u);
  EXPECT_EQ(jobs[0].modules[3].vbName, "mods_4");
  // Within the budget it is one module, wherever it goes.
  EXPECT_EQ(Given(PlanJobs(Compact({folder / "s.bin"}, folder / "x.bas", kMaxVbModuleLines))[0]),
            std::vector<std::string>{folder / "x.bas"});
}

TEST(PlanJobs, ACompactSetWithoutAFolderIsAUsageErrorNamingMinusOFolder) {
  TempFolder folder;
  WriteFile(folder / "s.bin", RandomBytes(30000));
  EXPECT_EQ(UsageOf(Compact({folder / "s.bin"}, folder / "s.bas")),
            folder / "s.bin" + " becomes 4 compact modules under --max-lines 60; a set of modules needs -o FOLDER (an existing folder)");
  EXPECT_NE(UsageOf(Compact({folder / "s.bin"}, std::nullopt)).find("a set of modules needs -o FOLDER"), std::string::npos);
}

TEST(PlanJobs, NamesOfTwoFilesSetsThatMeetInAnyCaseAreRefused) {
  TempFolder folder;
  WriteFile(folder / "a.bin", RandomBytes(30000));
  WriteFile(folder / "A_2.bin", "x");
  try {
    PlanJobs(Compact({folder / "a.bin", folder / "A_2.bin"}, folder.Path()));
    ADD_FAILURE() << "two modules named moda_2";
  } catch (const Refusal& e) {
    EXPECT_EQ(e.message, folder / "a.bin" + " and " + folder / "A_2.bin" + " would both be written to " +
                             (folder / "modA_2.bas") + " (the same VB_Name); convert them one at a time with --name");
  }
  // Classic modules are never split: the same two files are fine.
  Options classic = Compact({folder / "a.bin", folder / "A_2.bin"}, folder.Path());
  classic.layout = ModuleLayout::kClassic;
  EXPECT_EQ(PlanJobs(classic).size(), 2u);
}

TEST(PlanJobs, ALineBudgetTooSmallForACompactModuleIsError5AboutMaxLines) {
  TempFolder folder;
  WriteFile(folder / "s.bin", RandomBytes(30000));
  EXPECT_EQ(NamedErrorOf([&] { PlanJobs(Compact({folder / "s.bin"}, folder.Path(), 40)); }),
            "--max-lines 40|5|a line budget of 40 lines is too small: the first module alone needs 48");
}

TEST(PlanModulesOf, KeepsTheTargetsAlreadyResolvedAndAddsTheModulesPastThem) {
  TempFolder folder;
  Options o = Compact({"-"}, folder.Path());
  o.name = "s.bin";
  auto jobs = PlanJobs(o);  // the length of a pipe is not known yet
  ASSERT_EQ(jobs[0].targets.size(), 1u);
  jobs[0].targets[0]->path = "resolved";
  PlanModulesOf(jobs[0], 30000);
  ASSERT_EQ(jobs[0].targets.size(), 4u);
  EXPECT_EQ(jobs[0].targets[0]->path, "resolved");
  EXPECT_EQ(jobs[0].targets[1]->given, folder / "mods_2.bas");
  EXPECT_EQ(jobs[0].targets[1]->path, "");
  PlanModulesOf(jobs[0], 100);
  EXPECT_EQ(jobs[0].targets.size(), 1u);
}

TEST(CheckStrict, MeasuresAClassicModuleAgainstMaxLines) {
  Options o = With({"a.bin"});
  o.strict = true;
  o.maxLines = 1000;
  Job job = std::move(PlanJobs(o)[0]);
  job.length = 100000;
  EXPECT_EQ(NamedErrorOf([&] { CheckStrict(job); }),
            "a.bin|0|the module would have 3276 lines, more than --max-lines 1000 (--strict)");
  EXPECT_EQ(OverBudget(1000, 1000), "");
  job.module.layout = ModuleLayout::kCompact;  // a compact module is never longer: it is split
  CheckStrict(job);
}

}  // namespace
}  // namespace quorvel::cli::test
