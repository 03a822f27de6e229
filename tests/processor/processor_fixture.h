#pragma once
// A processor initialised with the SDK's host application as its context and
// connected to a recording peer, as a host would leave it before setup.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "processor/host_doubles.h"
#include "processor/talvo_processor.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

namespace talvo::test {

class ProcessorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host_ = std::make_unique<Steinberg::Vst::HostApplication>();
    processor_ = Steinberg::owned(new TalvoProcessor());
    ASSERT_EQ(processor_->initialize(host_.get()), Steinberg::kResultOk);
    ASSERT_EQ(processor_->connect(&peer_), Steinberg::kResultOk);
  }
  void TearDown() override {
    processor_->setActive(false);
    processor_->disconnect(&peer_);
    processor_->terminate();
  }

  Steinberg::tresult setup(double rate, Steinberg::int32 maxBlock,
                           Steinberg::int32 sampleSize = Steinberg::Vst::kSample32) {
    Steinberg::Vst::ProcessSetup s{Steinberg::Vst::kRealtime, sampleSize, maxBlock, rate};
    return processor_->setupProcessing(s);
  }
  /// setupProcessing and setActive(true), as a host starts processing.
  void start(double rate, Steinberg::int32 maxBlock) {
    ASSERT_EQ(setup(rate, maxBlock), Steinberg::kResultOk);
    ASSERT_EQ(processor_->setActive(true), Steinberg::kResultOk);
  }

  // The SDK's host application does not count references; it is ours to delete.
  std::unique_ptr<Steinberg::Vst::HostApplication> host_;
  MessageRecorder peer_;
  Steinberg::IPtr<TalvoProcessor> processor_;
};

/// Stereo in and out buffers of `frames` samples for one process call.
struct StereoBlock {
  explicit StereoBlock(int frames, float input = 0.0f)
      : inL(static_cast<size_t>(frames), input),
        inR(static_cast<size_t>(frames), input),
        outL(static_cast<size_t>(frames), 0.5f),
        outR(static_cast<size_t>(frames), 0.5f) {
    in.numChannels = 2;
    in.channelBuffers32 = inPtrs;
    out.numChannels = 2;
    out.channelBuffers32 = outPtrs;
    data.numSamples = frames;
    data.numInputs = 1;
    data.numOutputs = 1;
    data.inputs = &in;
    data.outputs = &out;
  }
  std::vector<float> inL, inR, outL, outR;
  float* inPtrs[2] = {inL.data(), inR.data()};
  float* outPtrs[2] = {outL.data(), outR.data()};
  Steinberg::Vst::AudioBusBuffers in, out;
  Steinberg::Vst::ProcessData data;
};

}  // namespace talvo::test
