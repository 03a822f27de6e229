// A deliberately broken VST3 plug-in for the host tests, never shipped. At
// heart an honest gain effect; the bundle it is loaded from picks the lie it
// tells. One module is copied into one bundle per mode, "<mode>.vst3", and
// reads its mode from its own file name, so a test picks a mode by path.
#include <dlfcn.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <thread>

#include "base/source/fstreamer.h"
#include "pluginterfaces/base/ibstream.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"
#include "public.sdk/source/vst/vsteditcontroller.h"
#include "vst3/audio_effect.h"
#include "vst3/module_lifetime.h"
#include "vst3/plugin_factory.h"

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

enum class Lie {
  kNone,
  kEntryFails,
  kClassCount,
  kBusCount,
  kBusChannels,
  kLatency,
  kNanOutput,
  kStateSeek,
  // Faults the conformance suite looks for; each mode below says which.
  kParamIds,
  kSilenceFlags,
  kZeroFrame,
  kStateHalf,
  kStateForgets,
  kThreadBound,
  kGlobalState,
  kAbortOnSuspend,
};

struct Mode {
  const char* name;
  Lie lie = Lie::kNone;
  uint32 amount = 0;  // what the lie claims
  bool controller = false;
  bool mono = false;
};

const Mode kModes[] = {
    {"gain", Lie::kNone, 0, true},
    {"mono-gain", Lie::kNone, 0, false, true},
    {"entry-fails", Lie::kEntryFails},
    {"classes", Lie::kClassCount, 0x7FFFFFFF},
    {"bus-count", Lie::kBusCount, 0x7FFFFFFF},
    {"bus-channels", Lie::kBusChannels, 1 << 20},
    {"latency-0x80000000", Lie::kLatency, 0x80000000u},
    {"latency-0xFFFFFFFF", Lie::kLatency, 0xFFFFFFFFu},
    {"nan", Lie::kNanOutput},
    {"state-seek", Lie::kStateSeek},                 // seeks 1 TiB into the stream before it writes its state
    {"param-ids", Lie::kParamIds, 0, true},          // both parameters have id 10
    {"silence-lie", Lie::kSilenceFlags, 0, true},    // flags its output silent whatever it holds
    {"zero-frame", Lie::kZeroFrame, 0, true},        // refuses the zero-frame parameter flush
    {"state-half", Lie::kStateHalf, 0, true},        // applies the gain of a state it then refuses
    {"state-forgets", Lie::kStateForgets, 0, true},  // restores the gain but not the invert switch
    {"thread-bound", Lie::kThreadBound, 0, true},    // silent on any thread but the setup thread
    {"global-state", Lie::kGlobalState, 0, true},    // inverts every other block of the whole module
    {"abort-on-suspend", Lie::kAbortOnSuspend},      // aborts the process when deactivated
};

const Mode& mode() {
  static const Mode& chosen = []() -> const Mode& {
    Dl_info info{};
    std::string name = dladdr(reinterpret_cast<void*>(&mode), &info) != 0 ? info.dli_fname : "";
    name = name.substr(name.rfind('/') + 1);
    for (const Mode& m : kModes) {
      if (name == std::string(m.name) + ".so") return m;
    }
    return kModes[0];
  }();
  return chosen;
}

int32 lie(Lie what, int32 truth) {
  return mode().lie == what ? static_cast<int32>(mode().amount) : truth;
}

constexpr ParamID kGainId = 10, kInvertId = 11;
constexpr double kMinDb = -60.0, kMaxDb = 12.0;
const FUID kProcessorCid(0x7A1B0001, 0x7A1B0002, 0x7A1B0003, 0x7A1B0004);
const FUID kControllerCid(0x7A1B0011, 0x7A1B0012, 0x7A1B0013, 0x7A1B0014);

// The state: gain in dB and the invert switch, as the controller reads it too;
// read whole before anything changes, except in the mode that half-applies it.
bool readState(IBStream* state, double& gainDb, bool& invert) {
  IBStreamer streamer(state, kLittleEndian);
  double gain = 0.0;
  int32 flag = 0;
  if (!streamer.readDouble(gain) || !(gain >= kMinDb && gain <= kMaxDb)) return false;
  if (mode().lie == Lie::kStateHalf) gainDb = gain;
  if (!streamer.readInt32(flag)) return false;
  gainDb = gain;
  if (mode().lie != Lie::kStateForgets) invert = flag != 0;
  return true;
}

class GainProcessor : public talvo::AudioEffect {
 public:
  static FUnknown* create(void*) { return static_cast<IAudioProcessor*>(new GainProcessor); }

  tresult PLUGIN_API initialize(FUnknown* context) SMTG_OVERRIDE {
    if (AudioEffect::initialize(context) != kResultOk) return kResultFalse;
    addAudioInput(STR16("In"), mode().mono ? SpeakerArr::kMono : SpeakerArr::kStereo);
    addAudioOutput(STR16("Out"), mode().mono ? SpeakerArr::kMono : SpeakerArr::kStereo);
    if (mode().controller) setControllerClass(kControllerCid);
    return kResultOk;
  }
  int32 PLUGIN_API getBusCount(MediaType type, BusDirection dir) SMTG_OVERRIDE {
    const int32 count = AudioEffect::getBusCount(type, dir);
    return type == kAudio && dir == kOutput ? lie(Lie::kBusCount, count) : count;
  }
  tresult PLUGIN_API getBusInfo(MediaType type, BusDirection dir, int32 index, BusInfo& info) SMTG_OVERRIDE {
    const tresult result = AudioEffect::getBusInfo(type, dir, index, info);
    if (type == kAudio) info.channelCount = lie(Lie::kBusChannels, info.channelCount);
    return result;
  }
  uint32 PLUGIN_API getLatencySamples() SMTG_OVERRIDE { return static_cast<uint32>(lie(Lie::kLatency, 0)); }
  tresult PLUGIN_API setProcessing(TBool) SMTG_OVERRIDE { return kResultOk; }
  tresult PLUGIN_API setActive(TBool state) SMTG_OVERRIDE {
    if (mode().lie == Lie::kAbortOnSuspend && !state) std::abort();
    return AudioEffect::setActive(state);
  }
  tresult PLUGIN_API setupProcessing(ProcessSetup& setup) SMTG_OVERRIDE {
    setupThread_ = std::this_thread::get_id();
    return AudioEffect::setupProcessing(setup);
  }

  tresult PLUGIN_API process(ProcessData& data) SMTG_OVERRIDE {
    if (mode().lie == Lie::kZeroFrame && data.numSamples == 0) return kResultFalse;
    // The block's last value of each parameter: a test plug-in need not be sample-accurate.
    IParameterChanges* changes = data.inputParameterChanges;
    for (int32 i = 0; changes != nullptr && i < changes->getParameterCount(); ++i) {
      IParamValueQueue* queue = changes->getParameterData(i);
      int32 offset = 0;
      ParamValue value = 0.0;
      if (queue == nullptr || queue->getPoint(queue->getPointCount() - 1, offset, value) != kResultOk)
        continue;
      if (queue->getParameterId() == kGainId) gainDb_ = kMinDb + value * (kMaxDb - kMinDb);
      if (queue->getParameterId() == kInvertId) invert_ = value >= 0.5;
    }
    if (data.numSamples == 0 || data.numOutputs < 1 || data.numInputs < 1) return kResultOk;
    static std::atomic<uint64> moduleBlocks{0};
    const bool flip = mode().lie == Lie::kGlobalState && moduleBlocks++ % 2 == 1;
    // Like many plug-ins, it keeps silent on a bus its host never switched on.
    const bool mute = !audioOutput(0)->isActive() ||
                      (mode().lie == Lie::kThreadBound && std::this_thread::get_id() != setupThread_);
    const float gain =
        mute ? 0.0f : static_cast<float>(std::pow(10.0, gainDb_ / 20.0) * (invert_ != flip ? -1.0 : 1.0));
    for (int32 c = 0; c < data.outputs[0].numChannels; ++c) {
      const float* in = data.inputs[0].channelBuffers32[c];
      float* out = data.outputs[0].channelBuffers32[c];
      for (int32 i = 0; i < data.numSamples; ++i)
        out[i] = mode().lie == Lie::kNanOutput ? std::numeric_limits<float>::quiet_NaN() : in[i] * gain;
    }
    if (mode().lie == Lie::kSilenceFlags) data.outputs[0].silenceFlags = ~uint64{0};
    return kResultOk;
  }

  tresult PLUGIN_API setState(IBStream* state) SMTG_OVERRIDE {
    return readState(state, gainDb_, invert_) ? kResultOk : kResultFalse;
  }
  tresult PLUGIN_API getState(IBStream* state) SMTG_OVERRIDE {
    if (mode().lie == Lie::kStateSeek) state->seek(int64{1} << 40, IBStream::kIBSeekSet, nullptr);
    IBStreamer streamer(state, kLittleEndian);
    return streamer.writeDouble(gainDb_) && streamer.writeInt32(invert_ ? 1 : 0) ? kResultOk : kResultFalse;
  }

 private:
  double gainDb_ = 0.0;
  bool invert_ = false;
  std::thread::id setupThread_;
};

class GainController : public EditController {
 public:
  static FUnknown* create(void*) { return static_cast<IEditController*>(new GainController); }

  tresult PLUGIN_API initialize(FUnknown* context) SMTG_OVERRIDE {
    if (EditController::initialize(context) != kResultOk) return kResultFalse;
    parameters.addParameter(new RangeParameter(STR16("Gain"), kGainId, STR16("dB"), kMinDb, kMaxDb, 0.0));
    parameters.addParameter(STR16("Invert"), nullptr, 1, 0.0, ParameterInfo::kCanAutomate,
                            mode().lie == Lie::kParamIds ? kGainId : kInvertId);
    return kResultOk;
  }
  tresult PLUGIN_API getParameterInfo(int32 index, ParameterInfo& info) SMTG_OVERRIDE {
    // The SDK's container throws for an index past the end.
    if (index < 0 || index >= getParameterCount()) return kResultFalse;
    return EditController::getParameterInfo(index, info);
  }
  tresult PLUGIN_API setComponentState(IBStream* state) SMTG_OVERRIDE {
    double gainDb = 0.0;
    bool invert = false;
    if (!readState(state, gainDb, invert)) return kResultFalse;
    setParamNormalized(kGainId, (gainDb - kMinDb) / (kMaxDb - kMinDb));
    setParamNormalized(kInvertId, invert ? 1.0 : 0.0);
    return kResultOk;
  }
};

// Answers for any class index with the first class, so a lying count is believed all the way.
class BrokenFactory : public talvo::PluginFactory {
 public:
  using PluginFactory::PluginFactory;
  int32 PLUGIN_API countClasses() SMTG_OVERRIDE {
    return lie(Lie::kClassCount, PluginFactory::countClasses());
  }
  tresult PLUGIN_API getClassInfo2(int32 index, PClassInfo2* info) SMTG_OVERRIDE {
    return PluginFactory::getClassInfo2(mode().lie == Lie::kClassCount ? 0 : index, info);
  }
};

PClassInfo2 classInfo(const FUID& cid, const char* category) {
  return PClassInfo2(cid, PClassInfo::kManyInstances, category, mode().name, 0, "Fx", nullptr, "1.0.0",
                     kVstVersionString);
}

}  // namespace

extern "C" {

SMTG_EXPORT_SYMBOL bool ModuleEntry(void* handle) {
  return mode().lie != Lie::kEntryFails && talvo::enterModule(handle);
}

SMTG_EXPORT_SYMBOL bool ModuleExit() {
  return talvo::exitModule();
}

SMTG_EXPORT_SYMBOL IPluginFactory* PLUGIN_API GetPluginFactory() {
  if (talvo::gPluginFactory != nullptr) {
    talvo::gPluginFactory->addRef();
    return talvo::gPluginFactory;
  }
  auto* factory = new BrokenFactory(PFactoryInfo("Talvo Test Bench", "", "", PFactoryInfo::kUnicode));
  factory->registerClass(classInfo(kProcessorCid, kVstAudioEffectClass), &GainProcessor::create);
  if (mode().controller)
    factory->registerClass(classInfo(kControllerCid, kVstComponentControllerClass), &GainController::create);
  talvo::gPluginFactory = factory;
  return factory;
}

}  // extern "C"
