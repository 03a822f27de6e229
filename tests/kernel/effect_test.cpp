// The modulated delay itself, driven through its C++ operations.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "kernel/effect.h"
#include "kernel_fixture.h"

namespace talvo::kernel {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

KernelState preparedState(double depth = kDefaultDepth, double wet = kDefaultWet) {
  KernelState state = createState();
  EXPECT_TRUE(prepare(state, PrepareConfig{1.0, 128.0, 1.0, 48000.0}));
  EXPECT_TRUE(setParameter(state, "oriel.depth", depth));
  EXPECT_TRUE(setParameter(state, "oriel.wet", wet));
  return state;
}

KernelBlock blockOver(std::vector<float>& in, std::vector<float>& out, double offset, double frames) {
  return KernelBlock{
      static_cast<double>(in.size()), frames, offset, in.data(), in.size(), 1.0, out.data(), out.size(), 1.0};
}

/// Feeds `signal` through the state in 128-frame blocks and returns the output.
std::vector<float> render(KernelState& state, const std::vector<float>& signal) {
  std::vector<float> out(signal.size());
  std::vector<float> in(128);
  std::vector<float> chunk(128);
  for (std::size_t start = 0; start < signal.size(); start += 128) {
    const std::size_t n = std::min<std::size_t>(128, signal.size() - start);
    std::copy_n(signal.begin() + static_cast<long>(start), n, in.begin());
    EXPECT_TRUE(process(state, blockOver(in, chunk, 0, static_cast<double>(n))));
    std::copy_n(chunk.begin(), n, out.begin() + static_cast<long>(start));
  }
  return out;
}

template <typename F>
std::vector<float> signalOf(std::size_t count, F f) {
  std::vector<float> signal(count);
  for (std::size_t n = 0; n < count; ++n)
    signal[n] = static_cast<float>(f(static_cast<double>(n)));
  return signal;
}

TEST(ModulatedDelay, RampRevealsTheSineSweepAroundTheCentreDelay) {
  // A full-depth fast sweep passes the 2402-sample ring's wrap several times;
  // the default sweep is the reset test's.
  KernelState state = preparedState(1.0);
  ASSERT_TRUE(setParameter(state, "oriel.rate", 20.0));
  const auto out = render(state, signalOf(12000, [](double n) { return test::rampSample(n); }));
  EXPECT_LT(test::worstSweepError(out, 20.0, 1.0, 300), 0.01);
}

TEST(ModulatedDelay, HalfWetMixesTheUnclippedDryWithTheClippedDelayedSignal) {
  KernelState state = preparedState(0.0, 0.5);
  std::vector<float> signal(200, 0.25f);
  signal[10] = 1.5f;
  signal[11] = -4.0f;
  signal[50] = std::numeric_limits<float>::quiet_NaN();
  const std::vector<float> out = render(state, signal);
  EXPECT_EQ(out[10], 0.75f);    // dry half of 1.5, silent line
  EXPECT_EQ(out[11], -2.0f);    // dry half of -4
  EXPECT_EQ(out[130], 0.625f);  // dry 0.125 + wet half of the clipped 1.0
  EXPECT_EQ(out[131], -0.375f);
  // Not-a-number enters both paths; at a whole-sample delay the neighbour is
  // still weighed by 0, and 0 times not-a-number stays so.
  EXPECT_TRUE(std::isnan(out[50]));
  EXPECT_EQ(out[168], 0.25f);
  EXPECT_TRUE(std::isnan(out[169]) && std::isnan(out[170]));
  EXPECT_EQ(out[171], 0.25f);
}

TEST(ModulatedDelay, ProcessesOnlyAValidRequestedRangeOfAPreparedState) {
  KernelState state = preparedState(kDefaultDepth, 0.0);
  std::vector<float> in(128, 0.5f);
  std::vector<float> out(128, -7.0f);
  ASSERT_TRUE(process(state, blockOver(in, out, 100, 28)));
  for (std::size_t i = 0; i < 128; ++i)
    EXPECT_EQ(out[i], i >= 100 ? 0.5f : -7.0f) << i;

  // Zero frames render nothing; a range past the block, or not whole, is refused.
  std::fill(out.begin(), out.end(), -7.0f);
  ASSERT_TRUE(process(state, blockOver(in, out, 0, 0)));
  const std::pair<double, double> refused[] = {{100, 29}, {0, 129}, {-1, 4}, {0.5, 4}, {0, 2.5}, {0, kNaN}};
  for (auto [offset, frames] : refused)
    EXPECT_FALSE(process(state, blockOver(in, out, offset, frames))) << offset << "+" << frames;
  state.prepared = false;
  EXPECT_FALSE(process(state, blockOver(in, out, 0, 128)));
  EXPECT_EQ(out, std::vector<float>(128, -7.0f));
}

TEST(ModulatedDelay, ParametersAreClampedAndNonFiniteValuesIgnored) {
  KernelState state = preparedState();
  const struct {
    const char* path;
    double value;
    const double* field;
    double expected;
  } cases[] = {
      {"oriel.rate", 0.05, &state.node.rateHz, 0.1}, {"oriel.rate", 100.0, &state.node.rateHz, 20.0},
      {"oriel.depth", -1.0, &state.node.depth, 0.0}, {"oriel.wet", 2.0, &state.wet, 1.0},
      {"oriel.depth", kNaN, &state.node.depth, 0.0}, {"oriel.rate", -HUGE_VAL, &state.node.rateHz, 20.0},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(setParameter(state, c.path, c.value));
    EXPECT_EQ(*c.field, c.expected) << c.path << " " << c.value;
  }
  EXPECT_FALSE(setParameter(state, "oriel.mix", 0.5));
  EXPECT_FALSE(setParameter(state, "oriel.rat", 0.5));
  EXPECT_FALSE(applyParameter(state, 3, 0.5));
  EXPECT_TRUE(applyParameter(state, 2, 0.25));
  EXPECT_EQ(state.wet, 0.25);
}

TEST(ModulatedDelay, ReadsAtAboutZeroDelayStayInsideTheRingAndSeeItAsItWas) {
  // At phase 0.75 the sine is exactly -1. Just below full depth the delay is
  // about 1e-14 samples, and at write position 0 r + L rounds to L: the read
  // must wrap to the ring's start (the fresh sample), not past it. At full
  // depth the delay is exactly 0. Either way the read weighs the next ring
  // position by 0, and that position still holds its old sample, not the next
  // frame's input (0 times not-a-number would be not-a-number).
  for (const double depth : {1.0 - std::ldexp(1.0, -53), 1.0}) {
    KernelState state = preparedState(depth);
    state.node.phase = 0.75;
    std::vector<float> in(128, std::numeric_limits<float>::quiet_NaN());
    in[0] = 0.5f;
    std::vector<float> out(128, 0.0f);
    ASSERT_TRUE(process(state, blockOver(in, out, 0, 2)));
    EXPECT_EQ(out[0], 0.5f) << depth;
  }
}

}  // namespace
}  // namespace talvo::kernel
