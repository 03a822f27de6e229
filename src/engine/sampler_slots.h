#pragma once
// The engine's sampler-facing surface: the runtime bank slot, per-pad override
// snapshots, per-key velocity sensitivity and the records of bank failures.
// This effect plays no samples: the kernel publishes no sample capacity, so
// every bank is refused, and no audio-thread code reads the pad snapshots.
// They stay main-thread objects: a snapshot is replaced and freed on the main
// thread, and only the generation counter is published across threads.
#include <atomic>
#include <cstdint>
#include <memory>

#include "banks/staged_bank.h"
#include "diagnostics/runtime_diagnostic.h"
#include "engine/parameter_mirror.h"
#include "state/pad_overrides.h"

namespace talvo {

/// What the compiled-bank recall of a restored state found.
enum class BankRecallOutcome : std::uint8_t {
  kNone = 0,          ///< the state names no bank
  kMissing = 2,       ///< the state names a bank this build does not contain
  kHashMismatch = 3,  ///< the named bank's manifest differs from the compiled one
};

class SamplerSlots {
 public:
  static constexpr std::uint32_t kKeys = 128;

  /// `params` gives the values of the velocity slots; bank failures are
  /// recorded into `diagnostics`. Both belong to the owning engine.
  SamplerSlots(const ParameterMirror& params, talvo_runtime_diagnostic_ring& diagnostics);

  // ---- Main thread. ----

  /// True when the engine will play from `bank`. It refuses every bank and
  /// keeps no reference; an empty pointer removes the runtime bank.
  [[nodiscard]] bool publishRuntimeBank(StagedBankPtr bank);
  /// The bank the engine plays from; a counted reference, empty without one.
  [[nodiscard]] StagedBankPtr runtimeBank() const { return bank_; }

  /// The compiled-bank recall of a restored state naming `bankId` (null or
  /// empty: none). This build has no compiled banks, so a named bank is
  /// recorded as missing.
  BankRecallOutcome recallSampleBank(const char* bankId);
  /// "bank.missing" or "bank.hash-mismatch" in phase "state"; nothing for kNone.
  void recordBankRecallFailure(BankRecallOutcome outcome, const char* bankId);
  /// A refused runtime bank load in phase "load": "bank.hash-mismatch" for a
  /// mismatch, "bank.missing" for every other failure; nothing for kOk.
  void recordRuntimeBankFailure(RuntimeBankOutcome outcome, const char* reason, const char* source);

  /// Replaces the pad overrides snapshot. Refused (false, nothing changed)
  /// for more than 256 entries or an entry with an empty key, a key over 160
  /// bytes or no field set. The replaced snapshot is released here.
  [[nodiscard]] bool publishSamplerPadOverrides(const SamplerPadOverrides& overrides);
  /// The current snapshot; null before the first publish.
  [[nodiscard]] std::shared_ptr<const SamplerPadOverrides> padOverrides() const { return pads_; }
  /// Recomputes the per-key sensitivities: 1 everywhere, except single-key,
  /// non-tracking zones of `bank` whose pad sets "velocitySensitivity".
  void refreshSamplerPadVelocitySensitivity(const SamplerPadOverrides* overrides, const StagedBank* bank);
  /// Names the parameters that drive velocity (mode, fixed value, humanize
  /// amount); -1 leaves a slot unassigned, and any unassigned slot leaves
  /// velocities unchanged. Nothing in this effect assigns them.
  void assignVelocitySlots(std::int32_t mode, std::int32_t fixed, std::int32_t humanize);

  // ---- Any thread. ----

  /// Bumped by every publish of pad overrides; never 0 after the first.
  [[nodiscard]] std::uint32_t padOverridesGeneration() const {
    return generation_.load(std::memory_order_acquire);
  }
  /// The velocity a note on `key` plays with, in [0.01, 1] once the slots
  /// are assigned; `velocity` itself while any slot is unassigned.
  [[nodiscard]] double resolveSamplerVelocity(std::uint32_t key, double velocity) noexcept;
  /// The humanize noise back to its fixed seed, so renders repeat.
  void resetVelocityNoise() noexcept;

 private:
  static_assert(std::atomic<float>::is_always_lock_free);
  static_assert(std::atomic<std::uint32_t>::is_always_lock_free);

  const ParameterMirror& params_;
  talvo_runtime_diagnostic_ring& diagnostics_;
  StagedBankPtr bank_;
  std::shared_ptr<const SamplerPadOverrides> pads_;
  std::atomic<std::uint32_t> generation_{0};
  // Written on the main thread, read by resolveSamplerVelocity on any thread;
  // relaxed atomics, since no other data hangs on them.
  std::atomic<float> sensitivity_[kKeys];
  std::atomic<std::int32_t> velocitySlots_[3] = {-1, -1, -1};
  std::atomic<std::uint32_t> noise_;
};

}  // namespace talvo
