// --verify: the modules read back, as they are written or from their files, and compared with
// the source.
#include <gtest/gtest.h>

#include "CliTestFiles.h"
#include "ModuleGenerator.h"
#include "ModuleSet.h"
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

std::vector<std::string> ModulesOf(const std::string& bytes, ModuleLayout layout = ModuleLayout::kClassic,
                                   std::uint64_t maxLines = kMaxVbModuleLines) {
  ModuleOptions options;
  options.fileName = "r.bin";
  options.layout = layout;
  options.maxLines = maxLines;
  return GenerateModuleTexts(options, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

std::string ModuleOf(const std::string& bytes) { return ModulesOf(bytes)[0]; }

// "m<k>.bas" (built in steps: GCC 12 warns wrongly of "m" + std::to_string(k)).
std::string ModuleFile(std::size_t k) {
  std::string name = "m";
  name += std::to_string(k);
  name += ".bas";
  return name;
}

// "" when the check passes, else what the failure says about which output.
std::string FinishMessage(Verifier& verifier, std::uint64_t length) {
  try {
    verifier.Finish(length, "r.bin");
    return "";
  } catch (const NamedError& e) {
    return e.subject + ": " + e.detail;
  }
}

// The modules written as files in the folder, then read back one after the other.
std::string ReadBackMessage(const TempFolder& folder, const std::vector<std::string>& modules,
                            const std::string& source, ModuleLayout layout) {
  Verifier verifier(ReaderOf(source), layout);
  try {
    for (std::size_t k = 0; k < modules.size(); ++k) {
      const std::string name = folder / ModuleFile(k + 1);
      WriteFile(name, modules[k]);
      OpenedSource file = OpenSource(name);
      verifier.StartModule(ModuleFile(k + 1));
      verifier.ReadBack(file.fd.Get());
    }
  } catch (const NamedError& e) {
    return e.subject + ": " + e.detail;
  }
  return FinishMessage(verifier, source.size());
}

TEST(Verifier, AModuleFedAsItIsWrittenReCreatesItsSourceAndItsPartsAreCounted) {
  const std::string source = RandomBytes(20000);
  const std::string module = ModuleOf(source);
  Verifier verifier(ReaderOf(source), ModuleLayout::kClassic);
  verifier.StartModule("OUT.bas");
  for (std::size_t at = 0; at < module.size(); at += 4093) verifier.Feed(std::string_view(module).substr(at, 4093));
  EXPECT_EQ(verifier.Finish(source.size(), "r.bin").parts, 7);
}

TEST(Verifier, AModuleReadBackFromItsFileIsCheckedAtItsEnd) {
  TempFolder folder;
  const std::string source = RandomBytes((1 << 20) + 77);  // past one block of the comparer
  EXPECT_EQ(ReadBackMessage(folder, {ModuleOf(source)}, source, ModuleLayout::kClassic), "");
}

TEST(Verifier, AModuleThatWritesOtherBytesFailsNamingTheOutputAndTheSource) {
  const std::string source = RandomBytes(1000);
  std::string other = source;
  other[999] ^= 1;
  Verifier verifier(ReaderOf(source), ModuleLayout::kClassic);
  verifier.StartModule("OUT.bas");
  verifier.Feed(ModuleOf(other));
  EXPECT_EQ(FinishMessage(verifier, source.size()), "OUT.bas: verify failed: the module does not re-create r.bin");
}

TEST(Verifier, AModuleOfAShorterOrLongerSourceFails) {
  const std::string source = RandomBytes(1000);
  for (const std::string& other : {source.substr(0, 999), source + "x"}) {
    Verifier verifier(ReaderOf(source), ModuleLayout::kClassic);
    verifier.StartModule("OUT.bas");
    verifier.Feed(ModuleOf(other));
    EXPECT_NE(FinishMessage(verifier, source.size()), "");
  }
}

TEST(Verifier, AModuleChangedOnTheDiskFailsNamingTheLine) {
  TempFolder folder;
  const std::string source = RandomBytes(100);
  std::string module = ModuleOf(source);
  module[module.find("Call WriteBytes(\"") + 17] = 'g';  // not a hex digit
  EXPECT_EQ(ReadBackMessage(folder, {module}, source, ModuleLayout::kClassic),
            "m1.bas: verify failed: line 12: not a capital hex digit");
}

TEST(Verifier, ACompactSetReadBackModuleByModuleReCreatesItsSource) {
  TempFolder folder;
  const std::string source = RandomBytes(30000, 3);
  const auto modules = ModulesOf(source, ModuleLayout::kCompact, 60);
  ASSERT_EQ(modules.size(), 4u);
  Verifier verifier(ReaderOf(source), ModuleLayout::kCompact);
  for (std::size_t k = 0; k < modules.size(); ++k) {
    verifier.StartModule(ModuleFile(k + 1));
    verifier.Feed(modules[k]);
  }
  EXPECT_EQ(verifier.Finish(source.size(), "r.bin").modules, 4);
  EXPECT_EQ(ReadBackMessage(folder, modules, source, ModuleLayout::kCompact), "");
  EXPECT_EQ(ReadBackMessage(folder, ModulesOf(source, ModuleLayout::kCompact), source, ModuleLayout::kCompact), "");
}

TEST(Verifier, ACompactSetWithAChangedModuleFailsNamingThatModulesFileAndLine) {
  TempFolder folder;
  const std::string source = RandomBytes(30000, 4);
  auto modules = ModulesOf(source, ModuleLayout::kCompact, 60);
  const std::size_t data = modules[2].find("W b,n,f,\"");
  ASSERT_NE(data, std::string::npos);
  modules[2][data + 9] = 'x';
  const std::string message = ReadBackMessage(folder, modules, source, ModuleLayout::kCompact);
  EXPECT_EQ(message.rfind("m3.bas: verify failed: module 3 (modr_3), line ", 0), 0u) << message;
}

TEST(Verifier, ACompactSetWithAModuleMissingOrOfAnotherSourceFails) {
  const std::string source = RandomBytes(30000, 5);
  auto modules = ModulesOf(source, ModuleLayout::kCompact, 60);
  TempFolder folder;
  EXPECT_NE(ReadBackMessage(folder, {modules[0], modules[1], modules[2]}, source, ModuleLayout::kCompact), "");
  std::string other = source;
  other[29999] ^= 0x10;
  auto others = ModulesOf(other, ModuleLayout::kCompact, 60);
  EXPECT_EQ(ReadBackMessage(folder, others, source, ModuleLayout::kCompact),
            "m1.bas: verify failed: the modules do not re-create r.bin");
}

}  // namespace
}  // namespace quorvel::cli::test
