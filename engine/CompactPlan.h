#pragma once
// Which parts of a compact set go into which module, and how many lines each module has,
// worked out from the source's length and the line budget before any text is written.
#include <cstdint>
#include <vector>

namespace quorvel::CompactPlan {

// A set holds at most this many modules (module 1's dispatcher calls the others one a line).
inline constexpr std::int32_t kMaxModules = 250;

struct Module {
  std::int32_t firstPart = 1;  // parts are numbered from 1 across the set
  std::int32_t parts = 0;
  std::uint64_t lines = 0;
};

struct Plan {
  std::uint64_t length = 0;
  std::int32_t parts = 0;  // ceil(length / kBytesPerPart)
  std::vector<Module> modules;
};

// Data lines of part `part` (1-based) of a source of `length` bytes.
std::uint64_t DataLines(std::uint64_t length, std::int32_t part);

// Error 5 (with a detail naming the budget) when no set within maxLines lines can hold the
// source: a module too small for one part, or more than kMaxModules modules. With maxParts
// above 0 no module holds more parts than that either.
Plan Make(std::uint64_t length, std::uint64_t maxLines, std::int32_t maxParts = 0);

}  // namespace quorvel::CompactPlan
