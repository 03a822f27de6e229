#include "engine/kernel_engine.h"

#include <cmath>
#include <cstdio>
#include <numeric>

#include "engine/engine_trace.h"
#include "kernel/kernel.h"

namespace talvo {

namespace {
constexpr std::uint64_t kMicro = 1000000;

// Host rate as an exact fraction of whole micro-hertz; false when the rate
// cannot be represented that way.
bool exactRate(double sampleRate, std::uint64_t& numerator, std::uint64_t& denominator) {
  if (!std::isfinite(sampleRate) || sampleRate > 4000000.0 || sampleRate < 0.000001) return false;
  const double micro = std::round(sampleRate * 1000000.0);
  if (!(micro >= 1.0 && micro < 18446744073709551616.0)) return false;
  const std::uint64_t m = static_cast<std::uint64_t>(micro);
  const std::uint64_t g = std::gcd(m, kMicro);
  numerator = m / g;
  denominator = kMicro / g;
  return std::isfinite(static_cast<double>(numerator) / static_cast<double>(denominator));
}
}  // namespace

KernelEngine::KernelEngine() = default;

KernelEngine::~KernelEngine() {
  if (library_) {
    if (kernelHandle_ != 0) (void)talvo_kernel_destroy(library_, kernelHandle_);
    reportTrap();
    talvo_kernel_library_destroy(library_);
  }
}

void KernelEngine::panicSink(void* context, const char* /*message*/, std::size_t /*length*/,
                             const void* /*codeAddress*/) {
  // May run on the audio thread: only raise the flag here. The library keeps
  // the message, and the main thread writes it out (reportTrap).
  static_cast<KernelEngine*>(context)->trapped_.store(true, std::memory_order_release);
}

void KernelEngine::reportTrap() {
  if (!trapped_.load(std::memory_order_acquire) || trapReported_ || !library_) return;
  trapReported_ = true;
  const char* message = nullptr;
  std::size_t length = 0;
  talvo_kernel_last_trap(library_, &message, &length);
  std::fprintf(stderr, "talvo-plugin-shell: rivet trap: %.*s\n", static_cast<int>(length),
               message ? message : "");
}

bool KernelEngine::kernelTrapped() const {
  return trapped_.load(std::memory_order_acquire);
}

bool KernelEngine::ensureLibrary() {
  if (library_ && !talvo_kernel_poisoned(library_) && !trapped_.load(std::memory_order_acquire)) return true;
  if (library_) {
    // A trapped library cannot be revived; its instance went with it.
    reportTrap();
    talvo_kernel_library_destroy(library_);
    library_ = nullptr;
    kernelHandle_ = 0;
  }
  trapped_.store(false, std::memory_order_release);
  trapReported_ = false;
  library_ = talvo_kernel_library_create();
  if (!library_) return false;
  talvo_kernel_set_panic_sink(library_, &KernelEngine::panicSink, this);
  talvo_kernel_runtime_init(library_);
  talvo_kernel_use_reference_loop(library_, referenceLoops_ ? 1 : 0);
  return true;
}

bool KernelEngine::setup(double sampleRate, int maxBlockFrames) {
  ready_ = false;
  blockFailed_ = false;
  outputSilent_ = true;

  std::uint64_t numerator = 0, denominator = 0;
  const bool blockOk = ((static_cast<std::uint32_t>(maxBlockFrames) - 1u) >> 14) == 0;
  if (!exactRate(sampleRate, numerator, denominator) || !blockOk) {
    recordDiagnostic(TALVO_DIAG_INVALID_CONFIGURATION, TALVO_SEVERITY_ERROR, TALVO_PHASE_CONFIGURE,
                     "host processing configuration is invalid", nullptr);
    std::fprintf(stderr, "talvo-plugin-shell: rejected host format (sampleRate=%.9g, maxBlockFrames=%d)\n",
                 sampleRate, maxBlockFrames);
    if (maxBlockFrames > kMaxHostBlockFrames) {
      std::fprintf(stderr,
                   "talvo-plugin-shell: maxBlockFrames exceeds the %d-frame ceiling; render long fixtures as "
                   "a LOOP of <=%d-frame blocks rather than declaring the whole fixture as one block\n",
                   kMaxHostBlockFrames, kMaxHostBlockFrames);
    }
    return false;
  }

  hostRateNumerator_ = numerator;
  hostRateDenominator_ = denominator;
  hostRate_ = static_cast<double>(numerator) / static_cast<double>(denominator);
  maxBlockFrames_ = maxBlockFrames;

  const std::uint64_t capacity = RateAdapter::capacityFor(numerator, denominator, maxBlockFrames);
  if (capacity >= RateAdapter::kCapacityLimit) {
    recordDiagnostic(TALVO_DIAG_INVALID_CONFIGURATION, TALVO_SEVERITY_ERROR, TALVO_PHASE_CONFIGURE,
                     "host rate requires unsupported SRC FIFO capacity", nullptr);
    return false;
  }
  adapter_.configure(numerator, denominator, capacity);

  rateAdapterFailed_ = false;
  rateConverted_ = false;
  queue_.clear();
  params_.markPending();
  sampler_.resetVelocityNoise();

  std::FILE* traceFile = trace::file();
  const bool haveLibrary = ensureLibrary();
  if (haveLibrary && kernelHandle_ != 0) (void)talvo_kernel_destroy(library_, kernelHandle_);
  kernelHandle_ = 0;
  kernelInput_ = kernelOutput_ = nullptr;
  kernelInputLength_ = kernelOutputLength_ = 0;
  kernelRate_ = hostRate_;
  if (haveLibrary) {
    kernelHandle_ =
        static_cast<std::uint32_t>(talvo_kernel_create(library_, kKernelBlockFrames, 1, 1, hostRate_));
    if (kernelHandle_ == 0) {
      kernelRate_ = kKernelRate;
      kernelHandle_ =
          static_cast<std::uint32_t>(talvo_kernel_create(library_, kKernelBlockFrames, 1, 1, kKernelRate));
      rateConverted_ = kernelHandle_ != 0 && hostRate_ != kKernelRate;
    }
  }
  if (traceFile) {
    std::fprintf(traceFile, "S this=%p rate=%.17g kernelRate=%.17g handle=%u\n", static_cast<void*>(this),
                 hostRate_, kernelRate_, kernelHandle_);
    std::fflush(traceFile);
  }

  if (kernelHandle_ == 0) {
    recordDiagnostic(TALVO_DIAG_KERNEL_CREATE_FAILED, TALVO_SEVERITY_FATAL, TALVO_PHASE_CONFIGURE,
                     "product kernel instance creation failed", nullptr);
  } else {
    params_.resetKernelCopy();
    talvo_kernel_input_view(library_, kernelHandle_, &kernelInput_, &kernelInputLength_);
    talvo_kernel_output_view(library_, kernelHandle_, &kernelOutput_, &kernelOutputLength_);
  }
  reportTrap();

  ready_ = kernelHandle_ != 0 && kernelInput_ && kernelOutput_ && kernelInputLength_ >= kKernelBlockFrames &&
           kernelOutputLength_ >= kKernelBlockFrames;
  if (ready_) return true;
  recordDiagnostic(TALVO_DIAG_ENGINE_UNAVAILABLE, TALVO_SEVERITY_FATAL, TALVO_PHASE_CONFIGURE,
                   "kernel runtime is unavailable after setup", nullptr);
  std::fprintf(stderr, "talvo-plugin-shell: kernel setup failed at %.9g Hz\n", hostRate_);
  return false;
}

void KernelEngine::resetParams() {
  params_.resetValues();
  variation_ = 16;
  queue_.clear();
  sampler_.resetVelocityNoise();
  resetRateAdapterState();
  if (kernelHandle_ != 0) {
    (void)talvo_kernel_reset(library_, kernelHandle_);
    params_.resetKernelCopy();
  }
}

void KernelEngine::resetRateAdapterState() {
  rateAdapterFailed_ = false;
  adapter_.reset();
}

void KernelEngine::useReferenceLoops(bool on) {
  referenceLoops_ = on;
  adapter_.useReferenceLoop(on);
  if (library_) talvo_kernel_use_reference_loop(library_, on ? 1 : 0);
}

int KernelEngine::latencySamples() const {
  if (!rateConverted_ || hostRate_ == kKernelRate) return 0;
  // The adapter's kernel-side latency seen at the host rate, plus its host-side one, rounded up.
  return static_cast<int>(hostRate_ * static_cast<double>(kKernelLatencyFrames) / kKernelRate +
                          static_cast<double>(kHostLatencyFrames) + 0.999999);
}

void KernelEngine::setParamValue(std::uint32_t id, double plain) {
  params_.set(id, plain);
}

double KernelEngine::paramValue(std::uint32_t id) const {
  return params_.value(id);
}

double KernelEngine::paramNormalized(std::uint32_t id) const {
  return params_.normalized(id);
}

double KernelEngine::kernelParamValue(std::uint32_t id) const {
  return params_.kernelValue(id);
}

void KernelEngine::setVariation(int variation) {
  variation_ = variation < 0 ? 0 : (variation > 19 ? 19 : variation);
}

void KernelEngine::recordDiagnostic(std::uint32_t code, std::uint8_t severity, std::uint8_t phase,
                                    const char* message, const char* detail) {
  (void)recordRuntimeDiagnostic(diagnostics_, code, severity, phase, message, detail);
}

void KernelEngine::recordRealtimeDiagnostic(std::uint32_t code, std::uint8_t severity,
                                            std::uint8_t phase) noexcept {
  realtime_.push(code, severity, phase);
}

void KernelEngine::drainRuntimeDiagnostics() {
  reportTrap();
  realtime_.drainInto(diagnostics_);
}

bool KernelEngine::hasUnreportedRuntimeDiagnostics() const {
  return realtime_.hasPending();
}

}  // namespace talvo
