#include "ccmap/cc_resolve.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

#include "cc_test_util.h"
#include "params/params.h"
#include "support/alloc_counter.h"

namespace talvo {
namespace {

using namespace test;

/// Parameter values as a host holds them; the tests apply each output to them.
struct FakeParams {
  double values[TALVO_PARAM_COUNT] = {};
  static double read(void* context, unsigned param) {
    return static_cast<FakeParams*>(context)->values[param];
  }
};

constexpr double kNoReader = -1.0;

/// The first output of one change on channel 1, applied to `params`; -1 for none.
double resolveOne(const CcMap& map, int cc, int value, CcRouterState* state, FakeParams* params) {
  CcResolution out[1];
  if (ccResolve(map, cc, 1, value, state, params ? &FakeParams::read : nullptr, params, out, 1) == 0)
    return -1;
  if (params) params->values[out[0].param] = out[0].value;
  return out[0].value;
}

CcBinding depthOn7(std::uint8_t mode = kCcValueAbsolute, std::uint8_t takeover = kCcTakeoverJump,
                   std::uint8_t curve = kCcCurveLinear) {
  return ccBinding(kParamDepth, 7, mode, takeover, curve);
}

double raw(int position) {
  return position / 127.0;
}

struct ResolverCase {
  const char* what;
  CcBinding binding;
  double start;  // the parameter before the first message; kNoReader: no reader
  bool withState;
  // "in:out" per message: `out` is the raw position along the binding of the
  // output, "-" for none; "@r" moves the parameter to raw position r.
  const char* steps;
};

TEST(CcResolver, ValueModesAndTakeoverRulesFollowTheController) {
  constexpr std::uint8_t kJump = kCcTakeoverJump, kPickup = kCcTakeoverPickup, kScaled = kCcTakeoverScaled;
  constexpr std::uint8_t kAbs = kCcValueAbsolute, kBin = kCcValueRelativeBinaryOffset,
                         kTwos = kCcValueRelativeTwosComplement, kSign = kCcValueRelativeSignedBit,
                         kToggle = kCcValueToggle;
  const ResolverCase cases[] = {
      // Relative steps start from the parameter's raw position and clamp at the ends.
      {"binary offset", depthOn7(kBin), raw(50), true, "127:113 0:49 0:0 64:-"},
      {"binary offset without reader: from the bottom, then its own output", depthOn7(kBin), kNoReader, true,
       "70:6 70:12"},
      {"twos complement", depthOn7(kTwos), raw(10), true, "127:9 1:10 63:73 64:- 0:- 65:10 65:0"},
      {"signed bit", depthOn7(kSign), raw(10), true, "65:11 1:10 70:16 5:11 64:- 0:-"},
      {"signed bit at the top", depthOn7(kSign), raw(120), true, "127:127"},
      // Along a curve a step moves one raw position, not 1/127 of the value.
      {"relative on a curve", depthOn7(kBin, kJump, kCcCurveExp), kNoReader, true, "65:1 65:2 63:1"},
      {"relative from between curve points", depthOn7(kTwos, kJump, kCcCurveExp), 0.25, false, "1:64"},
      {"toggle flips on rising edges", depthOn7(kToggle), kNoReader, true,
       "0:- 127:127 127:- 0:- 127:0 63:- 64:127"},
      {"toggle between the range ends", withRange(depthOn7(kToggle, kJump, kCcCurveExp), 0.2, 0.8), kNoReader,
       true, "127:127 0:- 100:0"},
      {"toggle without memory goes to the far end", depthOn7(kToggle), 0.9, false, "127:0"},
      {"toggle from halfway goes high", depthOn7(kToggle), 0.5, false, "127:127"},
      {"jump", depthOn7(), 0.9, true, "10:10 100:100"},
      {"pickup waits for the crossing, then follows far jumps", depthOn7(kAbs, kPickup), 0.5, true,
       "10:- 20:- 30:- 70:70 5:5 127:127"},
      {"pickup from above", depthOn7(kAbs, kPickup), 0.25, true, "100:- 40:- 20:20"},
      {"pickup on the exact position", depthOn7(kAbs, kPickup), 0.5, true, "63:63"},
      {"pickup next to it is not enough", depthOn7(kAbs, kPickup), 0.5, true, "60:- 62:- 60:-"},
      {"pickup follows a parameter moved elsewhere", depthOn7(kAbs, kPickup), 0.5, true, "10:- @5 0:0"},
      {"pickup reads a NaN as the bottom", depthOn7(kAbs, kPickup), NAN, true, "30:- 20:- 0:0"},
      {"pickup without state jumps", depthOn7(kAbs, kPickup), 0.5, false, "10:10"},
      // No reader: the value is what this binding produced last, so the
      // first message jumps and the controller then owns the value.
      {"pickup without reader", depthOn7(kAbs, kPickup), kNoReader, true, "10:10 11:11 40:40 3:3"},
      // Each move covers its share of the room left: the ends meet together.
      {"scaled upward", depthOn7(kAbs, kScaled), 0.5, true, "20:- 20:- 40:75 127:127"},
      {"scaled downward", depthOn7(kAbs, kScaled), 0.2, true, "110:- 100:23 50:12 0:0"},
      {"scaled without reader jumps", depthOn7(kAbs, kScaled), kNoReader, true, "30:30"},
  };
  for (const ResolverCase& c : cases) {
    SCOPED_TRACE(c.what);
    const CcMap map = ccMapOf({c.binding});
    const talvo_param_desc& desc = TALVO_PARAMS[c.binding.param];
    FakeParams params;
    params.values[c.binding.param] = c.start;
    CcRouterState state;
    std::istringstream steps(c.steps);
    for (std::string step; steps >> step;) {
      if (step[0] == '@') {
        params.values[c.binding.param] = ccApplyNormalized(c.binding, desc, std::stoi(step.substr(1)));
        continue;
      }
      const std::string out = step.substr(step.find(':') + 1);
      const double got = resolveOne(map, 7, std::stoi(step), c.withState ? &state : nullptr,
                                    c.start == kNoReader ? nullptr : &params);
      const double expected = out == "-" ? -1 : ccApplyNormalized(c.binding, desc, std::stoi(out));
      EXPECT_DOUBLE_EQ(got, expected) << step;
    }
  }
}

TEST(CcResolver, OnlyEnabledBindingsOnTheChannelAnswerInMapOrderUpToTheCapacity) {
  CcBinding disabled = ccBinding(kParamRate, 20);
  disabled.enabled = false;
  CcBinding channel5 = ccBinding(kParamRate, 20);
  channel5.channel = 5;
  const CcMap map = ccMapOf({ccBinding(kParamWet, 20), disabled, channel5, ccBinding(kParamRate, 21),
                             ccBinding(3, 20), ccBinding(kParamDepth, 20)});
  CcResolution out[4];
  ASSERT_EQ(ccResolve(map, 20, 1, 127, nullptr, nullptr, nullptr, out, 4), 2u);
  EXPECT_EQ(out[0].param, kParamWet);
  EXPECT_EQ(out[1].param, kParamDepth);
  ASSERT_EQ(ccResolve(map, 20, 5, 127, nullptr, nullptr, nullptr, out, 4), 3u);
  EXPECT_EQ(out[1].param, kParamRate);
  ASSERT_EQ(ccResolve(map, 20, 16, 127, nullptr, nullptr, nullptr, out, 1), 1u);  // channel 0: any
  EXPECT_EQ(out[0].param, kParamWet);
  EXPECT_EQ(ccResolve(map, 20, 1, 127, nullptr, nullptr, nullptr, nullptr, 4), 0u);
  EXPECT_EQ(ccResolve(map, 20, 1, 127, nullptr, nullptr, nullptr, out, 0), 0u);
  EXPECT_EQ(resolveOne(map, 20, 500, nullptr, nullptr), 1.0);  // values outside seven bits are clamped
  EXPECT_EQ(resolveOne(map, 20, -3, nullptr, nullptr), 0.0);
}

TEST(CcResolver, BindingsKeepSeparateMemoryEvenForOneController) {
  const CcMap map = ccMapOf({depthOn7(kCcValueAbsolute, kCcTakeoverPickup),
                             ccBinding(kParamWet, 7, kCcValueAbsolute, kCcTakeoverPickup)});
  CcRouterState state;
  FakeParams params;
  params.values[kParamDepth] = raw(10);
  params.values[kParamWet] = 1.0;
  CcResolution out[2];
  for (int value : {10, 40}) {
    ASSERT_EQ(ccResolve(map, 7, 1, value, &state, &FakeParams::read, &params, out, 2), 1u);
    EXPECT_EQ(out[0].param, kParamDepth);
  }
}

// An engaged pickup passes a far jump; fresh memory waits for the crossing.
TEST(CcResolver, PickupMemoryLastsUntilResetAnotherMapOrAnEditedMap) {
  CcMap map = ccMapOf({depthOn7(kCcValueAbsolute, kCcTakeoverPickup)});
  const CcMap other = map;  // same bindings, another address
  FakeParams params;
  CcRouterState state;
  auto engage = [&] {
    params.values[kParamDepth] = 0.5;
    ASSERT_NE(resolveOne(map, 7, 63, &state, &params), -1);
    params.values[kParamDepth] = params.values[kParamWet] = 1.0;
  };
  engage();
  EXPECT_EQ(resolveOne(map, 7, 0, &state, &params), 0.0);
  params.values[kParamDepth] = 1.0;
  state.reset(&map);
  EXPECT_EQ(resolveOne(map, 7, 10, &state, &params), -1);
  engage();
  EXPECT_EQ(resolveOne(other, 7, 0, &state, &params), -1);
  EXPECT_EQ(state.map, &other);
  engage();  // a store can hand out a new map at the address of a freed one
  map.bindings[0].param = kParamWet;
  EXPECT_EQ(resolveOne(map, 7, 0, &state, &params), -1);
}

TEST(CcResolver, ResolvingAllocatesNothing) {
  CcMap map;
  for (std::uint8_t mode : {kCcValueAbsolute, kCcValueRelativeSignedBit, kCcValueRelativeBinaryOffset,
                            kCcValueRelativeTwosComplement, kCcValueToggle}) {
    for (std::uint8_t takeover : {kCcTakeoverJump, kCcTakeoverPickup, kCcTakeoverScaled}) {
      map.bindings[map.count] = ccBinding(map.count % 3, 30, mode, takeover);
      ++map.count;
    }
  }
  CcRouterState state;
  FakeParams params;
  CcResolution out[kCcMapCapacity];
  const CcMap other = map;
  test::AllocationCounter counter;
  for (int v = 0; v < 128; v += 7) {
    (void)ccResolve(map, 30, 1, v, &state, &FakeParams::read, &params, out, kCcMapCapacity);
    (void)ccResolve(map, 30, 1, 127 - v, &state, nullptr, nullptr, out, kCcMapCapacity);
  }
  (void)ccResolve(other, 30, 1, 64, &state, nullptr, nullptr, out, kCcMapCapacity);  // forces a reset
  EXPECT_EQ(counter.count(), 0u);
}

}  // namespace
}  // namespace talvo
