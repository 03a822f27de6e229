#include "ccmap/cc_feed.h"

#include <chrono>

namespace talvo {

// Every access to a slot and to the flag is sequentially consistent: record
// writes slot then flag, drain clears the flag then rescans the slots, and in
// that single order a record that the rescan misses must set the flag after
// the clear, so no record is stranded with the flag down.

void CcActivityFeed::record(int cc, int channel, int value) noexcept {
  if (cc < 0 || cc >= static_cast<int>(kControllers)) return;
  const std::uint32_t word = (static_cast<std::uint32_t>(value) & 127u) |
                             ((static_cast<std::uint32_t>(channel) & 255u) << 8) | kPendingBit;
  slots_[cc].store(word, std::memory_order_seq_cst);
  pending_.store(true, std::memory_order_seq_cst);
}

unsigned CcActivityFeed::drain(std::int64_t nowMs, CcActivityRecord* out, unsigned maxOut) noexcept {
  if (!out || maxOut == 0) return 0;
  unsigned written = 0;
  bool more = false;
  for (unsigned cc = 0; cc < kControllers; ++cc) {
    if ((slots_[cc].load(std::memory_order_seq_cst) & kPendingBit) == 0) continue;
    if (written == maxOut) {
      more = true;
      continue;
    }
    // Unsigned difference: no overflow whatever the two times are.
    const bool waited = !everEmitted_[cc] ||
                        (nowMs >= lastEmitted_[cc] &&
                         static_cast<std::uint64_t>(nowMs) - static_cast<std::uint64_t>(lastEmitted_[cc]) >=
                             static_cast<std::uint64_t>(kThrottleMs));
    if (!waited) {
      more = true;
      continue;
    }
    const std::uint32_t taken = slots_[cc].exchange(0, std::memory_order_seq_cst);
    if ((taken & kPendingBit) == 0) continue;
    out[written++] = CcActivityRecord{static_cast<std::uint8_t>(cc), static_cast<std::uint8_t>(taken >> 8),
                                      static_cast<std::uint8_t>(taken & 127u)};
    lastEmitted_[cc] = nowMs;
    everEmitted_[cc] = true;
  }
  pending_.store(more, std::memory_order_seq_cst);
  if (!more) {
    for (const auto& slot : slots_) {
      if (slot.load(std::memory_order_seq_cst) & kPendingBit) {
        pending_.store(true, std::memory_order_seq_cst);
        break;
      }
    }
  }
  return written;
}

bool CcActivityFeed::pending() const noexcept {
  return pending_.load(std::memory_order_seq_cst);
}

std::int64_t CcActivityFeed::nowMs() noexcept {
  const auto sinceEpoch = std::chrono::steady_clock::now().time_since_epoch();
  return std::chrono::duration_cast<std::chrono::nanoseconds>(sinceEpoch).count() / 1000000;
}

}  // namespace talvo
