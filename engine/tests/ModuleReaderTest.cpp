#include "ModuleReader.h"
#include "EngineTestText.h"

#include <gtest/gtest.h>

#include <random>

#include "ModuleGenerator.h"

using namespace quorvel;

namespace {

using quorvel::testing::RandomBytes;

ModuleOptions Options(std::string scope = "Public") {
  ModuleOptions s;
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
      EXPECT_EQ(ReadModuleBytes(GenerateModule(Options(scope), bytes)), bytes) << n << scope;
    }
  }
}

TEST(ModuleReader, AcceptsTheTextInPiecesOfAnySize) {
  const auto bytes = RandomBytes(5000, 7);
  const std::string text = GenerateModule(Options(), bytes);
  std::vector<std::uint8_t> out;
  ModuleReader reader([&](const std::uint8_t* b, std::size_t n) { out.insert(out.end(), b, b + n); });
  for (std::size_t i = 0; i < text.size(); i += 7) reader.Feed(std::string_view(text).substr(i, 7));
  reader.Finish();
  EXPECT_EQ(out, bytes);
  EXPECT_EQ(reader.Parts(), 2);
}

TEST(ModuleReader, RejectsAlteredModules) {
  const std::string good = GenerateModule(Options(), RandomBytes(7000, 3));
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
  EXPECT_THROW(ReadModuleBytes(replaced("Open \"C:\\Out\\data.bin\" For Output As cl_fp: Close #cl_fp\r\n", "")),
               ModuleFormatError);
  // Lines of code where only the template's own may stand.
  EXPECT_THROW(ReadModuleBytes(replaced("'\r\n \r\n", "'\r\nKill \"x\"\r\n")), ModuleFormatError);
  EXPECT_THROW(ReadModuleBytes(replaced("Dim x As Long\r\n", "Dim x As Long\rKill \"x\"\r\n")), ModuleFormatError);
  EXPECT_THROW(ReadModuleBytes(replaced("VB_Name = \"moddata\"", "VB_Name = \"mod\" & x")), ModuleFormatError);
  EXPECT_THROW(ReadModuleBytes(replaced("' Use: Create_data_bin( )", "' Use: Create_other( )")), ModuleFormatError);
  EXPECT_THROW(ReadModuleBytes(replaced("Public Sub WriteBytes", "Private Sub WriteBytes")), ModuleFormatError);
}

TEST(ModuleReader, RefusesAnyByteButACapitalHexDigitAnywhereInTheData) {
  // 40 bytes: one full data line of 64 digits and a last line of 16.
  const std::string good = GenerateModule(Options(), RandomBytes(40, 5));
  const std::size_t full = good.find("Call WriteBytes(\"") + 17;
  const std::size_t last = good.find("Call WriteBytes(\"", full) + 17;
  ASSERT_EQ(ReadModuleBytes(good), RandomBytes(40, 5));
  for (const std::size_t at : {full, full + 15, full + 16, full + 31, full + 32, full + 63, last, last + 15}) {
    for (int b = 0; b < 256; ++b) {
      if ((b >= '0' && b <= '9') || (b >= 'A' && b <= 'F')) continue;
      std::string bad = good;
      bad[at] = static_cast<char>(b);
      EXPECT_THROW(ReadModuleBytes(bad), ModuleFormatError) << "byte " << b << " at " << at - full;
    }
  }
}

TEST(ModuleReader, TellsThePathAndChecksBothOpenLinesNameIt) {
  // Quotes no longer reach a generated name, but a module from before, or edited, may hold
  // them: made here from a name with the same procedure names.
  ModuleOptions options = Options();
  options.fileName = "say _hi_.txt";
  std::string good = GenerateModule(options, RandomBytes(10, 1));
  for (std::size_t at; (at = good.find("say _hi_.txt")) != std::string::npos;)
    good.replace(at, 12, "say \"\"hi\"\".txt");
  std::vector<std::uint8_t> out;
  ModuleReader reader([&](const std::uint8_t* b, std::size_t n) { out.insert(out.end(), b, b + n); });
  reader.Feed(good);
  reader.Finish();
  EXPECT_EQ(reader.Path(), "C:\\Out\\say \"hi\".txt");

  auto withBinaryLine = [&](std::string_view line) {
    std::string t = good;
    const auto at = t.find("Open \"C:\\Out\\say \"\"hi\"\".txt\" For Binary As cl_fp");
    t.replace(at, t.find("\r\n", at) - at, line);
    return t;
  };
  for (const char* line : {"Open \"C:\\Out\\other.txt\" For Binary As cl_fp",
                           "Open \"C:\\Out\\say \"hi\".txt\" For Binary As cl_fp",  // quotes not doubled
                           "Open \"C:\\x\" & Shell(\"calc\") & \"\" For Binary As cl_fp",
                           "Open \"C:\\Out\\say \"\"hi\"\".txt\" For Binary As cl_fp: Kill \"x\""}) {
    try {
      ReadModuleBytes(withBinaryLine(line));
      ADD_FAILURE() << "accepted: " << line;
    } catch (const ModuleFormatError& e) {
      EXPECT_NE(std::string(e.what()).find("line 18"), std::string::npos) << e.what();
    }
  }
}

TEST(ModuleReader, FailsOnAnOverlongLineBeforeItEnds) {
  ModuleReader reader([](const std::uint8_t*, std::size_t) {});
  reader.Feed("Attribute VB_Name = \"moda\"\r\n");
  const std::string chunk(1000, 'x');
  EXPECT_THROW(
      {
        for (int i = 0; i < 100; ++i) reader.Feed(chunk);  // 100,000 characters without a line end
      },
      ModuleFormatError);
}

TEST(ModuleReader, FailsCleanlyOnDamagedModulesWhateverTheDamage) {
  const std::string good = GenerateModule(Options(), RandomBytes(4000, 9));
  std::mt19937 rng(11);
  for (int round = 0; round < 3000; ++round) {
    std::string t = good;
    for (int k = 1 + static_cast<int>(rng() % 4); k > 0; --k) {
      const std::size_t at = rng() % t.size();
      switch (rng() % 3) {
        case 0: t[at] = static_cast<char>(rng()); break;
        case 1: t.erase(at, 1 + rng() % 40); break;
        default: t.insert(at, good.substr(rng() % good.size(), 1 + rng() % 80)); break;
      }
    }
    try {
      ReadModuleBytes(t);
    } catch (const ModuleFormatError&) {
    }  // any other exception fails the test
  }
}
