// The rate-converted path against a plain, frame-by-frame model of the
// adapter: two float channels each way, every position computed afresh with
// 128-bit integers, every window read sample by sample. The engine's batched,
// incremental and one-channel adapter must produce the very same samples.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/kernel_engine.h"
#include "kernel/kernel.h"

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

// One 32-tap evaluation around `centre` of a FIFO whose element 0 is absolute
// sample `base`; positions before the stream read sample 0.
float filterAt(const std::vector<float>& fifo, i128 base, i128 count, i128 centre, const float* taps) {
  double acc = 0.0, wsum = 0.0;
  for (int t = 0; t < 32; ++t) {
    i128 s = centre + t - 15;
    if (s < 0) s = 0;
    const i128 at = s < base ? 0 : (s >= base + count ? count - 1 : s - base);
    acc += static_cast<double>(taps[t]) * fifo[static_cast<std::size_t>(at)];
    wsum += static_cast<double>(taps[t]);
  }
  return wsum != 0.0 ? static_cast<float>(acc / wsum) : fifo[static_cast<std::size_t>(centre - base)];
}

void dropFront(std::vector<float> (&fifo)[2], i128 keep, i128& base, i128& count) {
  if (keep <= base) return;
  const i128 d = std::min(keep - base, count);
  for (auto& ch : fifo)
    ch.erase(ch.begin(), ch.begin() + static_cast<std::ptrdiff_t>(d));
  count -= d;
  base += d;
}

// The adapter as a stereo, straight-line process around its own kernel instance.
class ReferenceAdapter {
 public:
  ReferenceAdapter(std::uint64_t n, std::uint64_t d, int maxBlock) : n_(n), d_(d) {
    const i128 kernelFrames = (static_cast<i128>(maxBlock) * d * kK + n - 1) / n;
    capacity_ = std::max<i128>(kernelFrames + 64, 3 * maxBlock + 8);
    const double ratio = (static_cast<double>(n) / static_cast<double>(d)) / 48000.0;
    toKernel_ = table(std::min(1.0 / ratio, 1.0));
    toHost_ = table(std::min(ratio, 1.0));
    library_ = talvo_kernel_library_create();
    talvo_kernel_runtime_init(library_);
    handle_ = static_cast<std::uint32_t>(talvo_kernel_create(library_, 128, 1, 1, 48000.0));
    std::size_t length = 0;
    talvo_kernel_input_view(library_, handle_, &kernelIn_, &length);
    talvo_kernel_output_view(library_, handle_, &kernelOut_, &length);
  }
  ~ReferenceAdapter() { talvo_kernel_library_destroy(library_); }
  ReferenceAdapter(const ReferenceAdapter&) = delete;
  ReferenceAdapter& operator=(const ReferenceAdapter&) = delete;

  bool ok() const { return handle_ != 0 && kernelIn_ && kernelOut_; }

  void process(const float* left, const float* right, float* outLeft, float* outRight, int frames) {
    const i128 n = n_, d = d_;
    dropFront(hostIn_, std::max<i128>(readPos_ * n / (d * kK) - 16, 0), inBase_, inCount_);
    trimOutput();
    ASSERT_LE(inCount_ + frames, capacity_);
    hostIn_[0].insert(hostIn_[0].end(), left, left + frames);
    hostIn_[1].insert(hostIn_[1].end(), right, right + frames);
    inCount_ += frames;

    std::vector<float> scratch[2];
    for (i128 j = 0; j < capacity_; ++j) {
      const i128 i = readPos_ * n / (d * kK);
      if (i + 16 >= inBase_ + inCount_) break;
      const i128 r = readPos_ * n - i * d * kK;
      const i128 p = std::min<i128>((r * 1024 + d * 24000) / (d * kK), 1023);
      for (int ch = 0; ch < 2; ++ch)
        scratch[ch].push_back(
            filterAt(hostIn_[ch], inBase_, inCount_, i, &toKernel_[static_cast<std::size_t>(p) * 32]));
      ++readPos_;
    }
    const std::size_t produced = scratch[0].size();
    for (std::size_t c = 0; c < produced; c += 128) {
      const std::size_t len = std::min<std::size_t>(produced - c, 128);
      std::copy_n(scratch[0].begin() + static_cast<std::ptrdiff_t>(c), len, kernelIn_);
      ASSERT_EQ(talvo_kernel_process(library_, handle_, static_cast<std::uint32_t>(len)), 0.0);
      for (auto& ch : kernelOutFifo_)
        ch.insert(ch.end(), kernelOut_, kernelOut_ + len);
      outCount_ += static_cast<i128>(len);
    }

    float* outs[2] = {outLeft, outRight};
    for (int q = 0; q < frames; ++q) {
      const i128 x = ((hostOutPos_ + q) * kK - 16 * kK) * d - 20 * n;
      const i128 t = floorDiv(x, n);
      const i128 r = x - t * n;
      const i128 p = std::min<i128>((r * 1024 + n / 2) / n, 1023);
      for (int ch = 0; ch < 2; ++ch) {
        const bool silent = t < 0 || t < outBase_ || outBase_ + outCount_ <= t + 16;
        outs[ch][q] = silent ? 0.0f
                             : filterAt(kernelOutFifo_[ch], outBase_, outCount_, t,
                                        &toHost_[static_cast<std::size_t>(p) * 32]);
      }
    }
    hostOutPos_ += frames;
    trimOutput();
  }

 private:
  void trimOutput() {
    const i128 x = (hostOutPos_ * kK - 16 * kK) * static_cast<i128>(d_) - 20 * static_cast<i128>(n_);
    const i128 t = std::max<i128>(floorDiv(x, static_cast<i128>(n_)), 0);
    dropFront(kernelOutFifo_, t >= 17 ? t - 16 : 0, outBase_, outCount_);
  }

  std::uint64_t n_, d_;
  i128 capacity_ = 0;
  std::vector<float> toKernel_, toHost_;
  std::vector<float> hostIn_[2], kernelOutFifo_[2];
  i128 inBase_ = 0, inCount_ = 0, outBase_ = 0, outCount_ = 0;
  i128 readPos_ = 0, hostOutPos_ = 0;
  talvo_kernel_library* library_ = nullptr;
  std::uint32_t handle_ = 0;
  float* kernelIn_ = nullptr;
  float* kernelOut_ = nullptr;
};

}  // namespace

TEST(RateConvertedReference, EverySampleMatchesTheStraightLineAdapter) {
  struct Rate {
    double hz;
    std::uint64_t n, d;
  };
  const Rate rates[] = {{44100.0, 44100, 1}, {96000.0, 96000, 1}, {22050.0, 22050, 1},
                        {88200.0, 88200, 1}, {32000.5, 64001, 2}, {192000.0, 192000, 1}};
  // Block sizes vary the way hosts vary them, including single frames.
  const int blocks[] = {512, 1, 31, 300, 128, 7, 512, 64, 2, 511};
  for (const Rate& rate : rates) {
    KernelEngine engine;
    ASSERT_TRUE(engine.setup(rate.hz, 512));
    ASSERT_EQ(engine.hostRateNumerator(), rate.n);
    ASSERT_EQ(engine.hostRateDenominator(), rate.d);
    ReferenceAdapter reference(rate.n, rate.d, 512);
    ASSERT_TRUE(reference.ok());
    std::uint32_t noise = 12345;
    std::vector<float> inL(512), inR(512), outL(512), outR(512), refL(512), refR(512);
    std::int64_t frame = 0;
    for (int b = 0; b < 250; ++b) {
      const int frames = blocks[b % 10];
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
      reference.process(inL.data(), inR.data(), refL.data(), refR.data(), frames);
      for (int i = 0; i < frames; ++i) {
        const auto at = static_cast<std::size_t>(i);
        ASSERT_EQ(outL[at], refL[at]) << rate.hz << " Hz, block " << b << ", frame " << i;
        ASSERT_EQ(outR[at], refR[at]) << rate.hz << " Hz, block " << b << ", frame " << i;
      }
    }
  }
}
