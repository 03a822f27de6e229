#pragma once
// Hands immutable CcMap snapshots from one writer thread (the main thread) to
// one reader thread (the audio thread) without locks, and frees a replaced
// snapshot only once the reader can no longer hold it.
//
// Ownership contract:
// - Writer (one thread): publish, collect, the destructor. Only the writer
//   allocates and frees; the retired list is the writer's alone.
// - Reader (one thread), once per cycle:
//       const CcMap* map = store.acquire();   // at the start of the cycle
//       ... use *map for this cycle only ...
//       store.advanceEpoch();                 // after the last use of map
//   A snapshot replaced while the reader's epoch was e is freed only once the
//   epoch has reached e + 2, so a snapshot loaded in any cycle stays valid
//   until that cycle's advanceEpoch.
// - The store must outlive the reader's last cycle.
#include <atomic>
#include <cstdint>
#include <vector>

#include "ccmap/cc_map.h"

namespace talvo {

class CcMapStore {
 public:
  CcMapStore() = default;
  ~CcMapStore();
  CcMapStore(const CcMapStore&) = delete;
  CcMapStore& operator=(const CcMapStore&) = delete;

  // Writer thread: may allocate.
  /// Publishes a copy of `map`; false (and nothing changed) when memory ran out.
  [[nodiscard]] bool publish(const CcMap& map) noexcept;
  /// Frees retired snapshots the reader can no longer hold.
  void collect() noexcept;
  /// Snapshots replaced but not yet freed.
  [[nodiscard]] std::size_t retiredCount() const noexcept { return retired_.size(); }

  // Reader thread: no allocation, no lock, no system call.
  /// The snapshot to use for this cycle; never null.
  [[nodiscard]] const CcMap* acquire() const noexcept;
  /// Ends a cycle: the reader holds no snapshot loaded before this call.
  void advanceEpoch() noexcept;
  /// True once after each publish (or run of publishes); clears the flag.
  [[nodiscard]] bool takeChanged() noexcept;

  /// Reader epoch as last advanced (any thread; for diagnostics and tests).
  [[nodiscard]] std::uint64_t epoch() const noexcept;

 private:
  struct Retired {
    const CcMap* map;
    std::uint64_t epoch;
  };

  const CcMap initial_{};
  std::atomic<const CcMap*> current_{&initial_};
  std::atomic<std::uint64_t> readerEpoch_{0};
  std::atomic<bool> changed_{false};
  std::vector<Retired> retired_;

  static_assert(std::atomic<const CcMap*>::is_always_lock_free);
  static_assert(std::atomic<std::uint64_t>::is_always_lock_free);
  static_assert(std::atomic<bool>::is_always_lock_free);
};

}  // namespace talvo
