// The rate-converted path against a plain, frame-by-frame model of the
// adapter: every position computed afresh with 128-bit integers, every window
// read sample by sample and summed in tap order. The engine's incremental
// adapter on its reference loops must produce the very same samples on both
// output channels; its vector path, which sums in another order and takes a
// vector sine, the same within 1e-6.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/kernel_engine.h"
#include "engine_harness.h"
#include "kernel/kernel.h"
#include "support/vector_targets.h"

using namespace talvo;

namespace {

using i128 = __int128;
constexpr i128 kK = 48000;

i128 floorDiv(i128 x, i128 y) {
  const i128 q = x / y;
  return (x % y != 0 && x < 0) ? q - 1 : q;
}

std::vector<float> table(double cutoff) {
  constexpr double pi = 3.141592653589793;
  std::vector<float> taps(1024 * 32);
  for (int p = 0; p < 1024; ++p) {
    const double f = p / 1024.0;
    double sum = 0.0;
    for (int t = 0; t < 32; ++t) {
      const double x = cutoff * (f - (t - 15));
      const double s = std::fabs(x) < 1e-12 ? 1.0 : std::sin(pi * x) / (pi * x);
      const double w = 0.5 - 0.5 * std::cos(2 * pi * t / 31);
      const double tap = w * cutoff * s;
      taps[static_cast<std::size_t>(p * 32 + t)] = static_cast<float>(tap);
      sum += tap;
    }
    if (sum != 0.0) {
      for (int t = 0; t < 32; ++t) {
        float& tap = taps[static_cast<std::size_t>(p * 32 + t)];
        tap = static_cast<float>(static_cast<double>(tap) / sum);
      }
    }
  }
  return taps;
}

// One 32-tap evaluation around `centre` of the whole stream so far; positions
// before the stream read sample 0.
float filterAt(const std::vector<float>& stream, i128 centre, const float* taps) {
  double acc = 0.0, wsum = 0.0;
  for (int t = 0; t < 32; ++t) {
    acc +=
        static_cast<double>(taps[t]) * stream[static_cast<std::size_t>(std::max<i128>(centre + t - 15, 0))];
    wsum += static_cast<double>(taps[t]);
  }
  return wsum != 0.0 ? static_cast<float>(acc / wsum) : stream[static_cast<std::size_t>(centre)];
}

// The adapter as a straight-line process around its own kernel instance,
// keeping every sample it was ever given.
class ReferenceAdapter {
 public:
  ReferenceAdapter(std::uint64_t n, std::uint64_t d) : n_(n), d_(d) {
    const double ratio = (static_cast<double>(n) / static_cast<double>(d)) / 48000.0;
    toKernel_ = table(std::min(1.0 / ratio, 1.0));
    toHost_ = table(std::min(ratio, 1.0));
    talvo_kernel_runtime_init(library_.get());
    talvo_kernel_use_reference_loop(library_.get(), 1);
    handle_ = static_cast<std::uint32_t>(talvo_kernel_create(library_.get(), 128, 1, 1, 48000.0));
    std::size_t length = 0;
    talvo_kernel_input_view(library_.get(), handle_, &kernelIn_, &length);
    talvo_kernel_output_view(library_.get(), handle_, &kernelOut_, &length);
  }

  bool ok() const { return handle_ != 0 && kernelIn_ && kernelOut_; }

  void process(const float* in, float* out, int frames) {
    const i128 n = n_, d = d_;
    hostIn_.insert(hostIn_.end(), in, in + frames);
    std::vector<float> scratch;
    for (;;) {
      const i128 i = readPos_ * n / (d * kK);
      if (i + 16 >= static_cast<i128>(hostIn_.size())) break;
      const i128 r = readPos_ * n - i * d * kK;
      const i128 p = std::min<i128>((r * 1024 + d * 24000) / (d * kK), 1023);
      scratch.push_back(filterAt(hostIn_, i, &toKernel_[static_cast<std::size_t>(p) * 32]));
      ++readPos_;
    }
    for (std::size_t c = 0; c < scratch.size(); c += 128) {
      const std::size_t len = std::min<std::size_t>(scratch.size() - c, 128);
      std::copy_n(scratch.begin() + static_cast<std::ptrdiff_t>(c), len, kernelIn_);
      ASSERT_EQ(talvo_kernel_process(library_.get(), handle_, static_cast<std::uint32_t>(len)), 0.0);
      kernelOutStream_.insert(kernelOutStream_.end(), kernelOut_, kernelOut_ + len);
    }
    for (int q = 0; q < frames; ++q, ++hostOutPos_) {
      const i128 x = (hostOutPos_ * kK - 16 * kK) * d - 20 * n;
      const i128 t = floorDiv(x, n);
      const i128 p = std::min<i128>(((x - t * n) * 1024 + n / 2) / n, 1023);
      const bool silent = t < 0 || static_cast<i128>(kernelOutStream_.size()) <= t + 16;
      out[q] = silent ? 0.0f : filterAt(kernelOutStream_, t, &toHost_[static_cast<std::size_t>(p) * 32]);
    }
  }

 private:
  std::uint64_t n_, d_;
  std::vector<float> toKernel_, toHost_, hostIn_, kernelOutStream_;
  i128 readPos_ = 0, hostOutPos_ = 0;
  std::unique_ptr<talvo_kernel_library, decltype(&talvo_kernel_library_destroy)> library_{
      talvo_kernel_library_create(), &talvo_kernel_library_destroy};
  std::uint32_t handle_ = 0;
  float* kernelIn_ = nullptr;
  float* kernelOut_ = nullptr;
};

}  // namespace

TEST(RateConvertedReference, EverySampleMatchesTheStraightLineAdapter) {
  struct Rate {
    double hz;
    std::uint64_t n, d;
    int maxBlock;
  };
  const Rate rates[] = {{44100.0, 44100, 1, 512},   {96000.0, 96000, 1, 31},  {22050.0, 22050, 1, 1},
                        {88200.0, 88200, 1, 16384}, {32000.5, 64001, 2, 300}, {192000.0, 192000, 1, 128}};
  // Block sizes vary the way hosts vary them, including single frames, up to each setup's maximum.
  const int blocks[] = {512, 1, 31, 300, 128, 7, 16384, 64, 2, 511};
  const auto run = [&](bool referenceLoops) {
    const float tolerance = referenceLoops ? 0.0f : 1e-6f;
    for (const Rate& rate : rates) {
      SCOPED_TRACE(testing::Message() << rate.hz << " Hz");
      KernelEngine engine;
      engine.useReferenceLoops(referenceLoops);
      ASSERT_TRUE(engine.setup(rate.hz, rate.maxBlock));
      ASSERT_EQ(engine.hostRateNumerator(), rate.n);
      ASSERT_EQ(engine.hostRateDenominator(), rate.d);
      EXPECT_EQ(engine.latencySamples(), static_cast<int>(std::ceil(16.0 + 20.0 * rate.hz / 48000.0)));
      ReferenceAdapter reference(rate.n, rate.d);
      ASSERT_TRUE(reference.ok());
      std::uint32_t noise = 12345;
      std::vector<float> inL(16384), inR(16384), outL(16384), outR(16384), ref(16384);
      std::int64_t frame = 0;
      for (int b = 0; frame < 40000; ++b) {
        const int frames = std::min(blocks[b % 10], rate.maxBlock);
        for (int i = 0; i < frames; ++i, ++frame) {
          noise = noise * 1664525u + 1013904223u;
          inL[static_cast<std::size_t>(i)] =
              static_cast<float>(0.6 * std::sin(0.031 * static_cast<double>(frame)) +
                                 0.3 * (static_cast<double>(noise >> 8) / 16777216.0 - 0.5));
          inR[static_cast<std::size_t>(i)] = -inL[static_cast<std::size_t>(i)];
        }
        const float* ins[2] = {inL.data(), inR.data()};
        float* outs[2] = {outL.data(), outR.data()};
        engine.processBlock(ins, 2, outs, 2, frames);
        ASSERT_FALSE(engine.blockFailed());
        reference.process(inL.data(), ref.data(), frames);
        for (int i = 0; i < frames; ++i) {
          const auto at = static_cast<std::size_t>(i);
          ASSERT_NEAR(outL[at], ref[at], tolerance) << "block " << b << ", frame " << i;
          ASSERT_EQ(outR[at], outL[at]);
        }
      }
    }
  };
  run(true);
  // The vector path on every instruction set this processor has.
  test::forEachVectorTarget([&](const char* target) {
    SCOPED_TRACE(target);
    run(false);
  });
}

// The whole engine, direct and converted, on the processor's best vector path
// against its reference loops over a minute of every parameter moving: what a
// long session hears, beyond the short runs above.
TEST(VectorPath, MatchesTheReferenceLoopsOverAMinuteOfAutomation) {
  // Every parameter moves every 32 frames, the rate through its whole range.
  for (const double rate : {44100.0, 48000.0, 96000.0}) {
    KernelEngine reference, vector;
    reference.useReferenceLoops(true);
    ASSERT_TRUE(reference.setup(rate, 512));
    ASSERT_TRUE(vector.setup(rate, 512));
    std::vector<float> in(512), outReference(512), outVector(512);
    const auto frames = static_cast<std::int64_t>(60 * rate);
    for (std::int64_t start = 0; start < frames; start += 512) {
      for (int i = 0; i < 512; ++i)
        in[static_cast<std::size_t>(i)] =
            static_cast<float>(0.8 * std::sin(0.0123 * static_cast<double>(start + i)));
      for (int at = 0; at < 512; at += 32) {
        const double t = static_cast<double>(start + at) / rate;
        for (std::uint32_t id = 0; id < 3; ++id) {
          const double value = 0.5 + 0.5 * std::sin(0.9 * t * (id + 1) + id);
          ASSERT_TRUE(reference.pushParamNormalized(id, value, at));
          ASSERT_TRUE(vector.pushParamNormalized(id, value, at));
        }
      }
      test::processMono(reference, in.data(), outReference.data(), 512);
      test::processMono(vector, in.data(), outVector.data(), 512);
      for (std::size_t i = 0; i < 512; ++i)
        ASSERT_NEAR(outVector[i], outReference[i], 1e-6)
            << rate << " Hz, frame " << start + static_cast<std::int64_t>(i);
    }
  }
}
