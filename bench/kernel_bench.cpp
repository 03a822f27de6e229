// Cost of the kernel alone, per sample, through its entry points: 128-frame
// blocks at the default parameters, and with a few parameter events per block.
#include <benchmark/benchmark.h>

#include <cmath>

#include "kernel/kernel.h"

namespace {

struct BenchInstance {
  talvo_kernel_library* library = talvo_kernel_library_create();
  std::uint32_t handle = 0;
  float* input = nullptr;
  float* output = nullptr;

  BenchInstance() {
    talvo_kernel_runtime_init(library);
    handle = static_cast<std::uint32_t>(talvo_kernel_create(library, 128, 1, 1, 48000.0));
    std::size_t length = 0;
    talvo_kernel_input_view(library, handle, &input, &length);
    talvo_kernel_output_view(library, handle, &output, &length);
    for (int i = 0; i < 128; ++i)
      input[i] = static_cast<float>(0.5 * std::sin(0.05 * i));
  }
  ~BenchInstance() { talvo_kernel_library_destroy(library); }
};

void BM_KernelProcessDefaults(benchmark::State& state) {
  BenchInstance inst;
  for (auto _ : state) {
    benchmark::DoNotOptimize(talvo_kernel_process(inst.library, inst.handle, 128));
    benchmark::DoNotOptimize(inst.output[127]);
  }
  state.SetItemsProcessed(state.iterations() * 128);
  state.counters["ns/sample"] = benchmark::Counter(static_cast<double>(state.iterations()) * 128,
                                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_KernelProcessDefaults);

void BM_KernelProcessWithEvents(benchmark::State& state) {
  BenchInstance inst;
  const auto events = static_cast<std::uint32_t>(state.range(0));
  for (auto _ : state) {
    for (std::uint32_t e = 0; e < events; ++e)
      benchmark::DoNotOptimize(
          talvo_kernel_push_event(inst.library, inst.handle, 1, e * 128 / events, e % 3, 0.2 + 0.001 * e));
    benchmark::DoNotOptimize(talvo_kernel_process(inst.library, inst.handle, 128));
  }
  state.SetItemsProcessed(state.iterations() * 128);
  state.counters["ns/sample"] = benchmark::Counter(static_cast<double>(state.iterations()) * 128,
                                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_KernelProcessWithEvents)->Arg(4)->Arg(64);

}  // namespace
