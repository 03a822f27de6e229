#include "validate/process_rig.h"

#include <cmath>

#include "hosting/plugin_limits.h"

namespace talvo::validate {

using Steinberg::kResultOk;
using namespace Steinberg::Vst;

bool ProcessRig::addBuses(IComponent& component, BusDirection direction, std::vector<Bus>& buses,
                          std::string& error) {
  std::int32_t count = 0;
  if (!host::countBuses(component, kAudio, direction, count, error)) return false;
  for (std::int32_t i = 0; i < count; ++i) {
    BusInfo info{};
    if (component.getBusInfo(kAudio, direction, i, info) != kResultOk) info.channelCount = 0;
    if (!host::checkBusChannels(info, direction, i, error)) return false;
    Bus bus;
    bus.channels = info.channelCount;
    const auto frames = static_cast<std::size_t>(maxFrames_);
    for (std::int32_t c = 0; c < bus.channels; ++c) {
      bus.samples32.emplace_back(frames, 0.0f);
      bus.samples64.emplace_back(frames, 0.0);
    }
    for (std::int32_t c = 0; c < bus.channels; ++c) {
      bus.pointers32.push_back(bus.samples32[static_cast<std::size_t>(c)].data());
      bus.pointers64.push_back(bus.samples64[static_cast<std::size_t>(c)].data());
    }
    buses.push_back(std::move(bus));
  }
  return true;
}

bool ProcessRig::setup(IComponent& component, std::int32_t maxFrames, std::int32_t sampleSize,
                       std::string& error, std::int32_t processMode) {
  maxFrames_ = maxFrames > 0 ? maxFrames : 1;
  sampleSize_ = sampleSize;
  processMode_ = processMode;
  inputs_.clear();
  outputs_.clear();
  if (!addBuses(component, kInput, inputs_, error) || !addBuses(component, kOutput, outputs_, error))
    return false;
  inputBuses_.assign(inputs_.size(), AudioBusBuffers{});
  outputBuses_.assign(outputs_.size(), AudioBusBuffers{});
  return true;
}

void ProcessRig::point(std::vector<Bus>& buses, std::vector<AudioBusBuffers>& out) {
  for (std::size_t b = 0; b < buses.size(); ++b) {
    out[b].numChannels = buses[b].channels;
    if (sampleSize_ == kSample64) {
      out[b].channelBuffers64 = buses[b].pointers64.empty() ? nullptr : buses[b].pointers64.data();
    } else {
      out[b].channelBuffers32 = buses[b].pointers32.empty() ? nullptr : buses[b].pointers32.data();
    }
  }
}

void ProcessRig::fillInputs(std::int32_t frames, bool silent) {
  for (std::size_t b = 0; b < inputs_.size(); ++b) {
    Bus& bus = inputs_[b];
    for (std::int32_t c = 0; c < bus.channels; ++c) {
      for (std::int32_t i = 0; i < frames; ++i) {
        noise_ = noise_ * 1664525u + 1013904223u;
        const double x = silent ? 0.0 : (static_cast<double>(noise_ >> 8) / 16777216.0 - 0.5);
        bus.samples32[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)] = static_cast<float>(x);
        bus.samples64[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)] = static_cast<float>(x);
      }
    }
    inputBuses_[b].silenceFlags = silent && bus.channels > 0 ? (std::uint64_t{1} << bus.channels) - 1 : 0;
  }
}

bool ProcessRig::run(IAudioProcessor& processor, std::int32_t frames, IParameterChanges* changes,
                     std::string& error) {
  point(inputs_, inputBuses_);
  point(outputs_, outputBuses_);
  for (AudioBusBuffers& bus : outputBuses_)
    bus.silenceFlags = 0;
  data_ = ProcessData{};
  data_.processMode = processMode_;
  data_.symbolicSampleSize = sampleSize_;
  data_.numSamples = frames;
  data_.numInputs = static_cast<Steinberg::int32>(inputBuses_.size());
  data_.inputs = inputBuses_.empty() ? nullptr : inputBuses_.data();
  data_.numOutputs = static_cast<Steinberg::int32>(outputBuses_.size());
  data_.outputs = outputBuses_.empty() ? nullptr : outputBuses_.data();
  data_.inputParameterChanges = changes;
  if (processor.process(data_) != kResultOk) {
    error = "the processor refused a block of " + std::to_string(frames) + " frames";
    return false;
  }
  for (std::size_t b = 0; b < outputs_.size(); ++b) {
    for (std::int32_t c = 0; c < outputs_[b].channels; ++c) {
      for (std::int32_t i = 0; i < frames; ++i) {
        if (std::isfinite(output(b, c, i))) continue;
        error = "the output holds a NaN or infinite sample (bus " + std::to_string(b) + ", channel " +
                std::to_string(c) + ", frame " + std::to_string(i) + " of a " + std::to_string(frames) +
                "-frame block)";
        return false;
      }
    }
  }
  return true;
}

double ProcessRig::output(std::size_t bus, std::int32_t channel, std::int32_t frame) const {
  const auto c = static_cast<std::size_t>(channel);
  const auto i = static_cast<std::size_t>(frame);
  return sampleSize_ == kSample64 ? outputs_[bus].samples64[c][i] : outputs_[bus].samples32[c][i];
}

void ProcessRig::appendOutputs(std::int32_t frames, std::vector<double>& out) const {
  for (std::int32_t i = 0; i < frames; ++i)
    for (std::size_t b = 0; b < outputs_.size(); ++b)
      for (std::int32_t c = 0; c < outputs_[b].channels; ++c)
        out.push_back(output(b, c, i));
}

bool accepts(host::PluginInstance& instance, const RenderPlan& plan) {
  std::string ignored;
  const bool started =
      instance.start(plan.sampleRate, plan.maxFrames, plan.processMode, ignored, plan.sampleSize);
  instance.stop();
  return started;
}

bool renderNoise(host::PluginInstance& instance, const RenderPlan& plan, std::vector<double>* capture,
                 std::string& error) {
  ProcessRig rig;
  if (!rig.setup(*instance.component(), plan.maxFrames, plan.sampleSize, error, plan.processMode) ||
      !instance.start(plan.sampleRate, plan.maxFrames, plan.processMode, error, plan.sampleSize)) {
    return false;
  }
  host::ParameterChanges changes(64, 64);
  bool ok = true;
  for (std::int32_t index = 0; ok && index < plan.blocks; ++index) {
    const std::int32_t frames = plan.frames ? plan.frames(index) : plan.maxFrames;
    changes.clear();
    if (plan.automate) plan.automate(index, frames, changes);
    rig.fillInputs(frames);
    ok = rig.run(*instance.processor(), frames, &changes, error);
    if (ok && capture != nullptr) rig.appendOutputs(frames, *capture);
  }
  instance.stop();
  return ok;
}

}  // namespace talvo::validate
