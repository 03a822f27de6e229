#pragma once
// Two ways of rendering the same blocks, timed block by block in alternating
// order so both meet the same machine load.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <limits>

namespace talvo::bench {

/// Runs the benchmark loop over two renderers, each called with the block
/// number. Keeps each one's fastest stretch of kStretch blocks: on a machine
/// shared with other work the mean says more about the neighbours than about
/// the code. The benchmark's own time is the first renderer's.
class SideBySide {
 public:
  static constexpr int kStretch = 8;

  template <class First, class Second>
  void run(benchmark::State& state, First&& first, Second&& second) {
    double stretch[2] = {0.0, 0.0};
    long long block = 0;
    for (auto _ : state) {
      double seconds[2];
      if (block % 2 == 0) {
        seconds[0] = timed(first, block);
        seconds[1] = timed(second, block);
      } else {
        seconds[1] = timed(second, block);
        seconds[0] = timed(first, block);
      }
      state.SetIterationTime(seconds[0]);
      for (int k = 0; k < 2; ++k)
        stretch[k] += seconds[k];
      if (++block % kStretch == 0) {
        for (int k = 0; k < 2; ++k) {
          fastest_[k] = std::min(fastest_[k], stretch[k] / kStretch);
          stretch[k] = 0.0;
        }
      }
    }
  }

  /// Seconds per block of the fastest stretch: 0 for the first renderer, 1 for the second.
  [[nodiscard]] double fastest(int which) const { return fastest_[which]; }

 private:
  template <class Render>
  static double timed(Render& render, long long block) {
    const auto start = std::chrono::steady_clock::now();
    render(block);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }

  double fastest_[2] = {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};
};

}  // namespace talvo::bench
