#pragma once
// One kernel library state: the instance table addressed by handles, the
// instances' audio areas and event queues, and the trap (poison) state. The C
// entry points in kernel_api.cpp forward here; tests may use it directly.
//
// Not thread-safe by design: one state is used by one thread at a time.
#include <array>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <new>

#include "kernel/effect.h"
#include "kernel/effect_vector.h"
#include "kernel/kernel.h"
#include "kernel/trap.h"

namespace talvo::kernel {

inline constexpr std::uint32_t MAX_INSTANCES = TALVO_KERNEL_MAX_INSTANCES;
inline constexpr std::uint32_t MAX_FRAMES = TALVO_KERNEL_MAX_FRAMES;
inline constexpr std::uint32_t MAX_EVENTS = TALVO_KERNEL_MAX_EVENTS;
inline constexpr std::uint32_t PARAMETER_COUNT = TALVO_KERNEL_PARAMETER_COUNT;
inline constexpr std::uint32_t EVENT_PARAMETER = TALVO_KERNEL_EVENT_PARAMETER;
/// Generations cycle through 1 .. kGenerationLimit - 1 so that every handle
/// (slot + 32 * (generation - 1) + 1) fits in 32 bits and maps back to its
/// slot and generation; a full 32-bit counter would hand out handles that
/// wrap and no longer validate.
inline constexpr std::uint32_t kGenerationLimit = std::uint32_t{1} << 27;

class KernelLibrary {
 public:
  KernelLibrary() = default;
  KernelLibrary(const KernelLibrary&) = delete;
  KernelLibrary& operator=(const KernelLibrary&) = delete;

  // Entry guard: every entry point except the sink setter starts here. Records
  // the entry name for trap messages, traps on re-entry from the sink, and
  // refuses to run once poisoned or before runtimeInit. False: do not run.
  [[nodiscard]] bool enter(const char* entryName, const void* entryAddress, bool needsInit = true) noexcept;
  /// Poisons the state, builds the trap message and calls the sink (unless
  /// the sink itself is running: a sink that re-enters must not recurse).
  void trap(const char* text, std::size_t length) noexcept;
  void trap(const char* text) noexcept;
  /// Runs `body` as an entry point: guarded, with exceptions turned into traps.
  template <class Body, class Result>
  Result guarded(const char* entryName, const void* entryAddress, Result failure, Body&& body,
                 bool needsInit = true) noexcept;

  [[nodiscard]] bool poisoned() const noexcept { return poisoned_; }
  [[nodiscard]] const char* lastTrap() const noexcept { return messages_[lastMessage_]; }
  [[nodiscard]] std::size_t lastTrapLength() const noexcept { return messageLengths_[lastMessage_]; }

  // Setup thread.
  void setPanicSink(talvo_kernel_panic_sink sink, void* context) noexcept;
  /// Scalar reference loop instead of the vector loop, for every instance.
  void useReferenceLoop(bool on) noexcept { referenceLoop_ = on; }
  void runtimeInit();
  [[nodiscard]] std::uint32_t create(std::uint32_t maximumFrames, std::uint32_t inputChannels,
                                     std::uint32_t outputChannels, double sampleRate);
  [[nodiscard]] std::uint32_t destroy(std::uint32_t handle) noexcept;
  /// Input (or output) area of a valid handle; null and 0 otherwise.
  void view(std::uint32_t handle, bool output, float** data, std::size_t* length) noexcept;

  // Audio thread: no allocation.
  [[nodiscard]] std::uint32_t pushEvent(std::uint32_t handle, std::uint32_t kind, std::uint32_t frame,
                                        std::uint32_t parameter, double value) noexcept;
  [[nodiscard]] std::uint32_t process(std::uint32_t handle, std::uint32_t frames) noexcept;
  [[nodiscard]] std::uint32_t reset(std::uint32_t handle) noexcept;

  /// Slot of a live handle, or -1.
  [[nodiscard]] int slotFor(std::uint32_t handle) const noexcept;
  /// Test access: the kernel state behind a live handle, or null.
  [[nodiscard]] KernelState* stateFor(std::uint32_t handle) noexcept;
  /// Test access: forces a slot's generation counter (to reach its wrap).
  void setGeneration(std::uint32_t slot, std::uint32_t generation) noexcept;

 private:
  [[nodiscard]] KernelBlock blockFor(std::uint32_t slot, double offset, double frames) noexcept;
  [[nodiscard]] bool render(KernelState& state, const KernelBlock& block) const noexcept;
  /// Renders the whole call in one vector pass with the queued changes taking
  /// effect at their frames: what cutting the block at them gives. False, with
  /// nothing done, where cutting could fail part way.
  [[nodiscard]] bool renderInOnePass(KernelState& state, std::uint32_t slot, std::uint32_t frames,
                                     const talvo_kernel_event* queue, std::uint32_t count) noexcept;
  void clearAreas(std::uint32_t slot) noexcept;

  bool initialised_ = false;
  bool poisoned_ = false;
  bool inSink_ = false;
  bool referenceLoop_ = false;
  const char* currentEntry_ = "";
  const void* currentAddress_ = nullptr;
  talvo_kernel_panic_sink sink_ = nullptr;
  void* sinkContext_ = nullptr;
  // Two message buffers: a trap raised while the sink reads the first must not
  // overwrite it.
  char messages_[2][kTrapMessageMax + 1] = {};
  std::size_t messageLengths_[2] = {};
  int lastMessage_ = 0;

  std::array<bool, MAX_INSTANCES> active_{};
  std::array<std::uint32_t, MAX_INSTANCES> generations_{};
  std::array<std::uint32_t, MAX_INSTANCES> maximumBlockSizes_{};
  std::array<std::uint32_t, MAX_INSTANCES> eventCounts_{};
  std::array<talvo_kernel_event, MAX_INSTANCES * MAX_EVENTS> events_{};
  std::array<KernelState, MAX_INSTANCES> states_{};
  std::array<float, MAX_INSTANCES * MAX_FRAMES> input_{};
  std::array<float, MAX_INSTANCES * MAX_FRAMES> output_{};
};

template <class Body, class Result>
Result KernelLibrary::guarded(const char* entryName, const void* entryAddress, Result failure, Body&& body,
                              bool needsInit) noexcept {
  if (!enter(entryName, entryAddress, needsInit)) return failure;
  try {
    return body();
  } catch (const std::bad_alloc&) {
    trap("rivet: out of memory");
  } catch (const std::exception& e) {
    char text[kTrapMessageMax + 1] = {};
    std::size_t used = appendCut(text, sizeof text, 0, "Uncaught ");
    used = appendCut(text, sizeof text, used, e.what());
    trap(text, used);
  } catch (...) {
    trap("Uncaught exception");
  }
  return failure;
}

}  // namespace talvo::kernel

namespace talvo::kernel {
/// The C++ object behind a C library state (tests and in-process tools).
[[nodiscard]] KernelLibrary* libraryInternals(talvo_kernel_library* library);
}  // namespace talvo::kernel
