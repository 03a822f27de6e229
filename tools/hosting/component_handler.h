#pragma once
// The host's side of a controller's edits: records every gesture and restart
// request, and hands each performed edit to the processor as a parameter
// change in the next block. The controller calls in on the main thread;
// `drainInto` runs on the audio thread: a single-producer, single-consumer
// queue of fixed size lies between them.
#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

#include "hosting/host_unknown.h"
#include "hosting/param_changes.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"

namespace talvo::host {

static_assert(std::atomic<std::uint32_t>::is_always_lock_free);

class ComponentHandler final : public HostOwned<Steinberg::Vst::IComponentHandler> {
 public:
  enum class EditKind : std::uint8_t { begin, perform, end };
  struct Edit {
    EditKind kind;
    Steinberg::Vst::ParamID id;
    Steinberg::Vst::ParamValue value;  // performed edits only
  };

  // Main thread.
  Steinberg::tresult PLUGIN_API beginEdit(Steinberg::Vst::ParamID id) override;
  /// Recorded, and queued for the processor; refused when the queue is full.
  Steinberg::tresult PLUGIN_API performEdit(Steinberg::Vst::ParamID id,
                                            Steinberg::Vst::ParamValue valueNormalized) override;
  Steinberg::tresult PLUGIN_API endEdit(Steinberg::Vst::ParamID id) override;
  Steinberg::tresult PLUGIN_API restartComponent(Steinberg::int32 flags) override;
  /// A change the host makes itself (automation): queued for the processor
  /// like a performed edit, but not recorded as the controller's. False when
  /// the queue is full.
  bool queueForProcessor(Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue normalized);

  [[nodiscard]] const std::vector<Edit>& edits() const { return edits_; }
  [[nodiscard]] const std::vector<Steinberg::int32>& restarts() const { return restarts_; }
  void clearRecords();

  // Audio thread: no allocation, no lock.
  /// Moves every queued edit into `changes` at offset 0, the latest value of
  /// a parameter winning; false when some did not fit (those are dropped).
  bool drainInto(ParameterChanges& changes) noexcept;

 private:
  static constexpr std::uint32_t kQueueSize = 256;
  struct Queued {
    Steinberg::Vst::ParamID id;
    Steinberg::Vst::ParamValue value;
  };

  std::vector<Edit> edits_;
  std::vector<Steinberg::int32> restarts_;
  // Free-running indices; the slot is the index modulo the size.
  std::array<Queued, kQueueSize> queue_{};
  std::atomic<std::uint32_t> written_{0};
  std::atomic<std::uint32_t> read_{0};
};

}  // namespace talvo::host
