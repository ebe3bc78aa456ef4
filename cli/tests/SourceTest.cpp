// The bytes of a FILE: a spool for what cannot be read twice, and a job's source read in order
// by the generator and by position by --verify.
#include <gtest/gtest.h>

#include "CliTestFiles.h"
#include "JobSource.h"
#include "Spool.h"
#include "VbError.h"

namespace quorvel::cli::test {
namespace {

std::string ReadRange(const Spool& spool, std::uint64_t at, std::size_t n) {
  std::string out(n, '\0');
  std::size_t got = 0;
  while (got < n)
    if (const std::size_t k = spool.ReadAt(at + got, reinterpret_cast<std::uint8_t*>(out.data() + got), n - got))
      got += k;
    else
      break;
  out.resize(got);
  return out;
}

TEST(Spool, FillKeepsEveryByteAndReadsThemBackByPosition) {
  TempFolder folder;
  const std::string bytes = RandomBytes((3 << 20) + 5);
  WriteFile(folder / "src.bin", bytes);
  OpenedSource source = OpenSource(folder / "src.bin");
  Spool spool;
  spool.Fill(source.fd.Get(), folder / "src.bin", ModuleFormat::kMaxSourceBytes,
             ModuleFormat::kSourceLimitDetail);
  ASSERT_EQ(spool.Size(), bytes.size());
  EXPECT_EQ(ReadRange(spool, 0, bytes.size()), bytes);
  EXPECT_EQ(ReadRange(spool, (1 << 20) - 3, 7), bytes.substr((1 << 20) - 3, 7));
  EXPECT_EQ(ReadRange(spool, bytes.size() - 2, 10), bytes.substr(bytes.size() - 2));
  EXPECT_EQ(ReadRange(spool, bytes.size(), 10), "");
}

TEST(Spool, FillPastItsLimitIsError6AboutTheSourceWithTheDetail) {
  TempFolder folder;
  WriteFile(folder / "exact.bin", std::string(1000, 'x'));
  WriteFile(folder / "over.bin", std::string(1001, 'x'));
  Spool exact;
  exact.Fill(OpenSource(folder / "exact.bin").fd.Get(), "exact.bin", 1000, "too long");
  EXPECT_EQ(exact.Size(), 1000u);
  Spool over;
  EXPECT_EQ(NamedErrorOf([&] { over.Fill(OpenSource(folder / "over.bin").fd.Get(), "over.bin", 1000, "too long"); }),
            "over.bin|6|too long");
  EXPECT_EQ(over.Size(), 0u);
}

TEST(Spool, BytesAppendedInPiecesOfAnySizeReadBackAcrossItsBlocks) {
  const std::string bytes = RandomBytes((17 << 20) + 3, 2);  // past one block of 16 MiB
  Spool spool;
  for (std::size_t at = 0; at < bytes.size(); at += 999983)
    spool.Append(reinterpret_cast<const std::uint8_t*>(bytes.data() + at), std::min<std::size_t>(999983, bytes.size() - at),
                 "-");
  ASSERT_EQ(spool.Size(), bytes.size());
  EXPECT_EQ(ReadRange(spool, (16 << 20) - 5, 10), bytes.substr((16 << 20) - 5, 10));
  EXPECT_EQ(ReadRange(spool, 0, bytes.size()) == bytes, true);
}

TEST(JobSource, APlainFileIsReadInOrderAndByPositionIndependently) {
  TempFolder folder;
  WriteFile(folder / "a.bin", "0123456789");
  Job job;
  job.file = folder / "a.bin";
  job.source = OpenSource(job.file);
  TakeLength(job);
  EXPECT_EQ(job.length, 10u);
  EXPECT_EQ(job.spool, nullptr);
  JobSource source(job);
  EXPECT_EQ(source.Length(), 10u);
  std::uint8_t buffer[4];
  ASSERT_EQ(source.Read(buffer, 4), 4u);
  EXPECT_EQ(std::string(buffer, buffer + 4), "0123");
  ASSERT_EQ(source.ReadAt(7, buffer, 4), 3u);
  EXPECT_EQ(std::string(buffer, buffer + 3), "789");
  ASSERT_EQ(source.Read(buffer, 4), 4u);
  EXPECT_EQ(std::string(buffer, buffer + 4), "4567");
  EXPECT_EQ(source.BytesRead(), 8u);
}

TEST(JobSource, APipeIsReadToItsEndFirstAndThenFromTheSpool) {
  Pipe pipe;
  ASSERT_EQ(WriteAll(pipe.write.Get(), "from a pipe", 11), 0);
  pipe.write.Reset();
  Job job;
  job.file = "-";
  job.source.fd = std::move(pipe.read);
  job.source.pipe = true;
  TakeLength(job);
  EXPECT_EQ(job.length, 11u);
  ASSERT_NE(job.spool, nullptr);
  JobSource source(job);
  std::uint8_t buffer[16];
  ASSERT_EQ(source.Read(buffer, 16), 11u);
  EXPECT_EQ(std::string(buffer, buffer + 11), "from a pipe");
  ASSERT_EQ(source.ReadAt(7, buffer, 16), 4u);
  EXPECT_EQ(std::string(buffer, buffer + 4), "pipe");
}

TEST(JobSource, AStreamedPipeHasNoLengthAndKeepsWhatItReadsForVerify) {
  Pipe pipe;
  ASSERT_EQ(WriteAll(pipe.write.Get(), "streamed", 8), 0);
  pipe.write.Reset();
  Job job;
  job.file = "-";
  job.source.fd = std::move(pipe.read);
  job.source.pipe = true;
  job.streamed = true;
  job.spool = std::make_unique<Spool>();
  JobSource source(job);
  EXPECT_EQ(source.Length(), ByteSource::kUnknownLength);
  std::uint8_t buffer[16];
  std::size_t got = 0;
  while (const std::size_t n = source.Read(buffer + got, sizeof buffer - got)) got += n;
  EXPECT_EQ(got, 8u);
  EXPECT_EQ(source.BytesRead(), 8u);
  ASSERT_EQ(source.ReadAt(0, buffer, 16), 8u);
  EXPECT_EQ(std::string(buffer, buffer + 8), "streamed");
}

}  // namespace
}  // namespace quorvel::cli::test
