// processBlock cost per host frame, the scalar reference loops and the vector
// path side by side: direct mode at 48000 Hz and rate-converted at 44100 and
// 96000 Hz, 512-frame stereo blocks, at the default parameters and with an
// automation point every 32 frames (the three parameters taking turns).
//
// Each iteration renders the same block through two engines, one per path
// (bench/side_by_side.h); the benchmark's own time is the vector path's mean.
// Counters, from each path's fastest stretch of blocks: ns per host frame,
// their ratio (speedup) and the vector path's multiple of real time. The
// label names the instruction set the vector path runs on.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "engine/kernel_engine.h"
#include "kernel/effect_vector.h"
#include "side_by_side.h"

namespace {

constexpr int kBlock = 512;
constexpr int kAutomationStep = 32;

// One automation point every 32 frames, sweeping slowly.
void automate(talvo::KernelEngine& engine, long long block) {
  for (int offset = 0; offset < kBlock; offset += kAutomationStep) {
    const long long point = (block * kBlock + offset) / kAutomationStep;
    (void)engine.pushParamNormalized(static_cast<std::uint32_t>(point % 3),
                                     0.5 + 0.4 * std::sin(0.01 * point), offset);
  }
}

void referenceAgainstVector(benchmark::State& state) {
  const double rate = static_cast<double>(state.range(0));
  const bool automated = state.range(1) != 0;
  talvo::KernelEngine reference, vector;
  reference.useReferenceLoops(true);
  if (!reference.setup(rate, kBlock) || !vector.setup(rate, kBlock)) {
    state.SkipWithError("setup refused");
    return;
  }
  std::vector<float> inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock);
  for (int i = 0; i < kBlock; ++i)
    inL[static_cast<std::size_t>(i)] =
        static_cast<float>(0.5 * std::sin(2.0 * 3.141592653589793 * 440.0 * i / rate));
  const float* ins[2] = {inL.data(), inR.data()};
  float* outs[2] = {outL.data(), outR.data()};
  auto renderWith = [&](talvo::KernelEngine& engine) {
    return [&engine, &ins, &outs, automated](long long block) {
      if (automated) automate(engine, block);
      engine.processBlock(ins, 2, outs, 2, kBlock);
      benchmark::DoNotOptimize(outs[0][kBlock - 1]);
    };
  };
  talvo::bench::SideBySide timing;
  timing.run(state, renderWith(vector), renderWith(reference));
  const double vectorNs = timing.fastest(0) * 1e9 / kBlock;
  const double referenceNs = timing.fastest(1) * 1e9 / kBlock;
  state.counters["reference_ns"] = referenceNs;
  state.counters["vector_ns"] = vectorNs;
  state.counters["speedup"] = referenceNs / vectorNs;
  state.counters["x_realtime"] = 1e9 / vectorNs / rate;
  state.SetLabel(talvo::kernel::vectorTargetName());
}

}  // namespace

BENCHMARK(referenceAgainstVector)
    ->Name("processBlock")
    ->ArgNames({"rate", "automated"})
    ->ArgsProduct({{48000, 44100, 96000}, {0, 1}})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
