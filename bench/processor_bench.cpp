// The audio callback's cost per host block, with one automation point per
// block: host-native at 48000 Hz and rate-converted at 44100 Hz.
#include <benchmark/benchmark.h>

#include <vector>

#include "params/params.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"
#include "processor/talvo_processor.h"

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

// One queue with one point, enough to exercise the parameter intake.
class OnePoint : public IParamValueQueue, public IParameterChanges {
 public:
  double value = 0.5;
  ParamID PLUGIN_API getParameterId() override { return talvo::kParamDepth; }
  int32 PLUGIN_API getPointCount() override { return 1; }
  tresult PLUGIN_API getPoint(int32, int32& offset, ParamValue& v) override {
    offset = 17;
    v = value;
    return kResultTrue;
  }
  tresult PLUGIN_API addPoint(int32, ParamValue, int32&) override { return kResultFalse; }
  int32 PLUGIN_API getParameterCount() override { return 1; }
  IParamValueQueue* PLUGIN_API getParameterData(int32) override { return this; }
  IParamValueQueue* PLUGIN_API addParameterData(const ParamID&, int32&) override { return nullptr; }
  tresult PLUGIN_API queryInterface(const TUID, void** obj) override {
    *obj = nullptr;
    return kNoInterface;
  }
  uint32 PLUGIN_API addRef() override { return 1; }
  uint32 PLUGIN_API release() override { return 1; }
};

void processBlocks(benchmark::State& state, double rate) {
  const int frames = static_cast<int>(state.range(0));
  IPtr<talvo::TalvoProcessor> processor = owned(new talvo::TalvoProcessor());
  processor->initialize(nullptr);
  ProcessSetup setup{kRealtime, kSample32, frames, rate};
  if (processor->setupProcessing(setup) != kResultOk || processor->setActive(true) != kResultOk) {
    state.SkipWithError("setup refused");
    return;
  }
  std::vector<float> inL(static_cast<size_t>(frames)), inR(inL), outL(inL), outR(inL);
  for (int i = 0; i < frames; ++i)
    inL[static_cast<size_t>(i)] = inR[static_cast<size_t>(i)] = (i % 50) / 50.0f;
  float* ins[2] = {inL.data(), inR.data()};
  float* outs[2] = {outL.data(), outR.data()};
  AudioBusBuffers in, out;
  in.numChannels = out.numChannels = 2;
  in.channelBuffers32 = ins;
  out.channelBuffers32 = outs;
  OnePoint changes;
  ProcessData data;
  data.numSamples = frames;
  data.numInputs = data.numOutputs = 1;
  data.inputs = &in;
  data.outputs = &out;
  data.inputParameterChanges = &changes;
  for (auto _ : state) {
    changes.value = changes.value > 0.4 ? 0.2 : 0.6;
    processor->process(data);
    benchmark::DoNotOptimize(outL.data());
  }
  state.SetItemsProcessed(state.iterations() * frames);
  processor->setActive(false);
  processor->terminate();
}

void BM_ProcessHostNative48k(benchmark::State& state) {
  processBlocks(state, 48000.0);
}
void BM_ProcessRateConverted44k1(benchmark::State& state) {
  processBlocks(state, 44100.0);
}

BENCHMARK(BM_ProcessHostNative48k)->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK(BM_ProcessRateConverted44k1)->Arg(64)->Arg(512)->Arg(4096);

}  // namespace
