// What the processor's audio callback adds to the engine it drives: the same
// 512-frame stereo blocks with an automation point every 32 frames, through
// TalvoProcessor::process and straight through a KernelEngine, side by side
// in alternating order, at 48000 Hz (direct) and 44100 and 96000 Hz
// (rate-converted). Counters, from each one's fastest stretch of blocks
// (bench/side_by_side.h): ns per host frame and the processor's overhead.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "engine/kernel_engine.h"
#include "params/params.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"
#include "processor/talvo_processor.h"
#include "side_by_side.h"

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

constexpr int kBlock = 512;
constexpr int kStep = 32;
constexpr int kPoints = kBlock / kStep;

// One automation point every 32 frames, the parameters taking turns.
double pointValue(long long block, int point) {
  return 0.5 + 0.4 * std::sin(0.01 * static_cast<double>(block * kPoints + point));
}

std::uint32_t pointParameter(int point) {
  return static_cast<std::uint32_t>(point % TALVO_PARAM_COUNT);
}

// The block's points as the host hands them over: one queue per parameter.
class BlockPoints : public IParameterChanges {
 public:
  long long block = 0;

  int32 PLUGIN_API getParameterCount() override { return TALVO_PARAM_COUNT; }
  IParamValueQueue* PLUGIN_API getParameterData(int32 index) override { return &queues_[index]; }
  IParamValueQueue* PLUGIN_API addParameterData(const ParamID&, int32&) override { return nullptr; }
  tresult PLUGIN_API queryInterface(const TUID, void** obj) override {
    *obj = nullptr;
    return kNoInterface;
  }
  uint32 PLUGIN_API addRef() override { return 1; }
  uint32 PLUGIN_API release() override { return 1; }

 private:
  class Queue : public IParamValueQueue {
   public:
    Queue(BlockPoints* points, ParamID parameter) : owner(points), id(parameter) {}
    BlockPoints* owner;
    ParamID id;
    ParamID PLUGIN_API getParameterId() override { return id; }
    int32 PLUGIN_API getPointCount() override { return (kPoints - static_cast<int32>(id) + 2) / 3; }
    tresult PLUGIN_API getPoint(int32 index, int32& offset, ParamValue& value) override {
      const int point = index * TALVO_PARAM_COUNT + static_cast<int>(id);
      offset = point * kStep;
      value = pointValue(owner->block, point);
      return kResultTrue;
    }
    tresult PLUGIN_API addPoint(int32, ParamValue, int32&) override { return kResultFalse; }
    tresult PLUGIN_API queryInterface(const TUID, void** obj) override {
      *obj = nullptr;
      return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }
  };
  Queue queues_[TALVO_PARAM_COUNT] = {Queue(this, 0), Queue(this, 1), Queue(this, 2)};
};

void processorOverEngine(benchmark::State& state) {
  const double rate = static_cast<double>(state.range(0));
  IPtr<talvo::TalvoProcessor> processor = owned(new talvo::TalvoProcessor());
  processor->initialize(nullptr);
  ProcessSetup setup{kRealtime, kSample32, kBlock, rate};
  talvo::KernelEngine engine;
  if (processor->setupProcessing(setup) != kResultOk || processor->setActive(true) != kResultOk ||
      !engine.setup(rate, kBlock)) {
    state.SkipWithError("setup refused");
    return;
  }
  std::vector<float> inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock);
  for (int i = 0; i < kBlock; ++i)
    inL[static_cast<size_t>(i)] = inR[static_cast<size_t>(i)] = static_cast<float>(0.5 * std::sin(0.06 * i));
  float* ins[2] = {inL.data(), inR.data()};
  float* outs[2] = {outL.data(), outR.data()};
  AudioBusBuffers in, out;
  in.numChannels = out.numChannels = 2;
  in.channelBuffers32 = ins;
  out.channelBuffers32 = outs;
  BlockPoints points;
  ProcessData data;
  data.numSamples = kBlock;
  data.numInputs = data.numOutputs = 1;
  data.inputs = &in;
  data.outputs = &out;
  data.inputParameterChanges = &points;

  auto viaProcessor = [&](long long block) {
    points.block = block;
    processor->process(data);
    benchmark::DoNotOptimize(outL.data());
  };
  auto viaEngine = [&](long long block) {
    for (int point = 0; point < kPoints; ++point)
      engine.pushParamNormalized(pointParameter(point), pointValue(block, point), point * kStep);
    engine.processBlock(ins, 2, outs, 2, kBlock);
    benchmark::DoNotOptimize(outL.data());
  };
  talvo::bench::SideBySide timing;
  timing.run(state, viaProcessor, viaEngine);
  state.counters["processor_ns"] = timing.fastest(0) * 1e9 / kBlock;
  state.counters["engine_ns"] = timing.fastest(1) * 1e9 / kBlock;
  state.counters["overhead_pct"] = 100.0 * (timing.fastest(0) / timing.fastest(1) - 1.0);
  processor->setActive(false);
  processor->terminate();
}

}  // namespace

BENCHMARK(processorOverEngine)
    ->Name("process")
    ->ArgName("rate")
    ->Arg(48000)
    ->Arg(44100)
    ->Arg(96000)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
