// processBlock cost per host frame, the scalar reference loops and the vector
// path side by side: direct mode at 48000 Hz and rate-converted at 44100 and
// 96000 Hz, 512-frame stereo blocks, at the default parameters and with an
// automation point on every parameter every 32 frames.
//
// Each iteration renders the same block through two engines, one per path,
// in alternating order, so both see the same machine load; the benchmark's
// own time is the vector path's. Counters: ns per host frame of each path,
// their ratio (speedup) and the vector path's multiple of real time.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <vector>

#include "engine/kernel_engine.h"
#include "kernel/effect_vector.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kBlock = 512;
constexpr int kAutomationStep = 32;

// One automation point per parameter every 32 frames, sweeping slowly.
void automate(talvo::KernelEngine& engine, long long block) {
  for (int offset = 0; offset < kBlock; offset += kAutomationStep) {
    const double t = static_cast<double>(block * kBlock + offset) / 48000.0;
    for (std::uint32_t id = 0; id < 3; ++id)
      (void)engine.pushParamNormalized(id, 0.5 + 0.4 * std::sin(0.7 * t + 2.1 * id), offset);
  }
}

double renderOnce(talvo::KernelEngine& engine, const float* const* ins, float* const* outs, long long block,
                  bool automated) {
  const auto start = Clock::now();
  if (automated) automate(engine, block);
  engine.processBlock(ins, 2, outs, 2, kBlock);
  benchmark::DoNotOptimize(outs[0][kBlock - 1]);
  return std::chrono::duration<double>(Clock::now() - start).count();
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
  double referenceSeconds = 0.0, vectorSeconds = 0.0;
  long long block = 0;
  for (auto _ : state) {
    double v = 0.0;
    if (block % 2 == 0) {
      v = renderOnce(vector, ins, outs, block, automated);
      referenceSeconds += renderOnce(reference, ins, outs, block, automated);
    } else {
      referenceSeconds += renderOnce(reference, ins, outs, block, automated);
      v = renderOnce(vector, ins, outs, block, automated);
    }
    vectorSeconds += v;
    state.SetIterationTime(v);
    ++block;
  }
  const double frames = static_cast<double>(block) * kBlock;
  state.counters["reference_ns"] = referenceSeconds * 1e9 / frames;
  state.counters["vector_ns"] = vectorSeconds * 1e9 / frames;
  state.counters["speedup"] = referenceSeconds / vectorSeconds;
  state.counters["x_realtime"] = frames / rate / vectorSeconds;
  state.SetLabel(talvo::kernel::vectorTargetName());
}

}  // namespace

BENCHMARK(referenceAgainstVector)
    ->Name("processBlock")
    ->ArgNames({"rate", "automated"})
    ->ArgsProduct({{48000, 44100, 96000}, {0, 1}})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
