#include "CompactPlan.h"

#include <algorithm>
#include <string>

#include "CompactFormat.h"
#include "VbError.h"

namespace quorvel::CompactPlan {
namespace {

using namespace CompactFormat;

std::uint64_t DivUp(std::uint64_t a, std::uint64_t b) { return (a + b - 1) / b; }

// Lines of the groups that call `parts` parts, and of the calls to them from the entry.
std::uint64_t GroupLines(std::uint64_t parts) {
  const std::uint64_t full = parts / kPartsPerGroup, rest = parts % kPartsPerGroup;
  std::uint64_t lines = full * (2 + DivUp(kPartsPerGroup, kCallsPerLine) + 1);
  if (rest) lines += 2 + DivUp(rest, kCallsPerLine) + 1;
  return lines;
}

// Lines of a module holding parts [first, first + count) of a source of `total` parts;
// `entries` is the number of other modules module 1 calls (0 for the others).
struct Counter {
  std::uint64_t length;
  std::int32_t total;

  std::uint64_t PartLines(std::int32_t first, std::int32_t count) const {
    if (count == 0) return 0;
    const std::int32_t last = first + count - 1;
    return static_cast<std::uint64_t>(count) * (1 + kLinesPerPart) -
           (last == total ? kLinesPerPart - DataLines(length, last) : 0);
  }
  std::uint64_t First(std::int32_t count, std::int32_t modules) const {
    return kFirstHeaderLines + kCreateLines + kBytesLines + 2 + static_cast<std::uint64_t>(modules - 1) +
           kDecoderLines + GroupLines(static_cast<std::uint64_t>(count)) + PartLines(1, count);
  }
  std::uint64_t Other(std::int32_t first, std::int32_t count) const {
    return kOtherHeaderLines + 2 + kDecoderLines + GroupLines(static_cast<std::uint64_t>(count)) +
           PartLines(first, count);
  }
};

// The most parts, from 0 to `most`, that fit (fits(count) holds up to it and not past it).
template <typename Fits>
std::int32_t MostThatFit(std::int32_t most, Fits fits) {
  std::int32_t lo = 0, hi = most;
  while (lo < hi) {
    const std::int32_t mid = lo + (hi - lo + 1) / 2;
    if (fits(mid)) lo = mid;
    else hi = mid - 1;
  }
  return lo;
}

[[noreturn]] void TooSmall(std::uint64_t maxLines, const std::string& why) {
  throw VbError::About(ErrorSubject::kNone, kErrInvalidProcedureCall,
                       "a line budget of " + std::to_string(maxLines) + " lines is too small: " + why);
}

}  // namespace

std::uint64_t DataLines(std::uint64_t length, std::int32_t part) {
  const std::uint64_t before = static_cast<std::uint64_t>(part - 1) * kBytesPerPart;
  return DivUp(std::min<std::uint64_t>(length - before, kBytesPerPart), kBytesPerLine);
}

Plan Make(std::uint64_t length, std::uint64_t maxLines, std::int32_t maxParts) {
  Plan plan;
  plan.length = length;
  plan.parts = static_cast<std::int32_t>(DivUp(length, kBytesPerPart));
  const Counter count{length, plan.parts};
  const std::int32_t total = plan.parts;
  const std::int32_t cap = maxParts > 0 ? maxParts : total;
  // Whether module 1 with `parts` parts, or another module with parts [first, first + parts),
  // stays within both budgets.
  const auto firstFits = [&](std::int32_t parts, std::int32_t modules) {
    return parts <= cap && count.First(parts, modules) <= maxLines;
  };
  const auto otherFits = [&](std::int32_t first, std::int32_t parts) {
    return parts <= cap && count.Other(first, parts) <= maxLines;
  };

  // Parts that module 1 holds when the set has `modules` modules, and how many modules the
  // rest then needs, each filled before the next; more modules leave module 1 less room.
  const std::int32_t perModule = MostThatFit(total, [&](std::int32_t c) { return otherFits(1, c); });
  auto modulesNeeded = [&](std::int32_t modules, std::int32_t& first) {
    if (firstFits(total, modules)) {
      first = total;
      return 1;
    }
    first = MostThatFit(total - 1, [&](std::int32_t c) { return firstFits(c, modules); });
    std::int32_t rest = total - first, needed = 1;
    while (rest > 0 && needed <= kMaxModules) {
      const std::int32_t start = total - rest + 1;
      if (otherFits(start, rest)) return needed + 1;
      rest -= perModule;
      ++needed;
    }
    return needed + 1;
  };

  if (count.First(0, 1) > maxLines)
    TooSmall(maxLines, "the first module alone needs " + std::to_string(count.First(0, 1)));
  std::int32_t first = 0;
  std::int32_t modules = 1;
  if (modulesNeeded(1, first) > 1) {
    if (perModule == 0)
      TooSmall(maxLines, "a module needs " + std::to_string(count.Other(1, 1)) + " lines to hold one part");
    // The fewest modules that suffice: each module more takes one line from module 1, which
    // then holds at most one part less.
    const auto roomForCalls = static_cast<std::int32_t>(std::min<std::uint64_t>(maxLines - count.First(0, 1) + 1, kMaxModules));
    std::int32_t lo = 2, hi = roomForCalls;
    if (hi < lo || modulesNeeded(hi, first) > hi)
      TooSmall(maxLines, "this file would need more than " + std::to_string(std::max(hi, 1)) + " modules");
    while (lo < hi) {
      const std::int32_t mid = lo + (hi - lo) / 2;
      if (modulesNeeded(mid, first) <= mid) hi = mid;
      else lo = mid + 1;
    }
    modules = lo;
    modulesNeeded(modules, first);
  }

  plan.modules.push_back({1, first, count.First(first, modules)});
  std::int32_t next = first + 1;
  for (std::int32_t k = 2; k <= modules; ++k) {
    const std::int32_t parts = std::min(total - next + 1, perModule);
    const std::int32_t take = otherFits(next, total - next + 1) ? total - next + 1 : parts;
    plan.modules.push_back({next, take, count.Other(next, take)});
    next += take;
  }
  return plan;
}

}  // namespace quorvel::CompactPlan
