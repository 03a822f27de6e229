#pragma once
// Compact diagnostics from the audio thread, attached to full records later on
// the main thread.
//
// One producer (the audio thread) writes entries and `producer`; one consumer
// (the main thread) reads entries and writes `consumer`. Indices are
// free-running 32-bit counters; the slot is the index modulo 32. Entries are
// published by the release store of `producer` and released back by the
// release store of `consumer`, so no entry is read while it is written.
#include <atomic>
#include <cstdint>

#include "diagnostics/runtime_diagnostic.h"

namespace talvo {

class RealtimeDiagnosticQueue {
 public:
  static constexpr std::uint32_t kCapacity = 32;

  struct Entry {
    std::uint32_t code;
    std::uint8_t severity;
    std::uint8_t phase;
  };

  RealtimeDiagnosticQueue();
  RealtimeDiagnosticQueue(const RealtimeDiagnosticQueue&) = delete;
  RealtimeDiagnosticQueue& operator=(const RealtimeDiagnosticQueue&) = delete;

  // Audio thread: a bounds check and a store, or one relaxed increment when
  // full. Never blocks, allocates or calls the system.
  void push(std::uint32_t code, std::uint8_t severity, std::uint8_t phase) noexcept;

  // Main thread.
  /// Moves every published entry into `ring` as a full record, then turns lost
  /// entries into one overflow record.
  void drainInto(talvo_runtime_diagnostic_ring& ring) noexcept;
  /// True while entries or a lost-entry count wait for the next drain.
  [[nodiscard]] bool hasPending() const noexcept;

 private:
  static_assert(std::atomic<std::uint32_t>::is_always_lock_free);
  static_assert((kCapacity & (kCapacity - 1)) == 0, "slot arithmetic relies on a power of two");

  Entry entries_[kCapacity];
  std::atomic<std::uint32_t> producer_{0};
  std::atomic<std::uint32_t> consumer_{0};
  std::atomic<std::uint32_t> realtimeDropped_{0};
};

}  // namespace talvo
