// Event intake and the kernel-facing side of scheduling: converting host
// values, republishing dirty parameters and dispatching queued events.
#include <cmath>
#include <cstdio>

#include "engine/engine_trace.h"
#include "engine/kernel_engine.h"
#include "engine/rate_math.h"
#include "kernel/kernel.h"
#include "params/params.h"

namespace talvo {

namespace {
// Kernel event kinds for notes. This kernel accepts only parameter events and
// refuses these, but the engine still offers them in order.
constexpr std::uint32_t kKernelNoteOn = 2;
constexpr std::uint32_t kKernelNoteOff = 3;
}  // namespace

bool KernelEngine::pushParamNormalized(std::uint32_t id, double normalized, int sampleOffset) noexcept {
  // NaN would become a plain value the kernel refuses forever while the
  // engine reports and saves it; the host's point is dropped instead. An
  // infinity clamps to the range's end like any value beyond it.
  if (id >= ParameterMirror::kCount || queue_.full() || std::isnan(normalized)) return false;
  EngineEvent e;
  e.kind = kEventParam;
  e.sampleOffset = sampleOffset;
  e.index = id;
  e.value = paramToPlain(TALVO_PARAMS[id], normalized);
  return queue_.push(e);
}

bool KernelEngine::pushNoteOn(int pitch, double velocity, int sampleOffset, std::uint32_t route,
                              std::uint32_t channel) noexcept {
  EngineEvent e;
  e.kind = kEventNoteOn;
  e.sampleOffset = sampleOffset;
  e.value = velocity;
  e.pitch = static_cast<std::uint32_t>(pitch);
  e.route = route;
  e.channel = channel & 15u;
  return queue_.push(e);
}

bool KernelEngine::pushNoteOff(int pitch, int sampleOffset, std::uint32_t route,
                               std::uint32_t channel) noexcept {
  EngineEvent e;
  e.kind = kEventNoteOff;
  e.sampleOffset = sampleOffset;
  e.pitch = static_cast<std::uint32_t>(pitch);
  e.route = route;
  e.channel = channel & 15u;
  return queue_.push(e);
}

bool KernelEngine::pushController(std::uint32_t controller, std::uint32_t value, int sampleOffset,
                                  std::uint32_t route, std::uint32_t channel) noexcept {
  if (controller >= 128 || value >= 128) return false;
  EngineEvent e;
  e.kind = kEventController;
  e.sampleOffset = sampleOffset;
  e.index = controller;
  e.value = static_cast<double>(value);
  e.route = route;
  e.channel = channel & 15u;
  return queue_.push(e);
}

void KernelEngine::flushParameterEvents() {
  bool copied = false;
  for (int i = 0; i < queue_.count(); ++i) {
    const EngineEvent& e = queue_[i];
    if (e.kind != kEventParam) continue;
    params_.store(e.index, e.value);
    copied = true;
  }
  if (copied) params_.markPending();
  queue_.clear();
}

void KernelEngine::flushZeroFrameBlock() noexcept {
  // The processor queues this call's changes again for the next block, but a
  // change still waiting for its kernel frame from an earlier block would
  // never reach the kernel: let republishing carry it.
  bool pendingLost = false;
  if (rateConverted_) {
    for (int i = 0; i < queue_.count(); ++i) {
      const EngineEvent& e = queue_[i];
      pendingLost = pendingLost || (e.kind == kEventParam && e.stamped);
    }
    // Placing this call's changes on the timeline puts them after the older
    // waiting ones, so the newest value wins rather than the oldest.
    stampQueuedEvents();
  } else {
    queue_.sortByOffset();
  }
  for (int i = 0; i < queue_.count(); ++i) {
    const EngineEvent& e = queue_[i];
    if (e.kind == kEventParam) params_.store(e.index, e.value);
  }
  if (pendingLost) params_.markPending();
  queue_.clear();
}

bool KernelEngine::pushProductParameter(std::uint32_t id, std::uint32_t frame, double value,
                                        const char* source) noexcept {
  const double status =
      talvo_kernel_push_event(library_, kernelHandle_, TALVO_KERNEL_EVENT_PARAMETER, frame, id, value);
  if (std::FILE* f = trace::file()) {
    std::fprintf(f, "E this=%p blk=%llu frame=%u kind=1 a=%u value=%.17g src=%s status=%g\n",
                 static_cast<void*>(this), static_cast<unsigned long long>(trace::currentBlock()), frame, id,
                 value, source, status);
  }
  params_.kernelAnswered(id, value, status == 0.0);
  return status == 0.0;
}

void KernelEngine::republishParameters() noexcept {
  params_.republish(
      [this](std::uint32_t id, double value) { (void)pushProductParameter(id, 0, value, "republish"); });
}

void KernelEngine::dispatchEvent(const EngineEvent& event, std::uint32_t frame, bool direct) noexcept {
  double status = -1.0;
  int traceKind = 0;
  switch (event.kind) {
    case kEventParam:
      if (event.index >= ParameterMirror::kCount) return;
      params_.store(event.index, event.value);
      (void)pushProductParameter(event.index, frame, event.value, "queue");
      return;
    case kEventNoteOn:
      traceKind = 2;
      status =
          talvo_kernel_push_event(library_, kernelHandle_, kKernelNoteOn, frame, event.pitch, event.value);
      break;
    case kEventNoteOff:
      traceKind = 3;
      status = talvo_kernel_push_event(library_, kernelHandle_, kKernelNoteOff, frame, event.pitch, 0.0);
      break;
    default:
      break;
  }
  // Note results are only reported in direct mode.
  if (!direct) return;
  if (std::FILE* f = trace::file()) {
    std::fprintf(f, "E this=%p blk=%llu frame=%u kind=%d a=%u value=%.17g src=queue status=%g\n",
                 static_cast<void*>(this), static_cast<unsigned long long>(trace::currentBlock()), frame,
                 traceKind, event.pitch, event.value, status);
  }
  if (event.kind != kEventController && status != 0.0) {
    recordRealtimeDiagnostic(TALVO_DIAG_EVENT_REJECTED, TALVO_SEVERITY_ERROR, TALVO_PHASE_PROCESS);
  }
}

void KernelEngine::stampQueuedEvents() noexcept {
  const std::uint64_t timeline = adapter_.hostTimeline();
  for (int i = 0; i < queue_.count(); ++i) {
    EngineEvent& e = queue_[i];
    if (e.stamped) continue;
    e.absoluteFrame = timeline + static_cast<std::uint64_t>(e.sampleOffset > 0 ? e.sampleOffset : 0);
    e.kernelFrame = kernelFrameOfHostFrame(e.absoluteFrame, hostRateNumerator_, hostRateDenominator_);
    e.stamped = true;
  }
  queue_.sortByAbsoluteFrame();
}

}  // namespace talvo
