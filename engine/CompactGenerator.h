#pragma once
#include <cstdint>

#include "ModuleSet.h"

namespace quorvel {

// Streams the compact modules of a source (CompactFormat.h tells their text): one module, or a
// set when one would pass options.maxLines. Memory stays constant whatever the source's size.
// Failures are VbError, all before the sink is first asked for a module: error 5 for a scope
// other than Public or Private, a notice that would break its line, or a line budget too
// small (CompactPlan); 6 for a source of 2^31 bytes or more; 52 for names a module cannot
// carry (TargetPathLiteral). Error 62 when the source ends before its length.
class CompactGenerator {
 public:
  explicit CompactGenerator(ModuleOptions options);

  // How many bytes pass between two Converted() calls (rounded up to whole parts).
  void SetProgressStep(std::uint32_t bytes);

  ModuleSetCounters Generate(ByteSource& source, ModuleSetSink& sink, ProgressObserver* observer = nullptr);

 private:
  ModuleOptions options_;
  std::uint32_t progressStep_ = 65536;
};

}  // namespace quorvel
