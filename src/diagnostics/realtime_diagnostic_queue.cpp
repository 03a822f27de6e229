#include "diagnostics/realtime_diagnostic_queue.h"

namespace talvo {
namespace {

const char* messageForCode(std::uint32_t code) {
  switch (code) {
    case TALVO_DIAG_PROCESS_FAILED:
      return "audio process callback failed; output was cleared";
    case TALVO_DIAG_RATE_ADAPTER_INIT_FAILED:
      return "sample-rate adapter failed; output was cleared";
    default:
      return "runtime diagnostic observed on the audio callback";
  }
}

}  // namespace

RealtimeDiagnosticQueue::RealtimeDiagnosticQueue() {
  // Never observed: only written entries are drained.
  for (Entry& entry : entries_)
    entry = Entry{TALVO_DIAG_UNKNOWN, TALVO_SEVERITY_ERROR, TALVO_PHASE_PROCESS};
}

void RealtimeDiagnosticQueue::push(std::uint32_t code, std::uint8_t severity, std::uint8_t phase) noexcept {
  const std::uint32_t produced = producer_.load(std::memory_order_relaxed);
  const std::uint32_t consumed = consumer_.load(std::memory_order_acquire);
  if (produced - consumed >= kCapacity) {
    realtimeDropped_.fetch_add(1, std::memory_order_relaxed);
    return;
  }
  entries_[produced % kCapacity] = Entry{code, severity, phase};
  producer_.store(produced + 1, std::memory_order_release);
}

void RealtimeDiagnosticQueue::drainInto(talvo_runtime_diagnostic_ring& ring) noexcept {
  const std::uint32_t produced = producer_.load(std::memory_order_acquire);
  for (std::uint32_t index = consumer_.load(std::memory_order_relaxed); index != produced; ++index) {
    const Entry entry = entries_[index % kCapacity];
    recordRuntimeDiagnostic(ring, entry.code, entry.severity, entry.phase, messageForCode(entry.code),
                            "audio callback");
  }
  consumer_.store(produced, std::memory_order_release);

  const std::uint32_t lost = realtimeDropped_.exchange(0, std::memory_order_acq_rel);
  if (lost > 0) recordRealtimeOverflow(ring, lost);
}

bool RealtimeDiagnosticQueue::hasPending() const noexcept {
  const std::uint32_t produced = producer_.load(std::memory_order_acquire);
  const std::uint32_t consumed = consumer_.load(std::memory_order_acquire);
  return produced != consumed || realtimeDropped_.load(std::memory_order_acquire) != 0;
}

}  // namespace talvo
