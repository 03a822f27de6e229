#include "diagnostics/transport_ring.h"

namespace talvo {

void DiagnosticTransportRing::push(const TransportFact& fact) noexcept {
  const std::uint32_t written = write_.load(std::memory_order_relaxed);
  std::uint32_t read = read_.load(std::memory_order_acquire);
  if (written - read >= kCapacity) {
    // Drop the oldest. A drain that moved the read count meanwhile already
    // made room, so a failed exchange drops nothing.
    if (read_.compare_exchange_strong(read, read + 1, std::memory_order_acq_rel, std::memory_order_acquire)) {
      dropped_.fetch_add(1, std::memory_order_relaxed);
    }
  }
  slots_[written % kCapacity] = fact;
  write_.store(written + 1, std::memory_order_release);
}

bool DiagnosticTransportRing::drainLatest(TransportFact& out) noexcept {
  const std::uint32_t written = write_.load(std::memory_order_acquire);
  if (written == read_.load(std::memory_order_acquire)) return false;
  out = slots_[(written - 1) % kCapacity];
  read_.store(written, std::memory_order_release);
  return true;
}

}  // namespace talvo
