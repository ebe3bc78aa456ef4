#include "ModuleSet.h"

#include <limits>

#include "CompactFormat.h"
#include "CompactGenerator.h"
#include "CompactPlan.h"
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
  if (length > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) throw VbError(kErrOverflow);
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
  const CompactPlan::Plan plan = CompactPlan::Make(length, options.maxLines);
  std::vector<ModuleInfo> modules;
  for (std::size_t k = 1; k <= plan.modules.size(); ++k)
    modules.push_back({k == 1 ? first : CompactFormat::SetModuleName(first, static_cast<std::int32_t>(k)),
                       plan.modules[k - 1].lines});
  return modules;
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
