// Block rendering: direct chunks at the host rate, or the rate-converted path
// through the adapter.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/engine_trace.h"
#include "engine/kernel_engine.h"
#include "kernel/kernel.h"

namespace talvo {

namespace {
const float* firstInput(const float* const* inputs, int inputChannels) noexcept {
  return inputs && inputChannels >= 1 ? inputs[0] : nullptr;
}

bool anyNonZero(float* const* outputs, int outputChannels, int frames) noexcept {
  for (int ch = 0; ch < outputChannels; ++ch) {
    const float* out = outputs[ch];
    if (!out) continue;
    for (int i = 0; i < frames; ++i) {
      if (out[i] != 0.0f) return true;
    }
  }
  return false;
}
}  // namespace

void KernelEngine::clearOutputs(float* const* outputs, int outputChannels, int frames) noexcept {
  if (!outputs || outputChannels < 1 || frames < 1) return;
  for (int ch = 0; ch < outputChannels; ++ch) {
    if (outputs[ch]) std::memset(outputs[ch], 0, static_cast<std::size_t>(frames) * sizeof(float));
  }
}

void KernelEngine::failBlock(float* const* outputs, int outputChannels, int frames, std::uint32_t code,
                             std::uint8_t severity) noexcept {
  clearOutputs(outputs, outputChannels, frames);
  queue_.clear();
  blockFailed_ = true;
  outputSilent_ = true;
  recordRealtimeDiagnostic(code, severity, TALVO_PHASE_PROCESS);
}

void KernelEngine::processBlock(const float* const* inputs, int inputChannels, const float* const* /*extra*/,
                                int /*extraChannels*/, float* const* outputs, int outputChannels,
                                int frames) noexcept {
  processBlock(inputs, inputChannels, outputs, outputChannels, frames);
}

void KernelEngine::processBlock(const float* const* inputs, int inputChannels, float* const* outputs,
                                int outputChannels, int frames) noexcept {
  // A trapped kernel library refuses every call until the next setup: the
  // host gets silence and a report instead of a dead process.
  if (!ready_ || trapped_.load(std::memory_order_acquire)) {
    failBlock(outputs, outputChannels, frames, TALVO_DIAG_PROCESS_FAILED, TALVO_SEVERITY_FATAL);
    return;
  }
  blockFailed_ = false;
  outputSilent_ = false;
  if (frames < 1) {
    flushZeroFrameBlock();
    return;
  }
  if (outputChannels < 1 || !outputs || frames > maxBlockFrames_ || kernelHandle_ == 0 || !kernelInput_ ||
      !kernelOutput_) {
    failBlock(outputs, outputChannels, frames, TALVO_DIAG_PROCESS_FAILED, TALVO_SEVERITY_ERROR);
    return;
  }
  if (rateConverted_ && hostRate_ != kKernelRate) {
    if (rateAdapterFailed_ ||
        !processHandleV2RateConverted(inputs, inputChannels, outputs, outputChannels, frames)) {
      if (!rateAdapterFailed_) {
        adapter_.reset();
        rateAdapterFailed_ = true;
      }
      failBlock(outputs, outputChannels, frames, TALVO_DIAG_RATE_ADAPTER_INIT_FAILED, TALVO_SEVERITY_ERROR);
    }
    return;
  }
  renderDirect(inputs, inputChannels, outputs, outputChannels, frames);
}

void KernelEngine::renderDirect(const float* const* inputs, int inputChannels, float* const* outputs,
                                int outputChannels, int frames) noexcept {
  queue_.sortByOffset();
  params_.holdBackQueued(queue_, [](const EngineEvent& e) { return e.sampleOffset == 0; });
  const float* in = firstInput(inputs, inputChannels);
  std::FILE* traceFile = trace::file();
  int next = 0;  // first queued event not yet dispatched or skipped
  for (int start = 0; start < frames; start += kKernelBlockFrames) {
    const int n = std::min(frames - start, kKernelBlockFrames);
    if (traceFile) {
      if (start == 0) (void)trace::nextBlock();
      std::fprintf(traceFile, "B this=%p blk=%llu off=%d chunk=%d frames=%d events=%d\n",
                   static_cast<void*>(this), static_cast<unsigned long long>(trace::currentBlock()), start, n,
                   frames, queue_.count());
    }
    republishParameters();
    // The queue is sorted by offset, so this chunk's events are contiguous;
    // negative offsets are passed over and never reach the kernel.
    while (next < queue_.count() && queue_[next].sampleOffset < start)
      ++next;
    while (next < queue_.count() && queue_[next].sampleOffset < start + n) {
      dispatchEvent(queue_[next], static_cast<std::uint32_t>(queue_[next].sampleOffset - start), true);
      ++next;
    }
    if (traceFile) std::fflush(traceFile);

    if (in) {
      std::memcpy(kernelInput_, in + start, static_cast<std::size_t>(n) * sizeof(float));
    } else {
      std::memset(kernelInput_, 0, static_cast<std::size_t>(n) * sizeof(float));
    }
    const bool rendered = talvo_kernel_process(library_, kernelHandle_, static_cast<std::uint32_t>(n)) == 0.0;
    if (!rendered) {
      blockFailed_ = true;
      recordRealtimeDiagnostic(TALVO_DIAG_PROCESS_FAILED, TALVO_SEVERITY_ERROR, TALVO_PHASE_PROCESS);
    }
    for (int ch = 0; ch < outputChannels; ++ch) {
      float* out = outputs[ch];
      if (!out) continue;
      if (rendered) {
        std::memcpy(out + start, kernelOutput_, static_cast<std::size_t>(n) * sizeof(float));
      } else {
        std::memset(out + start, 0, static_cast<std::size_t>(n) * sizeof(float));
      }
    }
  }
  // Events outside [0, frames) are dropped with the rest of the queue.
  queue_.clear();
  outputSilent_ = !anyNonZero(outputs, outputChannels, frames);
}

bool KernelEngine::processHandleV2RateConverted(const float* const* inputs, int inputChannels,
                                                float* const* outputs, int outputChannels,
                                                int frames) noexcept {
  if (frames < 1 || outputChannels < 1 || !outputs || frames > maxBlockFrames_ || kernelHandle_ == 0 ||
      !kernelInput_ || !kernelOutput_) {
    return false;
  }
  stampQueuedEvents();
  params_.holdBackQueued(queue_, [](const EngineEvent& e) { return e.kernelFrame == 0; });

  adapter_.trimInput();
  adapter_.trimOutput();
  // Only the first input channel feeds the mono kernel; the second is never read.
  if (!adapter_.appendInput(firstInput(inputs, inputChannels), frames)) return false;
  const std::uint64_t produced = adapter_.convertToKernel();

  bool failed = false;
  int next = 0;
  for (std::uint64_t c = 0; c < produced; c += kKernelBlockFrames) {
    const std::uint32_t n =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(produced - c, kKernelBlockFrames));
    const std::uint64_t chunkStart = adapter_.kernelOutPos();
    std::memcpy(kernelInput_, adapter_.kernelScratch() + c, n * sizeof(float));
    republishParameters();
    // Sorted by host frame, hence by kernel frame: due events form a prefix.
    // Late ones (before this chunk) go at its frame 0.
    while (next < queue_.count() && queue_[next].kernelFrame < chunkStart + n) {
      EngineEvent& e = queue_[next];
      const std::uint64_t at = std::max(e.kernelFrame, chunkStart) - chunkStart;
      dispatchEvent(e, static_cast<std::uint32_t>(at), false);
      e.dispatched = true;
      ++next;
    }
    if (talvo_kernel_process(library_, kernelHandle_, n) == 0.0) {
      if (!adapter_.appendKernelOutput(kernelOutput_, n)) return false;
    } else {
      failed = true;
    }
    adapter_.advanceKernelOutput(n);
  }
  if (failed) return false;

  adapter_.advanceTimeline(frames);
  const bool audible = adapter_.renderOutput(outputs, outputChannels, frames);
  queue_.removeDispatched();
  outputSilent_ = !audible;
  return true;
}

}  // namespace talvo
