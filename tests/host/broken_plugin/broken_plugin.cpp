// A deliberately broken VST3 plug-in for the host tests, never shipped. At
// heart an honest gain effect; the bundle it is loaded from picks the lie it
// tells. One module is copied into one bundle per mode, "<mode>.vst3", and
// reads its mode from its own file name, so a test picks a mode by path.
#include <dlfcn.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "base/source/fstreamer.h"
#include "pluginterfaces/base/ibstream.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"
#include "pluginterfaces/vst/vstspeaker.h"
#include "public.sdk/source/vst/vsteditcontroller.h"
#include "vst3/audio_effect.h"
#include "vst3/module_lifetime.h"
#include "vst3/plugin_factory.h"

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

struct Mode {
  const char* name;
  bool controller = false;  // a controller class of its own, with the parameters
  int32 channels = 2;       // of the main input and output buses
  uint32 latency = 0;
  int32 claimedOutputBuses = -1;  // -1: the buses it has
  int32 claimedChannels = -1;     // -1: the channels its buses have
  int32 claimedClasses = -1;      // -1: the classes it registered; else every index answers
  bool nanOutput = false;
  int64 stateSeek = 0;   // getState seeks this far before writing
  int64 stateBytes = 0;  // and writes this many bytes of padding after its values
  bool entryFails = false;
};

const Mode kModes[] = {
    {.name = "gain", .controller = true},
    {.name = "mono-gain", .channels = 1},
    {.name = "entry-fails", .entryFails = true},
    {.name = "classes", .claimedClasses = 0x7FFFFFFF},
    {.name = "bus-count", .claimedOutputBuses = 0x7FFFFFFF},
    {.name = "bus-channels", .claimedChannels = 1 << 20},
    {.name = "latency-0x80000000", .latency = 0x80000000u},
    {.name = "latency-0xFFFFFFFF", .latency = 0xFFFFFFFFu},
    {.name = "nan", .nanOutput = true},
    {.name = "state-seek", .stateSeek = int64{1} << 40},
    {.name = "state-huge", .stateBytes = int64{32} << 20},
};

const Mode& thisMode() {
  static const Mode& mode = []() -> const Mode& {
    Dl_info info{};
    std::string name;
    if (dladdr(reinterpret_cast<void*>(&thisMode), &info) != 0 && info.dli_fname != nullptr) {
      name = std::strrchr(info.dli_fname, '/') != nullptr ? std::strrchr(info.dli_fname, '/') + 1
                                                          : info.dli_fname;
      name = name.substr(0, name.rfind(".so"));
    }
    for (const Mode& m : kModes) {
      if (name == m.name) return m;
    }
    return kModes[0];
  }();
  return mode;
}

constexpr ParamID kGainId = 10;
constexpr ParamID kInvertId = 11;
constexpr double kMinDb = -60.0, kMaxDb = 12.0;
const FUID kProcessorCid(0x7A1B0001, 0x7A1B0002, 0x7A1B0003, 0x7A1B0004);
const FUID kControllerCid(0x7A1B0011, 0x7A1B0012, 0x7A1B0013, 0x7A1B0014);

class GainProcessor : public talvo::AudioEffect {
 public:
  static FUnknown* create(void*) { return static_cast<IAudioProcessor*>(new GainProcessor); }

  tresult PLUGIN_API initialize(FUnknown* context) SMTG_OVERRIDE {
    if (AudioEffect::initialize(context) != kResultOk) return kResultFalse;
    const SpeakerArrangement arrangement = thisMode().channels == 1 ? SpeakerArr::kMono : SpeakerArr::kStereo;
    addAudioInput(STR16("In"), arrangement);
    addAudioOutput(STR16("Out"), arrangement);
    if (thisMode().controller) setControllerClass(kControllerCid);
    return kResultOk;
  }
  int32 PLUGIN_API getBusCount(MediaType type, BusDirection dir) SMTG_OVERRIDE {
    if (type == kAudio && dir == kOutput && thisMode().claimedOutputBuses >= 0)
      return thisMode().claimedOutputBuses;
    return AudioEffect::getBusCount(type, dir);
  }
  tresult PLUGIN_API getBusInfo(MediaType type, BusDirection dir, int32 index, BusInfo& info) SMTG_OVERRIDE {
    const tresult result = AudioEffect::getBusInfo(type, dir, index, info);
    if (type == kAudio && thisMode().claimedChannels >= 0) info.channelCount = thisMode().claimedChannels;
    return result;
  }
  uint32 PLUGIN_API getLatencySamples() SMTG_OVERRIDE { return thisMode().latency; }
  tresult PLUGIN_API setProcessing(TBool) SMTG_OVERRIDE { return kResultOk; }

  tresult PLUGIN_API process(ProcessData& data) SMTG_OVERRIDE {
    readChanges(data.inputParameterChanges);
    if (data.numSamples == 0 || data.numOutputs < 1) return kResultOk;
    const float gain = static_cast<float>(std::pow(10.0, gainDb_ / 20.0) * (invert_ ? -1.0 : 1.0));
    const AudioBusBuffers& out = data.outputs[0];
    for (int32 c = 0; c < out.numChannels; ++c) {
      const float* in =
          data.numInputs > 0 && c < data.inputs[0].numChannels ? data.inputs[0].channelBuffers32[c] : nullptr;
      for (int32 i = 0; i < data.numSamples; ++i) {
        out.channelBuffers32[c][i] = thisMode().nanOutput ? std::numeric_limits<float>::quiet_NaN()
                                     : in != nullptr      ? in[i] * gain
                                                          : 0.0f;
      }
    }
    return kResultOk;
  }

  tresult PLUGIN_API setState(IBStream* state) SMTG_OVERRIDE {
    IBStreamer streamer(state, kLittleEndian);
    double gainDb = 0.0;
    int32 invert = 0;
    if (!streamer.readDouble(gainDb) || !streamer.readInt32(invert) ||
        !(gainDb >= kMinDb && gainDb <= kMaxDb))
      return kResultFalse;
    gainDb_ = gainDb;
    invert_ = invert != 0;
    return kResultOk;
  }
  tresult PLUGIN_API getState(IBStream* state) SMTG_OVERRIDE {
    if (thisMode().stateSeek > 0) state->seek(thisMode().stateSeek, IBStream::kIBSeekSet, nullptr);
    IBStreamer streamer(state, kLittleEndian);
    if (!streamer.writeDouble(gainDb_) || !streamer.writeInt32(invert_ ? 1 : 0)) return kResultFalse;
    const std::vector<char> padding(1 << 20);
    for (int64 left = thisMode().stateBytes; left > 0; left -= static_cast<int64>(padding.size())) {
      int32 wrote = 0;
      if (state->write(const_cast<char*>(padding.data()), static_cast<int32>(padding.size()), &wrote) !=
          kResultOk)
        return kResultFalse;
    }
    return kResultOk;
  }

 private:
  // The block's last value of each parameter; a test plug-in need not be sample-accurate.
  void readChanges(IParameterChanges* changes) {
    const int32 count = changes != nullptr ? changes->getParameterCount() : 0;
    for (int32 i = 0; i < count; ++i) {
      IParamValueQueue* queue = changes->getParameterData(i);
      int32 offset = 0;
      ParamValue value = 0.0;
      if (queue == nullptr || queue->getPoint(queue->getPointCount() - 1, offset, value) != kResultOk)
        continue;
      if (queue->getParameterId() == kGainId) gainDb_ = kMinDb + value * (kMaxDb - kMinDb);
      if (queue->getParameterId() == kInvertId) invert_ = value >= 0.5;
    }
  }

  double gainDb_ = 0.0;
  bool invert_ = false;
};

class GainController : public EditController {
 public:
  static FUnknown* create(void*) { return static_cast<IEditController*>(new GainController); }

  tresult PLUGIN_API initialize(FUnknown* context) SMTG_OVERRIDE {
    if (EditController::initialize(context) != kResultOk) return kResultFalse;
    parameters.addParameter(new RangeParameter(STR16("Gain"), kGainId, STR16("dB"), kMinDb, kMaxDb, 0.0));
    parameters.addParameter(STR16("Invert"), nullptr, 1, 0.0, ParameterInfo::kCanAutomate, kInvertId);
    return kResultOk;
  }
  tresult PLUGIN_API setComponentState(IBStream* state) SMTG_OVERRIDE {
    IBStreamer streamer(state, kLittleEndian);
    double gainDb = 0.0;
    int32 invert = 0;
    if (!streamer.readDouble(gainDb) || !streamer.readInt32(invert)) return kResultFalse;
    setParamNormalized(kGainId, (gainDb - kMinDb) / (kMaxDb - kMinDb));
    setParamNormalized(kInvertId, invert != 0 ? 1.0 : 0.0);
    return kResultOk;
  }
};

// Answers for any class index with the first class, so a lying count is believed all the way.
class BrokenFactory : public talvo::PluginFactory {
 public:
  using PluginFactory::PluginFactory;
  int32 PLUGIN_API countClasses() SMTG_OVERRIDE {
    return thisMode().claimedClasses >= 0 ? thisMode().claimedClasses : PluginFactory::countClasses();
  }
  tresult PLUGIN_API getClassInfo(int32 index, PClassInfo* info) SMTG_OVERRIDE {
    return PluginFactory::getClassInfo(thisMode().claimedClasses >= 0 ? 0 : index, info);
  }
  tresult PLUGIN_API getClassInfo2(int32 index, PClassInfo2* info) SMTG_OVERRIDE {
    return PluginFactory::getClassInfo2(thisMode().claimedClasses >= 0 ? 0 : index, info);
  }
};

}  // namespace

extern "C" {

SMTG_EXPORT_SYMBOL bool ModuleEntry(void* handle) {
  return !thisMode().entryFails && talvo::enterModule(handle);
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
  factory->registerClass(
      PClassInfo2(kProcessorCid, PClassInfo::kManyInstances, kVstAudioEffectClass, thisMode().name,
                  kDistributable, "Fx", nullptr, "1.0.0", kVstVersionString),
      &GainProcessor::create);
  if (thisMode().controller) {
    factory->registerClass(
        PClassInfo2(kControllerCid, PClassInfo::kManyInstances, kVstComponentControllerClass, thisMode().name,
                    0, "", nullptr, "1.0.0", kVstVersionString),
        &GainController::create);
  }
  talvo::gPluginFactory = factory;
  return factory;
}

}  // extern "C"
