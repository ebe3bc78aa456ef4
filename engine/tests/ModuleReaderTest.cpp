#include "ModuleReader.h"

#include <gtest/gtest.h>

#include <random>

#include "ModuleGenerator.h"

using namespace quorvel;

namespace {

std::vector<std::uint8_t> RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<std::uint8_t> v(n);
  for (auto& b : v) b = static_cast<std::uint8_t>(rng());
  return v;
}

ModuleSpec Spec(std::string scope = "Public") {
  ModuleSpec s;
  s.fileName = "data.bin";
  s.scope = std::move(scope);
  s.destFolder = "C:\\Out";
  return s;
}

}  // namespace

TEST(ModuleReader, ReadsBackWhatTheGeneratorWroteAcrossPartBoundaries) {
  for (std::size_t n : {0u, 1u, 31u, 32u, 33u, 3199u, 3200u, 6432u, 40000u}) {
    for (const char* scope : {"Public", "Private"}) {
      const auto bytes = RandomBytes(n, static_cast<unsigned>(n));
      EXPECT_EQ(ReadModuleBytes(GenerateModule(Spec(scope), bytes)), bytes) << n << scope;
    }
  }
}

TEST(ModuleReader, AcceptsTheTextInPiecesOfAnySize) {
  const auto bytes = RandomBytes(5000, 7);
  const std::string text = GenerateModule(Spec(), bytes);
  std::vector<std::uint8_t> out;
  ModuleReader reader([&](const std::uint8_t* b, std::size_t n) { out.insert(out.end(), b, b + n); });
  for (std::size_t i = 0; i < text.size(); i += 7) reader.Feed(std::string_view(text).substr(i, 7));
  reader.Finish();
  EXPECT_EQ(out, bytes);
  EXPECT_EQ(reader.Parts(), 2);
}

TEST(ModuleReader, RejectsAlteredModules) {
  const std::string good = GenerateModule(Spec(), RandomBytes(7000, 3));
  auto replaced = [&](std::string_view from, std::string_view to) {
    std::string t = good;
    const auto at = t.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    t.replace(at, from.size(), to);
    return t;
  };
  EXPECT_THROW(ReadModuleBytes(good.substr(0, good.size() - 2)), ModuleFormatError);  // no final CRLF
  EXPECT_THROW(ReadModuleBytes(replaced("   Call data_bin_Part2\r\n", "")), ModuleFormatError);
  EXPECT_THROW(ReadModuleBytes(replaced("Sub data_bin_Part2()", "Sub data_bin_Part3()")), ModuleFormatError);
  EXPECT_THROW(ReadModuleBytes(replaced("End  Sub", "End Sub")), ModuleFormatError);
  EXPECT_THROW(ReadModuleBytes(replaced("\r\nCall WriteBytes(\"", "\nCall WriteBytes(\"")), ModuleFormatError);
  std::string lower = good;
  lower[lower.find("Call WriteBytes(\"") + 17] = 'a';
  EXPECT_THROW(ReadModuleBytes(lower), ModuleFormatError);
  EXPECT_THROW(ReadModuleBytes(good + "extra\r\n"), ModuleFormatError);
}
