#pragma once
// Carries transport facts from the audio thread to the main thread; the main
// thread only wants the newest one.
//
// One producer (audio thread: push) and one consumer (main thread:
// drainLatest). Counts are free-running 32-bit values; the slot of count c is
// c modulo 32. When full, the producer drops the oldest fact by advancing the
// read count itself, with a compare-exchange so it never undoes a drain.
//
// Because the producer may overwrite a slot the consumer is still copying (it
// laps a slow consumer by dropping), slots are stored as atomic words and the
// consumer re-checks the write count after copying, as a sequence lock does,
// retrying when the slot may have been rewritten meanwhile. The words are
// stored with release and loaded with acquire ordering: a drain that read any
// word of an overwriting push then also sees the write count published before
// that push, so its re-check cannot miss the overwrite (relaxed words would
// allow that on weakly ordered processors).
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "diagnostics/transport_fact.h"

namespace talvo {

class DiagnosticTransportRing {
 public:
  static constexpr std::uint32_t kCapacity = 32;

  DiagnosticTransportRing();
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

  static constexpr std::size_t kWords = sizeof(TransportFact) / sizeof(std::uint64_t);
  static_assert(sizeof(TransportFact) % sizeof(std::uint64_t) == 0);
  static_assert(std::atomic<std::uint64_t>::is_always_lock_free);

  void storeSlot(std::uint32_t count, const TransportFact& fact) noexcept;
  void loadSlot(std::uint32_t count, TransportFact& fact) const noexcept;

  std::atomic<std::uint64_t> slots_[kCapacity][kWords];
  std::atomic<std::uint32_t> write_{0};
  std::atomic<std::uint32_t> read_{0};
  std::atomic<std::uint32_t> dropped_{0};
};

}  // namespace talvo
