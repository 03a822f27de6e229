#pragma once
// The engine's parameter values and the kernel's copy of them. Values are
// written by state restore on the main thread and by event dispatch on the
// audio thread: relaxed atomics keep that well-defined, and the pending flag
// orders it. A republish sends the kernel every value that differs from its
// copy; the render paths call it at each kernel chunk.
#include <atomic>
#include <cstdint>

#include "engine/event_queue.h"
#include "params/params.h"

namespace talvo {

class ParameterMirror {
 public:
  static constexpr std::uint32_t kCount = TALVO_PARAM_COUNT;

  /// Values at the table's defaults, a republish pending; the kernel copy is
  /// zero until a kernel exists.
  ParameterMirror() noexcept;

  // ---- Main thread (state restore, reset). ----

  /// Values back to the table's defaults; a republish pending.
  void resetValues() noexcept;
  /// A restored plain value, for the next republish; ignored for an id that
  /// is no parameter.
  void set(std::uint32_t id, double plain) noexcept;

  // ---- Any thread that does not race setup. ----

  /// The plain value of `id`; 0 for an id that is no parameter.
  [[nodiscard]] double value(std::uint32_t id) const noexcept;
  [[nodiscard]] double normalized(std::uint32_t id) const noexcept;
  /// The value the kernel is known to hold; 0 for an id that is no parameter.
  [[nodiscard]] double kernelValue(std::uint32_t id) const noexcept;

  // ---- Audio thread, or setup while the audio thread cannot run. ----

  /// A new or reset kernel holds the table's defaults.
  void resetKernelCopy() noexcept;
  void markPending() noexcept { pending_.store(true, std::memory_order_release); }
  /// A queued change taken as the current value; it reaches the kernel by its
  /// own event, so no republish is scheduled.
  void store(std::uint32_t id, double plain) noexcept;
  /// The kernel's answer to `value` for `id`: a refusal schedules a republish.
  void kernelAnswered(std::uint32_t id, double value, bool accepted) noexcept;

  /// Before a block's first chunk: the parameters with a queued change at
  /// its first frame (`atFirstFrame(event)`), which the first republish
  /// leaves to the queue.
  template <typename AtFirstFrame>
  void holdBackQueued(const EventQueue& queue, AtFirstFrame atFirstFrame) noexcept {
    heldBack_ = 0;
    for (int i = 0; i < queue.count(); ++i) {
      const EngineEvent& e = queue[i];
      if (e.kind == kEventParam && e.index < kCount && atFirstFrame(e)) heldBack_ |= 1u << e.index;
    }
  }

  /// When a republish is pending, calls `send(id, value)` for every value
  /// that differs from the kernel's copy, except those held back. Only the
  /// block's first republish holds any back: a later one (after a refusal)
  /// sends every latest value.
  template <typename Send>
  void republish(Send send) noexcept {
    const std::uint32_t heldBack = heldBack_;
    heldBack_ = 0;
    if (!pending_.exchange(false, std::memory_order_acq_rel)) return;
    for (std::uint32_t id = 0; id < kCount; ++id) {
      if (heldBack & (1u << id)) continue;
      const double v = values_[id].load(std::memory_order_relaxed);
      if (v != kernel_[id]) send(id, v);
    }
  }

 private:
  static_assert(kCount <= 32, "held-back parameters are one bit each");
  static_assert(std::atomic<double>::is_always_lock_free);

  std::atomic<double> values_[kCount];
  double kernel_[kCount] = {};
  std::atomic<bool> pending_{true};
  std::uint32_t heldBack_ = 0;
};

}  // namespace talvo
