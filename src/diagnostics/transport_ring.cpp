#include "diagnostics/transport_ring.h"

#include <cstring>

namespace talvo {

DiagnosticTransportRing::DiagnosticTransportRing() {
  for (std::uint32_t slot = 0; slot < kCapacity; ++slot)
    storeSlot(slot, TransportFact{});
}

void DiagnosticTransportRing::storeSlot(std::uint32_t count, const TransportFact& fact) noexcept {
  std::uint64_t words[kWords];
  std::memcpy(words, &fact, sizeof words);
  std::atomic<std::uint64_t>* slot = slots_[count % kCapacity];
  for (std::size_t i = 0; i < kWords; ++i)
    slot[i].store(words[i], std::memory_order_release);
}

void DiagnosticTransportRing::loadSlot(std::uint32_t count, TransportFact& fact) const noexcept {
  std::uint64_t words[kWords];
  const std::atomic<std::uint64_t>* slot = slots_[count % kCapacity];
  for (std::size_t i = 0; i < kWords; ++i)
    words[i] = slot[i].load(std::memory_order_acquire);
  std::memcpy(&fact, words, sizeof words);
}

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
  storeSlot(written, fact);
  write_.store(written + 1, std::memory_order_release);
}

bool DiagnosticTransportRing::drainLatest(TransportFact& out) noexcept {
  for (;;) {
    const std::uint32_t written = write_.load(std::memory_order_acquire);
    if (written == read_.load(std::memory_order_acquire)) return false;
    TransportFact copy;
    loadSlot(written - 1, copy);
    // The slot of count written - 1 is rewritten by the push of count
    // written + 31, which starts only after count written + 31 is published.
    if (write_.load(std::memory_order_relaxed) - written >= kCapacity - 1) continue;
    out = copy;
    read_.store(written, std::memory_order_release);
    return true;
  }
}

}  // namespace talvo
