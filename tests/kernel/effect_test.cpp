// The modulated delay itself, driven through its C++ operations.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "kernel/effect.h"
#include "kernel_fixture.h"

namespace talvo::kernel {
namespace {

using test::kRampStep;
using test::ramp;
using test::worstSweepError;

KernelState preparedState() {
  KernelState state = createState();
  PrepareConfig config{1.0, 128.0, 1.0, 48000.0};
  EXPECT_TRUE(prepare(state, config));
  return state;
}

KernelBlock blockOver(std::vector<float>& in, std::vector<float>& out, double offset, double frames) {
  KernelBlock block;
  block.capacity = static_cast<double>(in.size());
  block.offset = offset;
  block.frames = frames;
  block.input = in.data();
  block.inputLength = in.size();
  block.inputChannels = 1.0;
  block.output = out.data();
  block.outputLength = out.size();
  block.outputChannels = 1.0;
  return block;
}

/// Feeds `signal` through the state in 128-frame blocks and returns the output.
std::vector<float> render(KernelState& state, const std::vector<float>& signal) {
  std::vector<float> out(signal.size());
  std::vector<float> in(128);
  std::vector<float> chunk(128);
  for (std::size_t start = 0; start < signal.size(); start += 128) {
    const std::size_t n = std::min<std::size_t>(128, signal.size() - start);
    std::copy(signal.begin() + static_cast<long>(start), signal.begin() + static_cast<long>(start + n),
              in.begin());
    EXPECT_TRUE(process(state, blockOver(in, chunk, 0, static_cast<double>(n))));
    std::copy(chunk.begin(), chunk.begin() + static_cast<long>(n), out.begin() + static_cast<long>(start));
  }
  return out;
}

TEST(ModulatedDelay, RampRevealsTheDefaultSineSweepAroundTheCentreDelay) {
  KernelState state = preparedState();
  const std::vector<float> out = render(state, ramp(48000));
  EXPECT_LT(worstSweepError(out, 5.0, 0.1, 300), 0.01);
  // The sweep reaches both extremes, 108 and 132 samples.
  double lo = 1e9;
  double hi = -1e9;
  for (std::size_t n = 300; n < out.size(); ++n) {
    const double delay = static_cast<double>(n) - static_cast<double>(out[n]) / kRampStep;
    lo = std::min(lo, delay);
    hi = std::max(hi, delay);
  }
  EXPECT_NEAR(lo, 108.0, 0.02);
  EXPECT_NEAR(hi, 132.0, 0.02);
}

TEST(ModulatedDelay, RampFollowsFullDepthFastSweepAcrossTheRingWrap) {
  KernelState state = preparedState();
  ASSERT_TRUE(setParameter(state, "oriel.depth", 1.0));
  ASSERT_TRUE(setParameter(state, "oriel.rate", 20.0));
  // 12000 samples pass the 2402-sample ring's wrap several times.
  const std::vector<float> out = render(state, ramp(12000));
  EXPECT_LT(worstSweepError(out, 20.0, 1.0, 300), 0.01);
}

TEST(ModulatedDelay, ZeroDepthDelaysTheClippedInputByExactly120Samples) {
  KernelState state = preparedState();
  ASSERT_TRUE(setParameter(state, "oriel.depth", 0.0));
  std::vector<float> signal(3000);
  for (std::size_t n = 0; n < signal.size(); ++n)
    signal[n] = static_cast<float>(2.2 * std::sin(0.013 * n * n));
  const std::vector<float> out = render(state, signal);
  for (std::size_t n = 0; n < out.size(); ++n) {
    const float expected = n < 120 ? 0.0f : std::clamp(signal[n - 120], -1.0f, 1.0f);
    ASSERT_EQ(out[n], expected) << "sample " << n;
  }
}

TEST(ModulatedDelay, ZeroWetPassesTheInputExactly) {
  KernelState state = preparedState();
  ASSERT_TRUE(setParameter(state, "oriel.wet", 0.0));
  ASSERT_TRUE(setParameter(state, "oriel.depth", 0.7));
  std::vector<float> signal(2000);
  for (std::size_t n = 0; n < signal.size(); ++n)
    signal[n] = static_cast<float>(3.0 * std::cos(0.37 * n));
  EXPECT_EQ(render(state, signal), signal);
}

TEST(ModulatedDelay, OverRangeInputIsClippedOnlyInTheDelayLine) {
  KernelState state = preparedState();
  ASSERT_TRUE(setParameter(state, "oriel.depth", 0.0));
  ASSERT_TRUE(setParameter(state, "oriel.wet", 0.5));
  std::vector<float> signal(200, 0.0f);
  signal[10] = 1.5f;
  signal[11] = -4.0f;
  const std::vector<float> out = render(state, signal);
  EXPECT_EQ(out[10], 0.75f);   // dry half of 1.5
  EXPECT_EQ(out[11], -2.0f);   // dry half of -4
  EXPECT_EQ(out[130], 0.5f);   // wet half of the clipped 1.0
  EXPECT_EQ(out[131], -0.5f);  // wet half of the clipped -1.0
}

TEST(ModulatedDelay, NotANumberInputEntersBothPathsUnchanged) {
  KernelState state = preparedState();
  ASSERT_TRUE(setParameter(state, "oriel.depth", 0.0));
  std::vector<float> signal(200, 0.25f);
  signal[5] = std::numeric_limits<float>::quiet_NaN();
  const std::vector<float> out = render(state, signal);
  EXPECT_EQ(out[123], 0.25f);
  // At a whole-sample delay the interpolation still weighs the neighbour by 0,
  // and 0 times not-a-number stays not-a-number.
  EXPECT_TRUE(std::isnan(out[124]));
  EXPECT_TRUE(std::isnan(out[125]));
  EXPECT_EQ(out[126], 0.25f);

  ASSERT_TRUE(setParameter(state, "oriel.wet", 0.0));
  std::vector<float> dry(4, std::numeric_limits<float>::quiet_NaN());
  std::vector<float> dryOut(4, 0.0f);
  ASSERT_TRUE(process(state, blockOver(dry, dryOut, 0, 4)));
  EXPECT_TRUE(std::isnan(dryOut[0]));
}

TEST(ModulatedDelay, ProcessesOnlyTheRequestedRange) {
  KernelState state = preparedState();
  ASSERT_TRUE(setParameter(state, "oriel.wet", 0.0));
  std::vector<float> in(128, 0.5f);
  std::vector<float> out(128, -7.0f);
  ASSERT_TRUE(process(state, blockOver(in, out, 100, 28)));
  for (std::size_t i = 0; i < 128; ++i)
    EXPECT_EQ(out[i], i >= 100 ? 0.5f : -7.0f) << i;

  std::vector<float> untouched(128, -7.0f);
  ASSERT_TRUE(process(state, blockOver(in, untouched, 0, 0)));
  EXPECT_EQ(untouched, std::vector<float>(128, -7.0f));
}

TEST(ModulatedDelay, RefusesMalformedBlocksWithoutWriting) {
  KernelState state = preparedState();
  std::vector<float> in(128, 0.5f);
  std::vector<float> out(128, -7.0f);
  struct Case {
    double offset, frames;
  };
  for (const Case c : {Case{100, 29}, Case{0, 129}, Case{-1, 4}, Case{0.5, 4}, Case{0, 2.5},
                       Case{0, std::numeric_limits<double>::quiet_NaN()}}) {
    EXPECT_FALSE(process(state, blockOver(in, out, c.offset, c.frames))) << c.offset << "+" << c.frames;
  }
  KernelBlock wide = blockOver(in, out, 0, 4);
  wide.capacity = 129;  // more than the views hold
  EXPECT_FALSE(process(state, wide));
  KernelBlock stereo = blockOver(in, out, 0, 4);
  stereo.outputChannels = 2;
  EXPECT_FALSE(process(state, stereo));
  EXPECT_EQ(out, std::vector<float>(128, -7.0f));
}

TEST(ModulatedDelay, PrepareRefusesAnyOtherFormatAndLeavesTheStateUnprepared) {
  const PrepareConfig refused[] = {
      {1.0, 128.0, 1.0, 44100.0},
      {1.0, 64.0, 1.0, 48000.0},
      {2.0, 128.0, 1.0, 48000.0},
      {1.0, 128.0, 2.0, 48000.0},
      {1.0, 128.0, 1.0, std::numeric_limits<double>::infinity()},
  };
  for (const PrepareConfig& config : refused) {
    KernelState state = preparedState();
    EXPECT_FALSE(prepare(state, config));
    EXPECT_FALSE(state.prepared);
    std::vector<float> in(128, 0.5f);
    std::vector<float> out(128, -7.0f);
    EXPECT_FALSE(process(state, blockOver(in, out, 0, 128)));
    EXPECT_EQ(out, std::vector<float>(128, -7.0f));
  }
}

TEST(ModulatedDelay, ParametersAreClampedAndNonFiniteValuesIgnored) {
  KernelState state = preparedState();
  EXPECT_TRUE(setParameter(state, "oriel.rate", 0.05));
  EXPECT_EQ(state.node.rateHz, 0.1);
  EXPECT_TRUE(setParameter(state, "oriel.rate", 100.0));
  EXPECT_EQ(state.node.rateHz, 20.0);
  EXPECT_TRUE(setParameter(state, "oriel.depth", -1.0));
  EXPECT_EQ(state.node.depth, 0.0);
  EXPECT_TRUE(setParameter(state, "oriel.wet", 2.0));
  EXPECT_EQ(state.wet, 1.0);
  EXPECT_TRUE(setParameter(state, "oriel.depth", std::numeric_limits<double>::quiet_NaN()));
  EXPECT_TRUE(setParameter(state, "oriel.rate", -std::numeric_limits<double>::infinity()));
  EXPECT_EQ(state.node.depth, 0.0);
  EXPECT_EQ(state.node.rateHz, 20.0);
  EXPECT_FALSE(setParameter(state, "oriel.mix", 0.5));
  EXPECT_FALSE(setParameter(state, "oriel.rat", 0.5));
  EXPECT_FALSE(applyParameter(state, 3, 0.5));
  EXPECT_TRUE(applyParameter(state, 2, 0.25));
  EXPECT_EQ(state.wet, 0.25);
}

TEST(ModulatedDelay, ResetSilencesTheLineAndRestartsTheSweepAtTheCentre) {
  KernelState state = preparedState();
  ASSERT_TRUE(setParameter(state, "oriel.depth", 1.0));
  ASSERT_TRUE(setParameter(state, "oriel.rate", 3.0));
  render(state, std::vector<float>(5000, 0.9f));
  reset(state);
  // Parameters survive; the line is silent and the sweep starts at phase 0.
  const std::vector<float> out = render(state, ramp(4000));
  for (std::size_t n = 0; n < 100; ++n)
    ASSERT_EQ(out[n], 0.0f) << n;
  EXPECT_LT(worstSweepError(out, 3.0, 1.0, 300), 0.01);
}

TEST(ModulatedDelay, DelayJustAboveZeroAtTheRingStartReadsInsideTheRing) {
  // At write position 0 a delay of about 1e-14 samples makes r + L round to
  // L; the read must wrap to the ring's start (the fresh sample), not past it.
  KernelState state = preparedState();
  state.node.depth = 1.0 - std::ldexp(1.0, -53);
  state.node.phase = 0.75;  // sine of exactly -1
  std::vector<float> in(128, 0.5f);
  std::vector<float> out(128, 0.0f);
  ASSERT_TRUE(process(state, blockOver(in, out, 0, 1)));
  EXPECT_NEAR(out[0], 0.5f, 1e-6f);
}

}  // namespace
}  // namespace talvo::kernel
