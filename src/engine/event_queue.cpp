#include "engine/event_queue.h"

namespace talvo {

namespace {
// An entry moves before an earlier one only when that one's key is strictly
// greater, which keeps the host's order for equal keys.
template <typename Key>
void insertionSort(EngineEvent* events, int count, Key key) noexcept {
  for (int i = 1; i < count; ++i) {
    if (!(key(events[i - 1]) > key(events[i]))) continue;
    const EngineEvent moving = events[i];
    int j = i;
    while (j > 0 && key(events[j - 1]) > key(moving)) {
      events[j] = events[j - 1];
      --j;
    }
    events[j] = moving;
  }
}
}  // namespace

bool EventQueue::push(const EngineEvent& event) noexcept {
  if (full()) return false;
  EngineEvent& slot = events_[static_cast<std::size_t>(count_)];
  slot = event;
  slot.absoluteFrame = 0;
  slot.stamped = false;
  slot.dispatched = false;
  slot.kernelFrame = 0;
  ++count_;
  return true;
}

void EventQueue::sortByOffset() noexcept {
  insertionSort(events_.data(), count_, [](const EngineEvent& e) { return e.sampleOffset; });
}

void EventQueue::sortByAbsoluteFrame() noexcept {
  insertionSort(events_.data(), count_, [](const EngineEvent& e) { return e.absoluteFrame; });
}

void EventQueue::removeDispatched() noexcept {
  int kept = 0;
  for (int i = 0; i < count_; ++i) {
    if (events_[static_cast<std::size_t>(i)].dispatched) continue;
    if (kept != i) events_[static_cast<std::size_t>(kept)] = events_[static_cast<std::size_t>(i)];
    ++kept;
  }
  count_ = kept;
}

}  // namespace talvo
