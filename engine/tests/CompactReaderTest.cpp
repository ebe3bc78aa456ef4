#include "CompactReader.h"
#include "EngineTestText.h"

#include <gtest/gtest.h>

#include <random>

#include "ModuleSet.h"

using namespace quorvel;

namespace {

using quorvel::testing::RandomBytes;

ModuleOptions Compact(std::uint64_t maxLines = kMaxVbModuleLines, std::string scope = "Public") {
  ModuleOptions o;
  o.fileName = "data.bin";
  o.destFolder = "C:\\Out";
  o.scope = std::move(scope);
  o.layout = ModuleLayout::kCompact;
  o.maxLines = maxLines;
  return o;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const auto at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// The message of the refusal, or "" when the texts read back.
std::string RefusalOf(const std::vector<std::string>& texts) {
  try {
    ReadCompactModules(texts);
  } catch (const ModuleFormatError& e) {
    EXPECT_EQ(e.Number(), 5);
    return e.what();
  }
  return "";
}

}  // namespace

TEST(CompactReader, ReadsBackSingleModulesAndSets) {
  for (std::uint64_t budget : std::initializer_list<std::uint64_t>{80, 400, kMaxVbModuleLines})
    for (std::size_t n : {0u, 1u, 499u, 500u, 501u, 7999u, 8000u, 8001u, 100001u})
      for (const char* scope : {"Public", "Private"}) {
        const auto bytes = RandomBytes(n, static_cast<unsigned>(n));
        const auto texts = GenerateModuleTexts(Compact(budget, scope), bytes);
        EXPECT_EQ(ReadCompactModules(texts), bytes) << budget << " " << n << " " << scope;
      }
}

TEST(CompactReader, AcceptsPiecesOfAnySizeAndTellsTheSetAfterModuleOne) {
  const auto bytes = RandomBytes(60000, 3);
  const auto texts = GenerateModuleTexts(Compact(100), bytes);
  ASSERT_GE(texts.size(), 3u);
  std::vector<std::uint8_t> back;
  CompactReader reader([&](const std::uint8_t* b, std::size_t n) { back.insert(back.end(), b, b + n); });
  std::mt19937 rng(5);
  for (std::size_t k = 0; k < texts.size(); ++k) {
    if (k) reader.EndModule();
    for (std::size_t at = 0; at < texts[k].size();) {
      const std::size_t n = std::min<std::size_t>(texts[k].size() - at, rng() % 3000);
      reader.Feed(std::string_view(texts[k]).substr(at, n));
      at += n;
    }
    if (k == 0) {
      EXPECT_EQ(reader.ModuleCount(), static_cast<std::int32_t>(texts.size()));
      EXPECT_EQ(reader.ModuleName(2), "moddata_2");
      EXPECT_EQ(reader.Path(), "C:\\Out\\data.bin");
      EXPECT_EQ(reader.Length(), 60000u);
    }
  }
  reader.Finish();
  EXPECT_EQ(back, bytes);
  EXPECT_EQ(reader.ModulesRead(), static_cast<std::int32_t>(texts.size()));
}

TEST(CompactReader, RefusesWhatTheGeneratorNeverWrites) {
  const auto bytes = RandomBytes(20000, 9);
  const std::string good = GenerateModuleTexts(Compact(), bytes)[0];
  const auto one = [](std::string text) { return std::vector<std::string>{std::move(text)}; };
  EXPECT_EQ(RefusalOf(one(good)), "");
  EXPECT_EQ(RefusalOf(one(Replaced(good, "As Long = 20000", "As Long = 20001"))).substr(0, 8), "line 95:");  // the last data line
  EXPECT_NE(RefusalOf(one(Replaced(good, "As Long = 20000", "As Long = 19999"))), "");
  EXPECT_NE(RefusalOf(one(Replaced(good, "Part2 b, n, f: Part3", "Part3 b, n, f: Part2"))), "");
  EXPECT_NE(RefusalOf(one(Replaced(good, "Private Sub Part2(", "Private Sub Part3("))), "");
  EXPECT_NE(RefusalOf(one(Replaced(good, "Close #f\r\nExit Sub", "Exit Sub"))), "");
  EXPECT_NE(RefusalOf(one(Replaced(good, "n = n + 1\r\n", "Kill \"C:\\x\"\r\n"))), "");
  EXPECT_NE(RefusalOf(one(Replaced(good, "If f <> 0 Then Put", "If f <> 0 Then Kill"))), "");
  EXPECT_NE(RefusalOf(one(Replaced(good, "Open \"C:\\Out\\data.bin\" For Binary", "Open \"C:\\Other.bin\" For Binary"))), "");
  EXPECT_NE(RefusalOf(one(Replaced(good, "' Use: Create_data_bin( )", "' Use: Create_other( )"))), "");
  EXPECT_NE(RefusalOf(one(good + "Sub Evil()\r\n")), "");
  EXPECT_NE(RefusalOf(one(good.substr(0, good.size() - 2))), "");
  // A data line one byte short, lower-case digits, a quote inside the digits.
  const auto data = good.find("W b,n,f,\"") + 9;
  EXPECT_NE(RefusalOf(one(std::string(good).erase(data, 2))), "");
  std::string lower = good;
  lower[data] = 'a';
  lower[data + 1] = 'b';
  EXPECT_NE(RefusalOf(one(lower)).find("not a capital hex digit"), std::string::npos);
  std::string quote = good;
  quote[data + 2] = '"';
  EXPECT_NE(RefusalOf(one(quote)), "");
  // A line break that VB would see inside a line.
  EXPECT_NE(RefusalOf(one(Replaced(good, "Dim i As Long, v As Long", "Dim i As Long\rKill \"x\""))), "");
}

TEST(CompactReader, RefusesASetThatIsNotWhole) {
  const auto texts = GenerateModuleTexts(Compact(100), RandomBytes(60000, 4));
  ASSERT_GE(texts.size(), 3u);
  auto without = [&](std::size_t k) {
    auto t = texts;
    t.erase(t.begin() + static_cast<std::ptrdiff_t>(k));
    return t;
  };
  EXPECT_NE(RefusalOf(without(texts.size() - 1)).find("the set has"), std::string::npos);
  EXPECT_NE(RefusalOf(without(1)), "");
  auto swapped = texts;
  std::swap(swapped[1], swapped[2]);
  EXPECT_EQ(RefusalOf(swapped).substr(0, 31), "module 2 (moddata_2), line 1: e");
  auto renamed = texts;
  renamed[1] = Replaced(renamed[1], "VB_Name = \"moddata_2\"", "VB_Name = \"other_2\"");
  EXPECT_NE(RefusalOf(renamed), "");
  auto unfinished = texts;
  unfinished[2].pop_back();
  EXPECT_EQ(RefusalOf(unfinished).substr(0, 21), "module 3 (moddata_3),");
  auto extra = texts;
  extra.push_back(texts.back());
  EXPECT_NE(RefusalOf(extra), "");
  // Another file's module 2 in the place of this one's.
  ModuleOptions other = Compact(100);
  other.fileName = "datb.bin";
  auto mixed = texts;
  mixed[1] = GenerateModuleTexts(other, RandomBytes(60000, 4))[1];
  EXPECT_NE(RefusalOf(mixed), "");
}

TEST(CompactReader, RefusesALineLongerThanAnyItWritesBeforeItEnds) {
  CompactReader reader([](const std::uint8_t*, std::size_t) {});
  EXPECT_THROW(reader.Feed(std::string(5000, 'A')), ModuleFormatError);
}
