// The way module text reaches its output: the background writer, the Windows-1252 sink, and
// the temporary files replaced all together or not at all.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

#include "CliTestFiles.h"
#include "ModuleGenerator.h"
#include "Replace.h"
#include "VbError.h"
#include "Verifier.h"
#include "Writer.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#endif

namespace quorvel::cli::test {
namespace {

Fd CreateFile(const std::string& path) {
#ifdef _WIN32
  int fd = -1;
  _sopen_s(&fd, path.c_str(), _O_CREAT | _O_TRUNC | _O_RDWR | _O_BINARY, _SH_DENYNO, _S_IREAD | _S_IWRITE);
  return Fd(fd);
#else
  return Fd(open(path.c_str(), O_CREAT | O_TRUNC | O_RDWR | O_CLOEXEC, 0644));
#endif
}

TEST(BackgroundWriter, WritesEveryByteInOrderAcrossItsBuffers) {
  TempFolder folder;
  const std::string bytes = RandomBytes((5 << 20) + 123);
  Fd fd = CreateFile(folder / "out.bas");
  {
    BackgroundWriter writer;
    writer.Start(fd.Get(), "out.bas");
    std::size_t at = 0;
    for (; at < (1 << 20); at += 777) writer.Put(std::string_view(bytes).substr(at, 777));
    writer.Put(std::string_view(bytes).substr(at));  // one piece of several buffers
    writer.Finish();
  }
  fd.Reset();
  EXPECT_EQ(ReadFile(folder / "out.bas") == bytes, true);
}

TEST(BackgroundWriter, WritesOneOutputAfterAnotherEachWholeAndInItsOwnFile) {
  TempFolder folder;
  const std::string first = RandomBytes((3 << 20) + 5, 7), second = RandomBytes(1000, 8);
  Fd one = CreateFile(folder / "one.bas"), two = CreateFile(folder / "two.bas");
  BackgroundWriter writer;
  writer.Start(one.Get(), "one.bas");
  writer.Put(first);
  writer.Finish();
  EXPECT_EQ(ReadFile(folder / "one.bas") == first, true);  // on the disk once Finish returns
  writer.Start(two.Get(), "two.bas");
  writer.Put(second);
  writer.Finish();
  EXPECT_EQ(ReadFile(folder / "two.bas"), second);
  EXPECT_EQ(ReadFile(folder / "one.bas").size(), first.size());
}

TEST(BackgroundWriter, AWriteErrorStopsTheRunAtOnceNamingTheOutput) {
  TempFolder folder;
  WriteFile(folder / "ro.bin", "x");
  OpenedSource readOnly = OpenSource(folder / "ro.bin");
  BackgroundWriter writer;
  writer.Start(readOnly.fd.Get(), "OUT.bas");
  const std::string chunk(kIoChunk, 'A');
  // Every buffer past the few that may wait for the disk waits for one written: the failure
  // is known long before the hundredth.
  try {
    for (int i = 0; i < 100; ++i) writer.Put(chunk);
    ADD_FAILURE() << "100 MiB written to a descriptor that is only for reading";
  } catch (const NamedError& e) {
    EXPECT_EQ(e.subject, "OUT.bas");
    EXPECT_NE(e.number, 0);
  }
}

TEST(BackgroundWriter, AWriteErrorOfAShortModuleComesAtFinish) {
  TempFolder folder;
  WriteFile(folder / "ro.bin", "x");
  OpenedSource readOnly = OpenSource(folder / "ro.bin");
  BackgroundWriter writer;
  writer.Start(readOnly.fd.Get(), "OUT.bas");
  writer.Put("Attribute VB_Name = \"modx\"\r\n");
  EXPECT_THROW(writer.Finish(), NamedError);
}

TEST(OutputSink, WritesWindows1252AndFeedsTheVerifierTheBytesItWrote) {
  TempFolder folder;
  const std::vector<std::uint8_t> source = {0x00, 0x0A, 0xFF};
  ModuleOptions options;
  options.fileName = "caf\xC3\xA9.bin";
  const std::string text = GenerateModule(options, source);
  const std::size_t split = text.find("\xC3\xA9") + 1;  // in the middle of a character
  Verifier verifier([&](std::uint64_t at, std::uint8_t* to, std::size_t n) {
    const std::size_t k = at < source.size() ? std::min<std::size_t>(n, source.size() - at) : 0;
    std::copy_n(source.data() + at, k, to);
    return k;
  }, ModuleLayout::kClassic);
  verifier.StartModule("out.bas");
  Fd fd = CreateFile(folder / "out.bas");
  BackgroundWriter writer;
  OutputSink sink(writer, fd.Get(), "out.bas", &verifier, false);
  sink.Write(std::string_view(text).substr(0, split));
  sink.Write(std::string_view(text).substr(split));
  sink.Finish();
  EXPECT_EQ(verifier.Finish(source.size(), "caf.bin").parts, 1);
  const std::string written = ReadFile(folder / "out.bas");
  EXPECT_NE(written.find("Open \".\\caf\xE9.bin\""), std::string::npos);
  EXPECT_EQ(written.find("\xC3"), std::string::npos);
}

TEST(OutputSink, IsAsciiLooksAtEveryByteAlsoPastTheLastWholeWord) {
  EXPECT_TRUE(IsAscii(""));
  EXPECT_TRUE(IsAscii("Attribute VB_Name = \"modx\"\r\n"));
  EXPECT_FALSE(IsAscii("abc\x80"));            // the tail after no whole word
  EXPECT_FALSE(IsAscii("abcdefgh\xE9"));       // the tail after one
  EXPECT_FALSE(IsAscii("abc\xE9" "efghijkl"));  // inside a word
}

// The temporary file of a pending module, found by its name: "." + the target's name + ".".
std::string TemporaryOf(const TempFolder& folder, const std::string& target) {
  for (const std::string& name : folder.Names())
    if (name.rfind("." + target + ".", 0) == 0) return folder / name;
  return "";
}

// Two modules of a run: the first is put in place, the second cannot be (its temporary file is
// gone), so the whole run fails.
void ReplaceWithASecondThatFails(TempFolder& folder) {
  PendingFile one(Target{folder / "modone.bas", folder / "modone.bas"}, false);
  PendingFile two(Target{folder / "modtwo.bas", folder / "modtwo.bas"}, false);
  ASSERT_EQ(WriteAll(one.Descriptor(), "new one\r\n", 9), 0);
  one.Close();
  two.Close();
  const std::string temporary = TemporaryOf(folder, "modtwo.bas");
  ASSERT_FALSE(temporary.empty());
  std::filesystem::remove(PathOf(temporary));
  try {
    ReplaceAll({&one, &two}, {});
    ADD_FAILURE() << "a module without its temporary file was put in place";
  } catch (const NamedError& e) {
    EXPECT_EQ(e.subject, folder / "modtwo.bas");
  }
}

TEST(ReplaceAll, WhenALaterModuleCannotBePutInPlaceAnEarlierOneGetsItsOldFileBack) {
  TempFolder folder;
  WriteFile(folder / "modone.bas", "old one\r\n");
  ReplaceWithASecondThatFails(folder);
  EXPECT_EQ(ReadFile(folder / "modone.bas"), "old one\r\n");
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"modone.bas"});
}

TEST(ReplaceAll, WhenALaterModuleCannotBePutInPlaceAnEarlierNewOneIsRemoved) {
  TempFolder folder;
  ReplaceWithASecondThatFails(folder);
  EXPECT_EQ(folder.Names(), std::vector<std::string>{});
}

TEST(ReplaceAll, PutsEveryModuleInPlaceAndLeavesNoOtherFile) {
  TempFolder folder;
  WriteFile(folder / "modone.bas", "old one\r\n");
  {
    PendingFile one(Target{folder / "modone.bas", folder / "modone.bas"}, false);
    PendingFile two(Target{folder / "modtwo.bas", folder / "modtwo.bas"}, false);
    ASSERT_EQ(WriteAll(one.Descriptor(), "new one\r\n", 9), 0);
    ASSERT_EQ(WriteAll(two.Descriptor(), "new two\r\n", 9), 0);
    ReplaceAll({&one, &two}, {});
  }
  EXPECT_EQ(ReadFile(folder / "modone.bas"), "new one\r\n");
  EXPECT_EQ(ReadFile(folder / "modtwo.bas"), "new two\r\n");
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"modone.bas", "modtwo.bas"}));
}

#ifndef _WIN32
// Replaces both targets, then is sent the stop signals: a run that is told to stop once its
// first target is replaced.
[[noreturn]] void ReplaceThenStop(const std::string& first, const std::string& second) {
  InstallStopHandlers();
  PendingFile a(Target{first, first}, false);
  PendingFile b(Target{second, second}, false);
  if (WriteAll(a.Descriptor(), "new a", 5) || WriteAll(b.Descriptor(), "new b", 5)) std::exit(1);
  ReplaceAll({&a, &b}, {});
  std::raise(SIGTERM);
  std::raise(SIGINT);
  std::exit(0);
}

// A stop that comes once the first target is replaced, at whatever moment: it is held until
// the program ends, so the run finishes and exits 0 with every target new. (Before the first
// rename the stop is let through and every target stays as it was; cli_test.sh stops runs
// that way.)
TEST(ReplaceAll, AStopOnceTheFirstTargetIsReplacedLetsTheRunFinish) {
  TempFolder dir;
  const std::string first = dir / "moda.bas", second = dir / "moda_2.bas";
  WriteFile(first, "old");
  WriteFile(second, "old");
  EXPECT_EXIT(ReplaceThenStop(first, second), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(ReadFile(first), "new a");
  EXPECT_EQ(ReadFile(second), "new b");
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"moda.bas", "moda_2.bas"}));
}
#endif

TEST(PendingFile, OneThatIsNeverPlacedLeavesNoTemporaryFileAndTheTargetAsItWas) {
  TempFolder folder;
  WriteFile(folder / "m.bas", "old\r\n");
  {
    PendingFile pending(Target{folder / "m.bas", folder / "m.bas"}, false);
    ASSERT_EQ(WriteAll(pending.Descriptor(), "new\r\n", 5), 0);
    EXPECT_FALSE(TemporaryOf(folder, "m.bas").empty());
  }
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"m.bas"});
  EXPECT_EQ(ReadFile(folder / "m.bas"), "old\r\n");
}

}  // namespace
}  // namespace quorvel::cli::test
