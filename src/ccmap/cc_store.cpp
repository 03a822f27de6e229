#include "ccmap/cc_store.h"

#include <new>

namespace talvo {

// Orderings: the exchange in publish, the writer's epoch loads, the reader's
// epoch advance and its load of `current` are all sequentially consistent.
// Acquire/release alone would let the reader's next load miss an exchange
// that the writer has already dated with the older epoch; in the single total
// order, a cycle that starts after the epoch the writer read always sees the
// new snapshot. On common hardware these cost the same as acquire/release.

CcMapStore::~CcMapStore() {
  for (const Retired& r : retired_)
    delete r.map;
  const CcMap* last = current_.load(std::memory_order_seq_cst);
  if (last != &initial_) delete last;
}

bool CcMapStore::publish(const CcMap& map) noexcept {
  CcMap* copy = new (std::nothrow) CcMap(map);
  if (!copy) return false;
  // Make room before the exchange, so nothing can fail once the snapshot is
  // out. The list grows by doubling: while the reader is stalled it keeps
  // growing, and room for one more each time would copy it on every publish.
  try {
    if (retired_.size() == retired_.capacity()) retired_.reserve(retired_.empty() ? 8 : retired_.size() * 2);
  } catch (...) {
    delete copy;
    return false;
  }
  const CcMap* old = current_.exchange(copy, std::memory_order_seq_cst);
  if (old != &initial_) retired_.push_back({old, readerEpoch_.load(std::memory_order_seq_cst)});
  collect();
  changed_.store(true, std::memory_order_seq_cst);
  return true;
}

void CcMapStore::collect() noexcept {
  const std::uint64_t now = readerEpoch_.load(std::memory_order_seq_cst);
  std::size_t kept = 0;
  for (std::size_t i = 0; i < retired_.size(); ++i) {
    if (retired_[i].epoch + 2 > now) {
      retired_[kept++] = retired_[i];
    } else {
      delete retired_[i].map;
    }
  }
  retired_.erase(retired_.begin() + static_cast<std::ptrdiff_t>(kept), retired_.end());
}

const CcMap* CcMapStore::acquire() const noexcept {
  return current_.load(std::memory_order_seq_cst);
}

void CcMapStore::advanceEpoch() noexcept {
  readerEpoch_.fetch_add(1, std::memory_order_seq_cst);
}

bool CcMapStore::takeChanged() noexcept {
  return changed_.exchange(false, std::memory_order_seq_cst);
}

std::uint64_t CcMapStore::epoch() const noexcept {
  return readerEpoch_.load(std::memory_order_seq_cst);
}

}  // namespace talvo
