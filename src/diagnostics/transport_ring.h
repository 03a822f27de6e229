#pragma once
// Carries transport facts from the audio thread to the main thread; the main
// thread only wants the newest one.
//
// One producer (audio thread: push) and one consumer (main thread:
// drainLatest). Counts are free-running 32-bit values; the slot of count c is
// c modulo 32. When full, the producer drops the oldest fact by advancing the
// read count itself, with a compare-exchange so it never undoes a drain.
#include <atomic>
#include <cstdint>

#include "diagnostics/transport_fact.h"

namespace talvo {

class DiagnosticTransportRing {
 public:
  static constexpr std::uint32_t kCapacity = 32;

  DiagnosticTransportRing() = default;
  DiagnosticTransportRing(const DiagnosticTransportRing&) = delete;
  DiagnosticTransportRing& operator=(const DiagnosticTransportRing&) = delete;

  // Audio thread: copies and atomic stores only.
  void push(const TransportFact& fact) noexcept;

  // Main thread.
  /// Copies the newest fact and skips the older ones; false (out untouched)
  /// when nothing arrived since the last drain.
  bool drainLatest(TransportFact& out) noexcept;
  [[nodiscard]] std::uint32_t dropped() const noexcept { return dropped_.load(std::memory_order_relaxed); }

 private:
  static_assert(std::atomic<std::uint32_t>::is_always_lock_free);
  static_assert((kCapacity & (kCapacity - 1)) == 0, "slot arithmetic relies on a power of two");

  TransportFact slots_[kCapacity];
  std::atomic<std::uint32_t> write_{0};
  std::atomic<std::uint32_t> read_{0};
  std::atomic<std::uint32_t> dropped_{0};
};

}  // namespace talvo
