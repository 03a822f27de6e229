#include "ccmap/cc_resolve.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "cc_test_util.h"
#include "ccmap/cc_map.h"
#include "params/params.h"
#include "support/alloc_counter.h"
#include "support/data_file.h"

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

/// The first output of one change on channel 1, applied to `params`; -1 for none.
double resolveOne(const CcMap& map, int cc, int value, CcRouterState* state, FakeParams* params) {
  CcResolution out[1];
  if (ccResolve(map, cc, 1, value, state, params ? &FakeParams::read : nullptr, params, out, 1) == 0)
    return -1;
  if (params) params->values[out[0].param] = out[0].value;
  return out[0].value;
}

CcBinding pickupOn7(std::uint32_t param) {
  return ccBinding(param, 7, kCcValueAbsolute, kCcTakeoverPickup);
}

// The rows of tests/data/ccmap/resolver.txt.
TEST(CcResolver, ValueModesAndTakeoverRulesFollowTheController) {
  for (const CaseRow& row : readCaseTable("ccmap/resolver.txt")) {
    SCOPED_TRACE(row.at(0));
    const CcMap map =
        ccMapOf({parsedBinding(row.at(1) + (row[1].empty() ? "" : ",") + R"("cc":7,"path":"oriel.depth")")});
    const CcBinding& b = map.bindings[0];
    const bool reader = row.at(2) != "-";
    FakeParams params;
    params.values[b.param] = row[2][0] == 'r' ? std::stoi(row[2].substr(1)) / 127.0
                             : reader         ? std::stod(row[2])
                                              : 0;
    CcRouterState state;
    std::istringstream steps(row.at(4));
    for (std::string step; steps >> step;) {
      if (step[0] == '@') {
        params.values[b.param] = ccApplyNormalized(b, TALVO_PARAMS[b.param], std::stoi(step.substr(1)));
        continue;
      }
      const std::string out = step.substr(step.find(':') + 1);
      const double got = resolveOne(map, 7, std::stoi(step), row.at(3) == "memory" ? &state : nullptr,
                                    reader ? &params : nullptr);
      EXPECT_DOUBLE_EQ(got, out == "-" ? -1 : ccApplyNormalized(b, TALVO_PARAMS[b.param], std::stoi(out)))
          << step;
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
}

TEST(CcResolver, BindingsKeepSeparateMemoryEvenForOneController) {
  const CcMap map = ccMapOf({pickupOn7(kParamDepth), pickupOn7(kParamWet)});
  CcRouterState state;
  FakeParams params;
  params.values[kParamDepth] = 10 / 127.0;
  params.values[kParamWet] = 1.0;
  CcResolution out[2];
  for (int value : {10, 40}) {
    ASSERT_EQ(ccResolve(map, 7, 1, value, &state, &FakeParams::read, &params, out, 2), 1u);
    EXPECT_EQ(out[0].param, kParamDepth);
  }
}

// An engaged pickup passes a far jump; fresh memory waits for the crossing.
TEST(CcResolver, PickupMemoryLastsUntilResetAnotherMapOrAnEditedMap) {
  CcMap map = ccMapOf({pickupOn7(kParamDepth)});
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
