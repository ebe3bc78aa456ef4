// --verify: the module read back, as it is written or from its file, and compared with the
// source.
#include <gtest/gtest.h>

#include "CliTestFiles.h"
#include "ModuleGenerator.h"
#include "Verifier.h"

namespace quorvel::cli::test {
namespace {

Verifier::SourceReader ReaderOf(const std::string& bytes) {
  return [&bytes](std::uint64_t at, std::uint8_t* to, std::size_t n) -> std::size_t {
    if (at >= bytes.size()) return 0;
    const std::size_t k = std::min<std::size_t>(n, bytes.size() - at);
    std::copy_n(bytes.data() + at, k, to);
    return k;
  };
}

std::string ModuleOf(const std::string& bytes) {
  ModuleOptions options;
  options.fileName = "r.bin";
  return GenerateModule(options, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

std::string FinishMessage(Verifier& verifier, std::uint64_t length) {
  try {
    verifier.Finish(length, "OUT.bas", "r.bin");
    return "";
  } catch (const NamedError& e) {
    return e.subject + ": " + e.detail;
  }
}

TEST(Verifier, AModuleFedAsItIsWrittenReCreatesItsSourceAndItsPartsAreCounted) {
  const std::string source = RandomBytes(20000);
  const std::string module = ModuleOf(source);
  Verifier verifier(ReaderOf(source));
  for (std::size_t at = 0; at < module.size(); at += 4093) verifier.Feed(std::string_view(module).substr(at, 4093));
  EXPECT_EQ(verifier.Finish(source.size(), "OUT.bas", "r.bin"), 7);
}

TEST(Verifier, AModuleReadBackFromItsFileIsCheckedAtFinish) {
  TempFolder folder;
  const std::string source = RandomBytes((1 << 20) + 77);  // past one block of the comparer
  WriteFile(folder / "m.bas", ModuleOf(source));
  OpenedSource file = OpenSource(folder / "m.bas");
  Verifier verifier(ReaderOf(source));
  verifier.ReadBack(file.fd.Get(), folder / "m.bas");
  EXPECT_EQ(FinishMessage(verifier, source.size()), "");
}

TEST(Verifier, AModuleThatWritesOtherBytesFailsNamingTheOutputAndTheSource) {
  const std::string source = RandomBytes(1000);
  std::string other = source;
  other[999] ^= 1;
  Verifier verifier(ReaderOf(source));
  verifier.Feed(ModuleOf(other));
  EXPECT_EQ(FinishMessage(verifier, source.size()), "OUT.bas: verify failed: the module does not re-create r.bin");
}

TEST(Verifier, AModuleOfAShorterOrLongerSourceFails) {
  const std::string source = RandomBytes(1000);
  Verifier shorter(ReaderOf(source));
  shorter.Feed(ModuleOf(source.substr(0, 999)));
  EXPECT_NE(FinishMessage(shorter, source.size()), "");
  Verifier longer(ReaderOf(source));
  longer.Feed(ModuleOf(source + "x"));
  EXPECT_NE(FinishMessage(longer, source.size()), "");
}

TEST(Verifier, AModuleChangedOnTheDiskFailsNamingTheLine) {
  TempFolder folder;
  const std::string source = RandomBytes(100);
  std::string module = ModuleOf(source);
  module[module.find("Call WriteBytes(\"") + 17] = 'g';  // not a hex digit
  WriteFile(folder / "m.bas", module);
  OpenedSource file = OpenSource(folder / "m.bas");
  Verifier verifier(ReaderOf(source));
  verifier.ReadBack(file.fd.Get(), folder / "m.bas");
  EXPECT_EQ(FinishMessage(verifier, source.size()), "OUT.bas: verify failed: line 12: not a capital hex digit");
}

}  // namespace
}  // namespace quorvel::cli::test
