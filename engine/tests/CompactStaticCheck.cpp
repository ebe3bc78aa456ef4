// The limits Visual Basic sets, checked on the compact modules of a 30 MiB source: every line
// within 1,023 characters, every procedure's string literals within 16,000 characters, every
// module within the line budget, module names unique within 31 characters, public procedure
// names unique across the set, private ones within their module, and every procedure a module
// calls defined where the call can reach it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <random>
#include <set>

#include "CompactReader.h"
#include "ModuleSet.h"

using namespace quorvel;

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Characters inside string literals on a line (a doubled quote is one character).
std::size_t LiteralChars(std::string_view line) {
  std::size_t chars = 0;
  bool inside = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] != '"') {
      chars += inside;
      continue;
    }
    if (inside && i + 1 < line.size() && line[i + 1] == '"') {
      ++chars;
      ++i;
    } else {
      inside = !inside;
    }
  }
  return chars;
}

struct ModuleFacts {
  std::string name;
  std::set<std::string> publics, privates, called;
};

// Checks one module's lines and procedures; returns the names it defines and calls.
ModuleFacts Check(const std::string& text, std::uint64_t maxLines) {
  ModuleFacts facts;
  std::uint64_t lines = 0;
  std::string procedure;
  std::size_t literals = 0;
  bool callsOnly = false;  // a dispatcher, entry or group: every statement is a call
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find("\r\n", start);
    EXPECT_NE(end, std::string::npos);
    const std::string line = text.substr(start, end - start);
    start = end + 2;
    ++lines;
    EXPECT_LE(line.size(), 1023u) << facts.name << " line " << lines;
    if (lines == 1) facts.name = line.substr(21, line.size() - 22);
    bool opens = false;
    for (const char* scope : {"Public Sub ", "Private Sub ", "Public Function ", "Private Function "}) {
      if (!line.starts_with(scope)) continue;
      opens = true;
      const std::size_t at = std::string_view(scope).size();
      procedure = line.substr(at, line.find('(') - at);
      const std::string key = Lower(procedure);
      EXPECT_FALSE(facts.publics.count(key) || facts.privates.count(key)) << procedure << " twice in " << facts.name;
      (line.starts_with("Public") ? facts.publics : facts.privates).insert(key);
      callsOnly = procedure == "Parts" || procedure.find("_Parts") != std::string::npos ||
                  procedure.starts_with("Group");
      literals = 0;
    }
    if (opens) continue;
    literals += LiteralChars(line);
    if (callsOnly && line != "End Sub") {
      for (std::size_t from = 0; from < line.size();) {
        const std::size_t colon = std::min(line.find(": ", from), line.size());
        const std::string statement = line.substr(from, colon - from);
        if (statement != "DoEvents") facts.called.insert(Lower(statement.substr(0, statement.find(' '))));
        from = colon + 2;
      }
    }
    if (line.starts_with("W b,n,f,\"")) facts.called.insert("w");
    if (line == "End Sub" || line == "End Function" || line.ends_with(": End Sub")) {
      EXPECT_LE(literals, 16000u) << procedure << " in " << facts.name;
      procedure.clear();
      callsOnly = false;
    }
  }
  EXPECT_LE(lines, maxLines) << facts.name;
  EXPECT_TRUE(procedure.empty()) << facts.name << " ends inside " << procedure;
  return facts;
}

void CheckSet(std::uint64_t maxLines, std::size_t expectedModules) {
  std::vector<std::uint8_t> bytes(30u << 20);
  std::mt19937 rng(30);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(rng());
  ModuleOptions options;
  options.fileName = "a rather long file name of thirty-one.bin";
  options.layout = ModuleLayout::kCompact;
  options.maxLines = maxLines;
  const auto texts = GenerateModuleTexts(options, bytes);
  ASSERT_EQ(texts.size(), expectedModules);

  std::set<std::string> names, publics;
  std::vector<ModuleFacts> facts;
  for (const auto& text : texts) {
    facts.push_back(Check(text, maxLines));
    const ModuleFacts& f = facts.back();
    EXPECT_LE(f.name.size(), 31u);
    EXPECT_TRUE(names.insert(Lower(f.name)).second) << f.name;
    for (const auto& p : f.publics) EXPECT_TRUE(publics.insert(p).second) << p << " public twice";
  }
  for (const auto& f : facts)
    for (const auto& call : f.called)
      EXPECT_TRUE(f.privates.count(call) || publics.count(call)) << f.name << " calls " << call << ", defined nowhere";
  EXPECT_EQ(ReadCompactModules(texts), bytes);
}

}  // namespace

TEST(CompactStaticCheck, ThirtyMebibytesFitTwoModulesOfTheVbLimit) { CheckSet(kMaxVbModuleLines, 2); }

TEST(CompactStaticCheck, ThirtyMebibytesUnderASmallerBudgetMakeASetWithinIt) { CheckSet(20000, 4); }
