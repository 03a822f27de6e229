#pragma once
// A VST3 audio-processor component: buses kept by the SDK's Component, plus
// the IAudioProcessor surface with the conservative defaults a plug-in
// overrides where it has something to say. Main-thread members unless noted.
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "public.sdk/source/vst/vstcomponent.h"

namespace talvo {

class AudioEffect : public Steinberg::Vst::Component,
                    public Steinberg::Vst::IAudioProcessor,
                    public Steinberg::Vst::IProcessContextRequirements {
 public:
  using BusType = Steinberg::Vst::BusType;
  using SpeakerArrangement = Steinberg::Vst::SpeakerArrangement;

  AudioEffect();

  // Bus creation, normally from initialize. The returned bus is owned by the
  // component's bus list.
  Steinberg::Vst::AudioBus* addAudioInput(const Steinberg::Vst::TChar* name, SpeakerArrangement arr,
                                          BusType type = Steinberg::Vst::kMain,
                                          Steinberg::int32 flags = Steinberg::Vst::BusInfo::kDefaultActive);
  Steinberg::Vst::AudioBus* addAudioOutput(const Steinberg::Vst::TChar* name, SpeakerArrangement arr,
                                           BusType type = Steinberg::Vst::kMain,
                                           Steinberg::int32 flags = Steinberg::Vst::BusInfo::kDefaultActive);
  Steinberg::Vst::EventBus* addEventInput(const Steinberg::Vst::TChar* name, Steinberg::int32 channels = 16,
                                          BusType type = Steinberg::Vst::kMain,
                                          Steinberg::int32 flags = Steinberg::Vst::BusInfo::kDefaultActive);
  Steinberg::Vst::EventBus* addEventOutput(const Steinberg::Vst::TChar* name, Steinberg::int32 channels = 16,
                                           BusType type = Steinberg::Vst::kMain,
                                           Steinberg::int32 flags = Steinberg::Vst::BusInfo::kDefaultActive);
  /// The audio bus at `index`, or null.
  [[nodiscard]] Steinberg::Vst::AudioBus* audioInput(Steinberg::int32 index);
  [[nodiscard]] Steinberg::Vst::AudioBus* audioOutput(Steinberg::int32 index);

  // IAudioProcessor
  /// Accepts exactly one arrangement per existing audio bus and stores them.
  Steinberg::tresult PLUGIN_API setBusArrangements(SpeakerArrangement* inputs, Steinberg::int32 numIns,
                                                   SpeakerArrangement* outputs,
                                                   Steinberg::int32 numOuts) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API getBusArrangement(Steinberg::Vst::BusDirection dir, Steinberg::int32 index,
                                                  SpeakerArrangement& arr) SMTG_OVERRIDE;
  /// 32-bit samples only.
  Steinberg::tresult PLUGIN_API canProcessSampleSize(Steinberg::int32 symbolicSampleSize) SMTG_OVERRIDE;
  Steinberg::uint32 PLUGIN_API getLatencySamples() SMTG_OVERRIDE;
  /// Stores the setup when its sample size is one this effect can process.
  Steinberg::tresult PLUGIN_API setupProcessing(Steinberg::Vst::ProcessSetup& setup) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API setProcessing(Steinberg::TBool state) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API process(Steinberg::Vst::ProcessData& data) SMTG_OVERRIDE;
  Steinberg::uint32 PLUGIN_API getTailSamples() SMTG_OVERRIDE;

  // IProcessContextRequirements: no context fields are needed.
  Steinberg::uint32 PLUGIN_API getProcessContextRequirements() SMTG_OVERRIDE;

  OBJ_METHODS(AudioEffect, Steinberg::Vst::Component)
  DEFINE_INTERFACES
  DEF_INTERFACE(Steinberg::Vst::IAudioProcessor)
  DEF_INTERFACE(Steinberg::Vst::IProcessContextRequirements)
  END_DEFINE_INTERFACES(Steinberg::Vst::Component)
  REFCOUNT_METHODS(Steinberg::Vst::Component)

 protected:
  /// The last setup accepted by setupProcessing.
  Steinberg::Vst::ProcessSetup processSetup{};
};

}  // namespace talvo
