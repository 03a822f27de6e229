// processBlock cost per host frame: direct mode at 48000 Hz and the
// rate-converted path at 44100 and 96000 Hz, 512-frame stereo blocks at the
// default parameters. Counters: ns per host frame and multiple of real time.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "engine/kernel_engine.h"

namespace {

void processBlockAtRate(benchmark::State& state) {
  const double rate = static_cast<double>(state.range(0));
  constexpr int kBlock = 512;
  talvo::KernelEngine engine;
  if (!engine.setup(rate, kBlock)) {
    state.SkipWithError("setup refused");
    return;
  }
  std::vector<float> inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock);
  for (int i = 0; i < kBlock; ++i) {
    inL[static_cast<std::size_t>(i)] =
        static_cast<float>(0.5 * std::sin(2.0 * 3.141592653589793 * 440.0 * i / rate));
  }
  const float* ins[2] = {inL.data(), inR.data()};
  float* outs[2] = {outL.data(), outR.data()};
  for (auto _ : state) {
    engine.processBlock(ins, 2, outs, 2, kBlock);
    benchmark::DoNotOptimize(outL.data());
    benchmark::ClobberMemory();
  }
  const double frames = static_cast<double>(state.iterations()) * kBlock;
  state.SetItemsProcessed(static_cast<std::int64_t>(frames));
  // Inverted rates: seconds per frame shown as ns, and audio seconds rendered
  // per second of CPU time.
  state.counters["ns_per_frame"] =
      benchmark::Counter(frames / 1e9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["x_realtime"] = benchmark::Counter(frames / rate, benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(processBlockAtRate)->Name("processBlock/direct")->Arg(48000)->Unit(benchmark::kMicrosecond);
BENCHMARK(processBlockAtRate)
    ->Name("processBlock/rateConverted")
    ->Arg(44100)
    ->Arg(96000)
    ->Unit(benchmark::kMicrosecond);
