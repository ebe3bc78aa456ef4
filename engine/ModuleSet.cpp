#include "ModuleSet.h"

#include <algorithm>
#include <unordered_map>

#include "CompactFormat.h"
#include "CompactGenerator.h"
#include "CompactPlan.h"
#include "ModuleFormat.h"
#include "StringStuff.h"
#include "VbError.h"

namespace quorvel {

namespace CompactFormat {

std::string SetModuleName(std::string_view first, std::int32_t k) {
  constexpr std::size_t kMaxName = 31;  // VBA refuses longer module names
  std::string suffix = std::to_string(k);
  suffix.insert(suffix.begin(), '_');
  std::string name = std::string(first.substr(0, std::min(first.size(), kMaxName - suffix.size()))) + suffix;
  // A first name of 31 characters that itself ends in "_k": one more underscore tells them apart.
  if (name == first) name = std::string(first.substr(0, kMaxName - suffix.size() - 1)) + "_" + suffix;
  return name;
}

}  // namespace CompactFormat

namespace {

void CheckLength(std::uint64_t length) {
  if (length > ModuleFormat::kMaxSourceBytes) throw VbError(kErrOverflow);
}

// Asks the source for its length once, for the plan and the generator both.
class MeasuredSource : public ByteSource {
 public:
  explicit MeasuredSource(ByteSource& inner) : inner_(inner), length_(inner.Length()) {}
  std::uint64_t Length() override { return length_; }
  std::size_t Read(std::uint8_t* buffer, std::size_t count) override { return inner_.Read(buffer, count); }

 private:
  ByteSource& inner_;
  std::uint64_t length_;
};

// Asks for the one classic module only when its first text comes, so that a refusal comes
// before the sink is asked.
class FirstWriteSink : public TextSink {
 public:
  FirstWriteSink(ModuleSetSink& set, ModuleInfo info) : set_(set), info_(std::move(info)) {}
  void Write(std::string_view text) override {
    if (!sink_) sink_ = &set_.Module(1, info_);
    sink_->Write(text);
  }

 private:
  ModuleSetSink& set_;
  ModuleInfo info_;
  TextSink* sink_ = nullptr;
};

}  // namespace

std::vector<ModuleInfo> PlanModules(const ModuleOptions& options, std::uint64_t length) {
  CheckLength(length);
  const std::string first = StringStuff::MakeAttribName(options.fileName);
  if (options.layout == ModuleLayout::kClassic) return {{first, ModuleLineCount(length)}};
  const CompactPlan::Plan plan = CompactPlan::Make(length, options.maxLines, options.maxParts);
  std::vector<ModuleInfo> modules;
  for (std::size_t k = 1; k <= plan.modules.size(); ++k)
    modules.push_back({k == 1 ? first : CompactFormat::SetModuleName(first, static_cast<std::int32_t>(k)),
                       plan.modules[k - 1].lines});
  return modules;
}

PublicNames PublicNamesOf(const ModuleOptions& options, std::optional<std::uint64_t> length) {
  const std::string stem = StringStuff::MakeStem(options.fileName);
  const bool isPublic = options.scope != "Private";
  PublicNames p;
  if (options.layout == ModuleLayout::kClassic) {
    if (isPublic) p.names.push_back(std::string(ModuleFormat::kCreateName) + stem);
    p.numbered = stem + std::string(ModuleFormat::kPartSuffix);
    p.first = isPublic ? 1 : 2;
    p.last = length ? ModulePartCount(*length) : 0;
    return p;
  }
  if (isPublic)
    p.names = {stem + std::string(CompactFormat::kLengthSuffix), std::string(CompactFormat::kCreateName) + stem,
               std::string(CompactFormat::kBytesName) + stem};
  if (length)
    for (std::size_t k = 2; k <= PlanModules(options, *length).size(); ++k)
      p.names.push_back(stem + std::string(CompactFormat::kEntrySuffix) + std::to_string(k));
  return p;
}

namespace {

std::string Lower(std::string_view s) {
  std::string lower(s);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower;
}

}  // namespace

std::optional<NameClash> FindSharedPublicName(const std::vector<PublicNames>& sets) {
  std::unordered_map<std::string, std::pair<std::size_t, const std::string*>> names;  // lower case: set, name
  std::unordered_map<std::string, std::vector<std::size_t>> numbered;                // lower case: sets
  for (std::size_t i = 0; i < sets.size(); ++i) {
    const PublicNames& p = sets[i];
    for (const std::string& name : p.names) {
      const auto [at, added] = names.try_emplace(Lower(name), i, &name);
      if (!added && at->second.first != i) return NameClash{at->second.first, i, *at->second.second};
    }
    if (p.last < p.first) continue;
    auto& same = numbered[Lower(p.numbered)];
    for (const std::size_t j : same) {
      // Two families with one stem meet from the higher of their first numbers.
      const std::uint64_t first = std::max(p.first, sets[j].first);
      if (first <= std::min(p.last, sets[j].last)) return NameClash{j, i, p.numbered + std::to_string(first)};
    }
    same.push_back(i);
  }
  // A plain name that is a numbered one of another set: "Create_a" + "_Part7" is "Create_" + "a_Part7".
  for (const auto& [lower, owner] : names) {
    const std::size_t cut = lower.find_last_not_of("0123456789") + 1;
    if (cut == lower.size() || lower[cut] == '0' || lower.size() - cut > 18) continue;
    const auto family = numbered.find(lower.substr(0, cut));
    if (family == numbered.end()) continue;
    const std::uint64_t k = std::stoull(lower.substr(cut));
    for (const std::size_t j : family->second)
      if (j != owner.first && k >= sets[j].first && k <= sets[j].last)
        return NameClash{std::min(j, owner.first), std::max(j, owner.first), *owner.second};
  }
  return std::nullopt;
}

ModuleSetCounters GenerateModuleSet(const ModuleOptions& options, ByteSource& source, ModuleSetSink& sink,
                                    ProgressObserver* observer, std::uint32_t progressStep) {
  if (options.layout == ModuleLayout::kCompact) {
    CompactGenerator generator(options);
    generator.SetProgressStep(progressStep);
    return generator.Generate(source, sink, observer);
  }
  MeasuredSource measured(source);
  CheckLength(measured.Length());
  ModuleInfo info{StringStuff::MakeAttribName(options.fileName), ModuleLineCount(measured.Length())};
  FirstWriteSink text(sink, info);
  ModuleGenerator generator(options);
  generator.SetProgressStep(progressStep);
  const GeneratorCounters counters = generator.Generate(measured, text, observer);
  return {{info}, counters.PartCount};
}

TextSink& StringSetSink::Module(std::int32_t, const ModuleInfo& module) {
  modules_.push_back(module);
  sinks_.emplace_back();
  return sinks_.back();
}

std::vector<std::string> StringSetSink::Texts() {
  std::vector<std::string> texts;
  for (StringSink& s : sinks_) texts.push_back(s.Text());
  return texts;
}

std::vector<std::string> GenerateModuleTexts(const ModuleOptions& options, std::span<const std::uint8_t> bytes) {
  MemorySource source(bytes);
  StringSetSink sink;
  GenerateModuleSet(options, source, sink);
  return sink.Texts();
}

}  // namespace quorvel
