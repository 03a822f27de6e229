#pragma once
// Carries observed controller changes from the audio thread to the main
// thread, keeping only the latest value per controller number and letting each
// number through at most once per 33 ms for display.
//
// Ownership contract: one recording thread (the audio thread) calls record;
// one draining thread (the main thread) calls drain. A pending record is one
// 32-bit word per controller number, written whole and taken whole, so a
// drained record never mixes two recordings.
#include <atomic>
#include <cstdint>

#include "ccmap/cc_map.h"

namespace talvo {

class CcActivityFeed {
 public:
  static constexpr unsigned kControllers = 128;
  static constexpr std::int64_t kThrottleMs = 33;

  // Audio thread: one word and one flag, no allocation, no lock.
  /// Notes the latest value of controller `cc` (0..127; others are ignored).
  void record(int cc, int channel, int value) noexcept;

  // Main thread.
  /// Takes up to `maxOut` pending records in controller order; returns the count.
  unsigned drain(std::int64_t nowMs, CcActivityRecord* out, unsigned maxOut) noexcept;
  /// True while some controller may hold a record not yet drained.
  [[nodiscard]] bool pending() const noexcept;

  /// The steady clock in whole milliseconds.
  [[nodiscard]] static std::int64_t nowMs() noexcept;

 private:
  static constexpr std::uint32_t kPendingBit = 0x10000;

  std::atomic<std::uint32_t> slots_[kControllers] = {};
  std::atomic<bool> pending_{false};
  // Drain side only. A number never emitted lets its first record through at
  // any time, whatever the clock's origin.
  std::int64_t lastEmitted_[kControllers] = {};
  bool everEmitted_[kControllers] = {};

  static_assert(std::atomic<std::uint32_t>::is_always_lock_free);
  static_assert(std::atomic<bool>::is_always_lock_free);
};

}  // namespace talvo
