#pragma once
// The engine's timed event queue: a fixed array filled on the audio thread
// during the process callback and consumed by the render loop.
#include <array>
#include <cstdint>

namespace talvo {

enum : std::uint32_t {
  kEventParam = 0,
  kEventNoteOn = 1,
  kEventNoteOff = 2,
  kEventController = 3,
};

/// One queued event. `absoluteFrame`/`stamped` place it on the host timeline
/// in rate-converted mode; `kernelFrame` and `dispatched` are the render
/// loop's bookkeeping for events that wait for later blocks.
struct EngineEvent {
  std::uint32_t kind = 0;
  std::int32_t sampleOffset = 0;
  std::uint32_t index = 0;
  double value = 0.0;
  std::uint32_t pitch = 0;
  std::uint32_t route = 0;
  std::uint32_t channel = 0;
  std::uint64_t absoluteFrame = 0;
  bool stamped = false;
  bool dispatched = false;
  std::uint64_t kernelFrame = 0;
};

// Audio thread only. Nothing allocates: the storage is part of the engine.
class EventQueue {
 public:
  static constexpr int kCapacity = 2048;

  /// Appends a complete entry (unstamped, undispatched); false when full.
  bool push(const EngineEvent& event) noexcept;
  void clear() noexcept { count_ = 0; }
  [[nodiscard]] int count() const noexcept { return count_; }
  [[nodiscard]] bool full() const noexcept { return count_ >= kCapacity; }
  [[nodiscard]] EngineEvent& operator[](int i) noexcept { return events_[static_cast<std::size_t>(i)]; }
  [[nodiscard]] const EngineEvent& operator[](int i) const noexcept {
    return events_[static_cast<std::size_t>(i)];
  }

  /// Stable insertion sort by sample offset: equal offsets keep push order.
  void sortByOffset() noexcept;
  /// Stable insertion sort by absolute host frame.
  void sortByAbsoluteFrame() noexcept;
  /// Drops dispatched entries, keeping the rest in order.
  void removeDispatched() noexcept;

 private:
  std::array<EngineEvent, kCapacity> events_{};
  std::int32_t count_ = 0;
};

}  // namespace talvo
