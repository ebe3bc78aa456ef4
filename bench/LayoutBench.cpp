// The two layouts side by side: the bytes one module of 65,534 lines carries, and the
// engine's speed on 100 MiB in memory (the text goes to a sink that only counts it), each
// layout timed five times in turn in the same run; medians and their ratio.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "ModuleSet.h"

using namespace quorvel;

namespace {

class CountingSink : public ModuleSetSink, public TextSink {
 public:
  TextSink& Module(std::int32_t, const ModuleInfo&) override { return *this; }
  void Write(std::string_view text) override { bytes += text.size(); }
  std::size_t bytes = 0;
};

ModuleOptions Options(ModuleLayout layout) {
  ModuleOptions o;
  o.fileName = "bench.bin";
  o.layout = layout;
  return o;
}

// The largest source whose module stays within one VB module.
std::uint64_t Capacity(ModuleLayout layout) {
  std::uint64_t lo = 0, hi = 1ull << 30;
  while (lo < hi) {
    const std::uint64_t mid = lo + (hi - lo + 1) / 2;
    const auto plan = PlanModules(Options(layout), mid);
    if (plan.size() == 1 && plan[0].lines <= kMaxVbModuleLines) lo = mid;
    else hi = mid - 1;
  }
  return lo;
}

double Seconds(ModuleLayout layout, const std::vector<std::uint8_t>& data, std::size_t& textBytes) {
  MemorySource source(data);
  CountingSink sink;
  const auto start = std::chrono::steady_clock::now();
  GenerateModuleSet(Options(layout), source, sink);
  textBytes = sink.bytes;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main() {
  const std::uint64_t classic = Capacity(ModuleLayout::kClassic), compact = Capacity(ModuleLayout::kCompact);
  std::printf("capacity of one 65,534-line module: classic %llu bytes, compact %llu bytes (%.1f x)\n",
              static_cast<unsigned long long>(classic), static_cast<unsigned long long>(compact),
              static_cast<double>(compact) / static_cast<double>(classic));

  std::vector<std::uint8_t> data(100u << 20);
  std::mt19937_64 rng(100);
  for (auto& b : data) b = static_cast<std::uint8_t>(rng());
  std::vector<double> tClassic, tCompact;
  std::size_t classicText = 0, compactText = 0;
  for (int run = 0; run < 5; ++run) {
    tClassic.push_back(Seconds(ModuleLayout::kClassic, data, classicText));
    tCompact.push_back(Seconds(ModuleLayout::kCompact, data, compactText));
  }
  const double c = Median(tClassic), k = Median(tCompact);
  std::printf("engine on 100 MiB: classic %.3f s (%zu bytes of text), compact %.3f s (%zu bytes in %zu modules)\n", c,
              classicText, k, compactText, PlanModules(Options(ModuleLayout::kCompact), data.size()).size());
  std::printf("ratio compact / classic time: %.2f x (target <= 1.2)\n", k / c);
  return 0;
}
