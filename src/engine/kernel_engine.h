#pragma once
// The realtime engine: owns one kernel instance (in its own kernel library
// state), the timed event queue and parameter values, the render loop with its
// sample-rate adapter, the two diagnostic rings and the sampler slots. The
// processor holds one engine by value.
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "diagnostics/realtime_diagnostic_queue.h"
#include "diagnostics/runtime_diagnostic.h"
#include "engine/event_queue.h"
#include "engine/parameter_mirror.h"
#include "engine/rate_adapter.h"
#include "engine/sampler_slots.h"

struct talvo_kernel_library;

namespace talvo {

class KernelEngineTestAccess;

class KernelEngine {
 public:
  static constexpr int kMaxHostBlockFrames = 16384;
  static constexpr int kKernelBlockFrames = 128;
  static constexpr double kKernelRate = static_cast<double>(talvo::kKernelRate);

  // Main thread: construction and destruction allocate and free.
  KernelEngine();
  ~KernelEngine();
  KernelEngine(const KernelEngine&) = delete;
  KernelEngine& operator=(const KernelEngine&) = delete;

  // ---- Main thread, while processBlock cannot run: may allocate. ----

  /// Validates the host format, sizes the rate adapter and creates the kernel
  /// instance anew (host-native at 48000 Hz, rate-converted otherwise).
  [[nodiscard]] bool setup(double sampleRate, int maxBlockFrames);
  /// Parameters, variation, queue and adapter back to their defaults; resets the kernel.
  void resetParams();
  /// Clears the adapter's latched failure, fill counts and positions.
  void resetRateAdapterState();
  /// Renders through the scalar reference loops of the kernel and the rate
  /// adapter instead of the vector ones, which match them up to rounding. For
  /// comparisons in tests and benchmarks; makes the reference's tables.
  void useReferenceLoops(bool on);

  /// Plain value store used by state restore; reaches the kernel by republishing.
  void setParamValue(std::uint32_t id, double plain);
  [[nodiscard]] double paramValue(std::uint32_t id) const;
  [[nodiscard]] double paramNormalized(std::uint32_t id) const;
  /// Kept for the state document only; clamped to 0..19.
  void setVariation(int variation);
  [[nodiscard]] int variation() const { return variation_; }
  /// Copies queued parameter values into the plain values and empties the queue.
  void flushParameterEvents();

  /// Full record into the diagnostic ring (texts cut, null taken as empty).
  void recordDiagnostic(std::uint32_t code, std::uint8_t severity, std::uint8_t phase, const char* message,
                        const char* detail);
  /// Moves realtime entries into the diagnostic ring.
  void drainRuntimeDiagnostics();
  /// True while realtime entries or lost-entry counts wait for a drain.
  [[nodiscard]] bool hasUnreportedRuntimeDiagnostics() const;
  [[nodiscard]] const talvo_runtime_diagnostic_ring& diagnosticRing() const { return diagnostics_; }
  /// Runtime bank, pad overrides and velocity; see SamplerSlots for threads.
  [[nodiscard]] SamplerSlots& sampler() { return sampler_; }
  [[nodiscard]] const SamplerSlots& sampler() const { return sampler_; }

  // ---- Audio thread: no allocation, no lock, no system call. ----

  /// Queues a parameter change (converted to plain units); false for an id that is no
  /// parameter, NaN or a full queue.
  bool pushParamNormalized(std::uint32_t id, double normalized, int sampleOffset) noexcept;
  bool pushNoteOn(int pitch, double velocity, int sampleOffset, std::uint32_t route,
                  std::uint32_t channel) noexcept;
  bool pushNoteOff(int pitch, int sampleOffset, std::uint32_t route, std::uint32_t channel) noexcept;
  /// False for controller or value >= 128, or a full queue.
  bool pushController(std::uint32_t controller, std::uint32_t value, int sampleOffset, std::uint32_t route,
                      std::uint32_t channel) noexcept;
  [[nodiscard]] int eventInputCount() const noexcept { return 0; }
  [[nodiscard]] int eventOutputCount() const noexcept { return 0; }
  [[nodiscard]] std::uint32_t eventRouteForInput(std::uint32_t /*bus*/) const noexcept { return 0; }
  void resolveSustainEvents() noexcept {}

  /// Renders one host block: the first input channel goes through the kernel
  /// and the result to every output channel. A zero-frame call flushes queued
  /// parameter values. Check blockFailed() and outputSilent() afterwards.
  void processBlock(const float* const* inputs, int inputChannels, float* const* outputs, int outputChannels,
                    int frames) noexcept;
  /// Same, with an extra channel set that this effect does not use.
  void processBlock(const float* const* inputs, int inputChannels, const float* const* extra,
                    int extraChannels, float* const* outputs, int outputChannels, int frames) noexcept;
  /// The rate-converted render; false means the block was not rendered.
  bool processHandleV2RateConverted(const float* const* inputs, int inputChannels, float* const* outputs,
                                    int outputChannels, int frames) noexcept;
  /// Zeros `frames` samples of every non-null output channel.
  static void clearOutputs(float* const* outputs, int outputChannels, int frames) noexcept;

  /// Audio thread only: compact diagnostic, attached to a record on the next drain.
  void recordRealtimeDiagnostic(std::uint32_t code, std::uint8_t severity, std::uint8_t phase) noexcept;

  // ---- Queries (any thread that does not race setup). ----

  [[nodiscard]] double hostRate() const { return hostRate_; }
  [[nodiscard]] std::uint64_t hostRateNumerator() const { return hostRateNumerator_; }
  [[nodiscard]] std::uint64_t hostRateDenominator() const { return hostRateDenominator_; }
  [[nodiscard]] int maxBlockFrames() const { return maxBlockFrames_; }
  [[nodiscard]] bool ready() const { return ready_; }
  [[nodiscard]] bool blockFailed() const { return blockFailed_; }
  [[nodiscard]] bool outputSilent() const { return outputSilent_; }
  [[nodiscard]] bool rateAdapterFailed() const { return rateAdapterFailed_; }
  [[nodiscard]] bool rateConverted() const { return rateConverted_; }
  [[nodiscard]] std::uint64_t srcCapacity() const { return adapter_.capacity(); }
  /// Host frames of delay the adapter adds, rounded up (0 when host-native):
  /// the latency the processor reports.
  [[nodiscard]] int latencySamples() const;
  /// The kernel handle; 0 when there is no instance.
  [[nodiscard]] std::uint32_t instanceToken() const { return kernelHandle_; }
  [[nodiscard]] bool hasKernel() const { return true; }
  /// True once this engine's kernel library has trapped; rendering is silent until the next setup.
  [[nodiscard]] bool kernelTrapped() const;
  /// The plain value the kernel is known to hold for `id` (0 for an id that is no parameter).
  [[nodiscard]] double kernelParamValue(std::uint32_t id) const;

 private:
  friend class KernelEngineTestAccess;  // fault injection in tests only

  void failBlock(float* const* outputs, int outputChannels, int frames, std::uint32_t code,
                 std::uint8_t severity) noexcept;
  void flushZeroFrameBlock() noexcept;
  void renderDirect(const float* const* inputs, int inputChannels, float* const* outputs, int outputChannels,
                    int frames) noexcept;
  bool pushProductParameter(std::uint32_t id, std::uint32_t frame, double value, const char* source) noexcept;
  /// Sends the parameters' pending values to the kernel at frame 0 of the chunk.
  void republishParameters() noexcept;
  /// Sends one queued event to the kernel at `frame` of the current chunk.
  void dispatchEvent(const EngineEvent& event, std::uint32_t frame, bool direct) noexcept;
  void stampQueuedEvents() noexcept;
  bool ensureLibrary();
  void reportTrap();
  static void panicSink(void* context, const char* message, std::size_t length, const void* codeAddress);

  // Host format and status.
  double hostRate_ = 48000.0;
  std::uint64_t hostRateNumerator_ = 48000;
  std::uint64_t hostRateDenominator_ = 1;
  int maxBlockFrames_ = 0;
  bool ready_ = false;
  bool blockFailed_ = false;
  bool outputSilent_ = false;
  bool rateAdapterFailed_ = false;
  bool rateConverted_ = false;
  bool referenceLoops_ = false;

  // Kernel binding; the library state is this engine's alone.
  talvo_kernel_library* library_ = nullptr;
  std::atomic<bool> trapped_{false};
  bool trapReported_ = false;
  std::uint32_t kernelHandle_ = 0;
  float* kernelInput_ = nullptr;
  float* kernelOutput_ = nullptr;
  std::size_t kernelInputLength_ = 0;
  std::size_t kernelOutputLength_ = 0;
  double kernelRate_ = 0.0;

  // Parameters and events.
  ParameterMirror params_;
  int variation_ = 16;
  EventQueue queue_;

  // Rate-converted mode.
  RateAdapter adapter_;

  // Diagnostics.
  talvo_runtime_diagnostic_ring diagnostics_{};
  RealtimeDiagnosticQueue realtime_;

  // Sampler surface; after the parameters and the ring it refers to.
  SamplerSlots sampler_{params_, diagnostics_};
};

}  // namespace talvo
