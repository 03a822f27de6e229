#include "ccmap/cc_resolve.h"

#include <bit>
#include <cmath>

namespace talvo {
namespace {

bool sameDouble(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

bool sameBinding(const CcBinding& a, const CcBinding& b) {
  return a.param == b.param && a.cc == b.cc && a.channel == b.channel && a.curve == b.curve &&
         a.valueMode == b.valueMode && a.takeover == b.takeover && a.enabled == b.enabled &&
         a.hasMin == b.hasMin && a.hasMax == b.hasMax && sameDouble(a.min, b.min) && sameDouble(a.max, b.max);
}

// Signed step of a relative encoding; 0 means "no movement, no output".
int relativeStep(std::uint8_t mode, int v) {
  switch (mode) {
    case kCcValueRelativeSignedBit:
      if ((v & 63) == 0) return 0;
      return v > 64 ? v - 64 : -v;
    case kCcValueRelativeBinaryOffset:
      return v - 64;
    default:  // two's complement
      if ((v & 63) == 0) return 0;
      return v < 64 ? v : v - 128;
  }
}

int clampRaw(int r) {
  return r < 0 ? 0 : (r > 127 ? 127 : r);
}

struct SlotInput {
  int v = 0;
  bool hasPrevious = false;
  int previous = 0;
  bool known = false;
  double current = 0.0;
};

// Absolute mode: whether and what to output under the binding's takeover rule.
bool resolveAbsolute(const CcBinding& b, const talvo_param_desc& desc, const SlotInput& in,
                     CcRouterState* state, unsigned slot, double& result) {
  if (b.takeover == kCcTakeoverPickup && state && in.known) {
    if (!state->pickupEngaged[slot]) {
      // Leaving the parameter's position counts as catching it: the previous
      // value sat on it. Without this, a parameter last set by this very
      // controller (the stored value, with no reader) could never be caught.
      const int target = ccClosestRaw(b, desc, in.current);
      const bool crossed = in.hasPrevious && ((in.previous <= target && target < in.v) ||
                                              (in.previous >= target && target > in.v));
      if (in.v != target && !crossed) return false;
      state->pickupEngaged[slot] = true;
    }
  } else if (b.takeover == kCcTakeoverScaled && in.known) {
    if (!in.hasPrevious) return false;
    const int target = ccClosestRaw(b, desc, in.current);
    const int movement = in.v - in.previous;
    const int controllerRoom = in.v > in.previous ? 127 - in.previous : in.previous;
    if (movement == 0 || controllerRoom == 0) return false;
    const int parameterRoom = movement > 0 ? 127 - target : target;
    double raw = target + static_cast<double>(parameterRoom) / controllerRoom * movement;
    raw = raw < 0.0 ? 0.0 : (raw > 127.0 ? 127.0 : raw);
    result = ccApplyNormalized(b, desc, static_cast<int>(std::round(raw)));
    return true;
  }
  result = ccApplyNormalized(b, desc, in.v);
  return true;
}

bool resolveSlot(const CcBinding& b, const talvo_param_desc& desc, const SlotInput& in, CcRouterState* state,
                 unsigned slot, double& result) {
  switch (b.valueMode) {
    case kCcValueRelativeSignedBit:
    case kCcValueRelativeBinaryOffset:
    case kCcValueRelativeTwosComplement: {
      const int step = relativeStep(b.valueMode, in.v);
      if (step == 0) return false;
      const int from = ccClosestRaw(b, desc, in.known ? in.current : 0.0);
      result = ccApplyNormalized(b, desc, clampRaw(from + step));
      return true;
    }
    case kCcValueToggle: {
      const bool rising = in.v >= 64 && (!in.hasPrevious || in.previous < 64);
      if (!rising) return false;
      const double low = ccRangeLow(b, desc);
      const double high = ccRangeHigh(b, desc);
      const bool nearHigh = in.known && std::fabs(in.current - high) < std::fabs(in.current - low);
      result = nearHigh ? low : high;
      return true;
    }
    default:
      return resolveAbsolute(b, desc, in, state, slot, result);
  }
}

}  // namespace

void CcRouterState::reset(const CcMap* newMap) noexcept {
  map = newMap;
  for (unsigned i = 0; i < kCcMapCapacity; ++i) {
    lastRaw[i] = 0;
    hasLast[i] = false;
    pickupEngaged[i] = false;
    storedValue[i] = 0.0;
    hasStored[i] = false;
  }
  seen = newMap ? *newMap : CcMap{};
}

bool CcRouterState::belongsTo(const CcMap& other) const noexcept {
  if (map != &other || seen.count != other.count) return false;
  const unsigned n = other.count < kCcMapCapacity ? other.count : kCcMapCapacity;
  for (unsigned i = 0; i < n; ++i) {
    if (!sameBinding(seen.bindings[i], other.bindings[i])) return false;
  }
  return true;
}

unsigned ccResolve(const CcMap& map, int cc, int channel, int value, CcRouterState* state,
                   CcReadParam readParam, void* context, CcResolution* out, unsigned maxOut) noexcept {
  if (!out || maxOut == 0) return 0;
  if (state && !state->belongsTo(map)) state->reset(&map);
  const int v = clampRaw(value);
  const unsigned n = map.count < kCcMapCapacity ? map.count : kCcMapCapacity;
  unsigned written = 0;
  for (unsigned i = 0; i < n && written < maxOut; ++i) {
    const CcBinding& b = map.bindings[i];
    const talvo_param_desc* desc = paramById(b.param);
    if (!b.enabled || b.cc != cc || (b.channel != 0 && b.channel != channel) || !desc) continue;

    SlotInput in;
    in.v = v;
    if (state) {
      in.hasPrevious = state->hasLast[i];
      in.previous = state->lastRaw[i];
      state->lastRaw[i] = static_cast<std::uint8_t>(v);
      state->hasLast[i] = true;
    }
    if (readParam) {
      // A reader's answer is always taken as known; a NaN lands on 0 so that
      // it cannot steer the closest-raw search.
      const double read = readParam(context, b.param);
      in.known = true;
      in.current = read > 0.0 ? (read > 1.0 ? 1.0 : read) : 0.0;
    } else if (state && state->hasStored[i]) {
      in.known = true;
      in.current = state->storedValue[i];
    }

    double result = 0.0;
    if (!resolveSlot(b, *desc, in, state, i, result)) continue;
    out[written++] = CcResolution{b.param, result};
    if (state) {
      state->storedValue[i] = result;
      state->hasStored[i] = true;
    }
  }
  return written;
}

}  // namespace talvo
