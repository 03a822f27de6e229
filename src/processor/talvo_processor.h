#pragma once
// The plug-in's audio processor component ("Oriel"): one stereo input, one
// stereo output, 32-bit samples, and one KernelEngine that does the work.
// Every member runs on the host's main thread while processing is stopped,
// except process, which runs on the audio thread.
#include <cstdint>
#include <string>

#include "bankrecall/bank_recall.h"
#include "ccmap/cc_map.h"
#include "diagnostics/host_facts.h"
#include "diagnostics/transport_ring.h"
#include "engine/kernel_engine.h"
#include "vst3/audio_effect.h"

namespace talvo {

class TalvoProcessor : public AudioEffect {
 public:
  TalvoProcessor();

  /// The factory's create function: a new processor as its IAudioProcessor.
  static Steinberg::FUnknown* createInstance(void* context);

  Steinberg::tresult PLUGIN_API initialize(Steinberg::FUnknown* hostContext) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API setActive(Steinberg::TBool state) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API setupProcessing(Steinberg::Vst::ProcessSetup& setup) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API canProcessSampleSize(Steinberg::int32 symbolicSampleSize) SMTG_OVERRIDE;
  /// One stereo input and one stereo output, nothing else.
  Steinberg::tresult PLUGIN_API setBusArrangements(SpeakerArrangement* inputs, Steinberg::int32 numIns,
                                                   SpeakerArrangement* outputs,
                                                   Steinberg::int32 numOuts) SMTG_OVERRIDE;
  /// The rate adapter's delay in host frames; 0 when the kernel runs at the host rate.
  Steinberg::uint32 PLUGIN_API getLatencySamples() SMTG_OVERRIDE;

  // Audio thread: no allocation, no lock, no system call.
  Steinberg::tresult PLUGIN_API process(Steinberg::Vst::ProcessData& data) SMTG_OVERRIDE;

  /// The state document: parameters, variation, CC map, pad overrides and the
  /// runtime bank in use. Saving fails unless every byte was written.
  Steinberg::tresult PLUGIN_API getState(Steinberg::IBStream* state) SMTG_OVERRIDE;
  /// Applies a whole readable document (at most 16 MiB) or nothing. A bank
  /// that cannot be brought back is recorded and reported, not fatal.
  Steinberg::tresult PLUGIN_API setState(Steinberg::IBStream* state) SMTG_OVERRIDE;
  /// The "talvo." messages from the controller; others go to the SDK.
  Steinberg::tresult PLUGIN_API notify(Steinberg::Vst::IMessage* message) SMTG_OVERRIDE;

  /// Loads a sound pack and offers it to the engine; a failure is recorded
  /// and reported to the controller. `detail` says why it failed.
  RuntimeBankOutcome loadRuntimeBankFromPath(const std::string& bankDirectory, const std::string& source,
                                             const std::string& instrument, std::string& detail);

  /// Fills the configuration part of `facts` from the current setup and buses.
  void captureHostFacts(HostFacts& facts);
  /// Captures a fresh record (keeping the host identity already known), stores
  /// it and sends it to the controller as "talvo.diag.hostFacts".
  void refreshHostFacts();
  /// Drains the engine's realtime diagnostics and sends the health document
  /// as "talvo.runtimeDiagnostics"; `failed` marks a refused setup.
  void sendRuntimeHealthReport(bool failed);

  [[nodiscard]] const KernelEngine& engine() const { return engine_; }
  [[nodiscard]] const HostFacts& hostFacts() const { return hostFacts_; }

  OBJ_METHODS(TalvoProcessor, AudioEffect)

 protected:
  KernelEngine engine_;
  HostFacts hostFacts_;
  // Transport capture state. The processor captures no transport, so the ring
  // stays empty and the last fact keeps its defaults; the frame counter
  // restarts with every activation.
  DiagnosticTransportRing transportRing_;
  std::uint64_t transportFrames_ = 0;
  TransportFact lastTransport_;
  // Main thread: what the next saved state records beside the engine's values.
  RuntimeBankRef runtimeBank_;
  std::string presetId_;  // the bank preset last applied, from the controller
  CcMap ccMap_;
  bool hasCcMap_ = false;

 private:
  Steinberg::tresult saveState(Steinberg::IBStream& state);
  Steinberg::tresult restoreState(Steinberg::IBStream& state);
  void restoreRuntimeBank(const StateChunk& state);
  // Message handlers, one per identifier (processor_messages.cpp).
  Steinberg::tresult onPresetLoaded(Steinberg::Vst::IMessage& message);
  Steinberg::tresult onLoadRuntimeBank(Steinberg::Vst::IMessage& message);
  Steinberg::tresult onPadOverrides(Steinberg::Vst::IMessage& message);
  Steinberg::tresult onCcMap(Steinberg::Vst::IMessage& message);

  // Audio thread helpers for process.
  void queueParameterChanges(Steinberg::Vst::IParameterChanges* changes) noexcept;
  void queueNoteEvents(Steinberg::Vst::IEventList* events) noexcept;
};

}  // namespace talvo
