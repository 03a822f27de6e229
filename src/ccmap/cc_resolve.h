#pragma once
// Turns one incoming control change into normalized parameter values, using
// every field of the matching bindings: curve, target range, value mode and
// takeover. The resolver never touches parameters; it says what they should
// become. Audio thread: no allocation, no lock; a router state belongs to one
// thread.
#include <cstdint>

#include "ccmap/cc_map.h"
#include "params/params.h"

namespace talvo {

/// Per-binding memory between calls, indexed by the binding's slot in the map.
struct CcRouterState {
  const CcMap* map = nullptr;
  std::uint8_t lastRaw[kCcMapCapacity] = {};
  bool hasLast[kCcMapCapacity] = {};
  bool pickupEngaged[kCcMapCapacity] = {};
  double storedValue[kCcMapCapacity] = {};
  bool hasStored[kCcMapCapacity] = {};
  // The bindings as they were when the memory was made. A map edited in place,
  // or a new snapshot allocated where a freed one lived, has the same address
  // but other bindings; the memory must not carry over to them.
  CcMap seen{};

  /// Binds the state to `map` (may be null) and forgets every slot.
  void reset(const CcMap* map) noexcept;
  /// True when `map` is the map this memory was made for, address and bindings.
  [[nodiscard]] bool belongsTo(const CcMap& map) const noexcept;
};

/// One resolver output.
struct CcResolution {
  std::uint32_t param = 0;
  double value = 0.0;
};

/// Reads a parameter's current normalized value (audio-thread data only).
using CcReadParam = double (*)(void* context, unsigned param);

/// The normalized value `binding` assigns to the 7-bit value `raw` (clamped).
[[nodiscard]] double ccApplyNormalized(const CcBinding& binding, const talvo_param_desc& desc,
                                       int raw) noexcept;

/// Normalized ends of the binding's target range; the curve plays no part.
[[nodiscard]] double ccRangeLow(const CcBinding& binding, const talvo_param_desc& desc) noexcept;
[[nodiscard]] double ccRangeHigh(const CcBinding& binding, const talvo_param_desc& desc) noexcept;

/// The raw value 0..127 whose ccApplyNormalized result lies nearest `target`;
/// the smaller raw value wins a tie.
[[nodiscard]] int ccClosestRaw(const CcBinding& binding, const talvo_param_desc& desc,
                               double target) noexcept;

/// Resolves one control change; `channel` is 1..16. `state` and `readParam`
/// may be null. Writes at most `maxOut` outputs in map order, returns how many.
unsigned ccResolve(const CcMap& map, int cc, int channel, int value, CcRouterState* state,
                   CcReadParam readParam, void* context, CcResolution* out, unsigned maxOut) noexcept;

}  // namespace talvo
