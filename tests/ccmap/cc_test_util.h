#pragma once
// Small builders shared by the CC library tests.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "ccmap/cc_map.h"
#include "ccmap/cc_resolve.h"
#include "params/params.h"

namespace talvo::test {

inline CcBinding ccBinding(std::uint32_t param, std::uint8_t cc, std::uint8_t valueMode = kCcValueAbsolute,
                           std::uint8_t takeover = kCcTakeoverJump, std::uint8_t curve = kCcCurveLinear) {
  CcBinding b;
  b.param = param;
  b.cc = cc;
  b.valueMode = valueMode;
  b.takeover = takeover;
  b.curve = curve;
  return b;
}

inline CcBinding withRange(CcBinding b, double min, double max) {
  b.hasMin = b.hasMax = true;
  b.min = min;
  b.max = max;
  return b;
}

inline CcMap ccMapOf(std::initializer_list<CcBinding> bindings) {
  CcMap map;
  for (const CcBinding& b : bindings)
    map.bindings[map.count++] = b;
  return map;
}

/// Parameter values the resolver reads back, as a host would hold them.
struct FakeParams {
  double values[TALVO_PARAM_COUNT] = {0.0, 0.0, 0.0};
  static double read(void* context, unsigned param) {
    return static_cast<FakeParams*>(context)->values[param];
  }
};

constexpr double kNone = -1.0;  // resolveOne: nothing produced

/// Depth (0..1, linear) at a raw controller position.
inline double rawToDepth(int raw) {
  return raw / 127.0;
}

/// Resolves one change and returns the first output's value, or kNone. The
/// output is written back to `params`, as the host would apply it.
inline double resolveOne(const CcMap& map, int cc, int value, CcRouterState* state,
                         FakeParams* params = nullptr, int channel = 1) {
  CcResolution out[4];
  if (ccResolve(map, cc, channel, value, state, params ? &FakeParams::read : nullptr, params, out, 4) == 0)
    return kNone;
  if (params) params->values[out[0].param] = out[0].value;
  return out[0].value;
}

/// A controller message and the raw position (on a linear 0..1 binding) it
/// should produce; kNoRaw: nothing, kAnyRaw: anything.
struct CcStep {
  int value;
  int raw;
};
constexpr int kNoRaw = -1;
constexpr int kAnyRaw = -2;

inline void expectSteps(const CcMap& map, const std::vector<CcStep>& steps, CcRouterState* state,
                        FakeParams* params) {
  for (const CcStep& s : steps) {
    const double got = resolveOne(map, map.bindings[0].cc, s.value, state, params);
    if (s.raw == kAnyRaw)
      EXPECT_NE(got, kNone) << "value " << s.value;
    else
      EXPECT_DOUBLE_EQ(got, s.raw == kNoRaw ? kNone : rawToDepth(s.raw)) << "value " << s.value;
  }
}

}  // namespace talvo::test
