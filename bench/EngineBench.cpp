// The engine in memory: input bytes per second, with the module text sent to a sink that
// only counts it.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "ModuleGenerator.h"

namespace {

class CountingSink : public quorvel::TextSink {
 public:
  void Write(std::string_view text) override { bytes += text.size(); }
  std::size_t bytes = 0;
};

void BM_Generate(benchmark::State& state) {
  std::vector<std::uint8_t> data(static_cast<std::size_t>(state.range(0)));
  std::mt19937 rng(1);
  for (auto& b : data) b = static_cast<std::uint8_t>(rng());
  quorvel::ModuleOptions options;
  options.fileName = "bench.bin";
  for (auto _ : state) {
    quorvel::MemorySource source(data);
    CountingSink sink;
    quorvel::ModuleGenerator(options).Generate(source, sink);
    benchmark::DoNotOptimize(sink.bytes);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_Generate)->Arg(1 << 20)->Arg(100 << 20)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
