#pragma once
// The modules one source becomes, whatever the layout: one classic module, or one compact
// module or a set of them under the line budget. A caller plans first (how many modules,
// their names and lines, before any text), then generates into a sink that is asked for each
// module in turn.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ModuleGenerator.h"

namespace quorvel {

struct ModuleInfo {
  std::string vbName;       // unique within the set; a file name for it is vbName + ".bas"
  std::uint64_t lines = 0;  // every line ends with CRLF
};

// The modules a source of `length` bytes becomes. Classic: always one, its lines counted
// whatever the budget. Compact: one when it fits options.maxLines, else as many as needed,
// each within it. Error 5 when options.maxLines is too small for a compact module to hold a
// part (the detail says how many lines one needs); error 6 for 2^31 bytes or more. Checks
// neither names nor paths (TargetPathLiteral does).
std::vector<ModuleInfo> PlanModules(const ModuleOptions& options, std::uint64_t length);

// The names a source's modules declare Public, beyond the ones every classic module declares
// alike and calls within itself (cl_fp, WriteBytes). Two modules of one project that declare
// one of these both do not compile together. Classic: Create_<stem> and the numbered parts
// <stem>_Part<k> (from 2 under "Private"); compact: <stem>_Length, Create_<stem>, Bytes_<stem>
// (none of them under "Private") and the entry <stem>_Parts<k> of each later module.
struct PublicNames {
  std::vector<std::string> names;
  std::string numbered;  // <stem>_Part: also every name of it and a number first..last
  std::uint64_t first = 1;
  std::uint64_t last = 0;  // none when below first
};
// `length` of the source; none when not known yet (the numbered parts are left out).
PublicNames PublicNamesOf(const ModuleOptions& options, std::optional<std::uint64_t> length);
// A name two of `sets` both declare, as VB compares names (in any case), and which two.
struct NameClash {
  std::size_t first;
  std::size_t second;
  std::string name;
};
std::optional<NameClash> FindSharedPublicName(const std::vector<PublicNames>& sets);

// Receives the text of each module of a set, the first module first.
class ModuleSetSink {
 public:
  virtual ~ModuleSetSink() = default;
  // Module `index` (1 for the first) starts; its text goes to the returned sink until the
  // next call or the end of the run.
  virtual TextSink& Module(std::int32_t index, const ModuleInfo& module) = 0;
};

struct ModuleSetCounters {
  std::vector<ModuleInfo> modules;  // as planned, lines as written
  std::int32_t parts = 0;
};

// Streams the modules of options.layout for the source. Failures as ModuleGenerator::Generate
// and PlanModules, all before the sink is first asked for a module. The observer hears
// Converted() as bytes are turned into text; a classic run also calls its other hooks.
ModuleSetCounters GenerateModuleSet(const ModuleOptions& options, ByteSource& source, ModuleSetSink& sink,
                                    ProgressObserver* observer = nullptr, std::uint32_t progressStep = 65536);

// A sink that keeps every module's text in memory.
class StringSetSink : public ModuleSetSink {
 public:
  TextSink& Module(std::int32_t index, const ModuleInfo& module) override;
  std::vector<std::string> Texts();
  const std::vector<ModuleInfo>& Modules() const { return modules_; }

 private:
  std::vector<ModuleInfo> modules_;
  std::vector<StringSink> sinks_;
};

// Every module's text for bytes in memory.
std::vector<std::string> GenerateModuleTexts(const ModuleOptions& options, std::span<const std::uint8_t> bytes);

}  // namespace quorvel
