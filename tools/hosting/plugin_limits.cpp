#include "hosting/plugin_limits.h"

#include <cmath>
#include <cstdio>

namespace talvo::host {

using Steinberg::kResultOk;
using Steinberg::Vst::BusDirection;

namespace {

const char* inWords(BusDirection direction) {
  return direction == Steinberg::Vst::kInput ? "input" : "output";
}

}  // namespace

bool countBuses(Steinberg::Vst::IComponent& component, Steinberg::Vst::MediaType type, BusDirection direction,
                std::int32_t& out, std::string& error) {
  const Steinberg::int32 count = component.getBusCount(type, direction);
  if (count < 0 || count > kMaxBuses) {
    error = "the plug-in claims " + std::to_string(count) + " " +
            (type == Steinberg::Vst::kAudio ? "audio " : "event ") + inWords(direction) +
            " buses; this host believes at most " + std::to_string(kMaxBuses);
    return false;
  }
  out = count;
  return true;
}

bool checkBusChannels(const Steinberg::Vst::BusInfo& info, BusDirection direction, std::int32_t index,
                      std::string& error) {
  if (info.mediaType != Steinberg::Vst::kAudio ||
      (info.channelCount >= 0 && info.channelCount <= kMaxBusChannels))
    return true;
  error = "the plug-in claims " + std::to_string(info.channelCount) + " channels on audio " +
          inWords(direction) + " bus " + std::to_string(index) + "; this host believes at most " +
          std::to_string(kMaxBusChannels);
  return false;
}

bool mainBusChannels(Steinberg::Vst::IComponent& component, BusDirection direction, std::int32_t& out,
                     std::string& error) {
  std::int32_t count = 0;
  if (!countBuses(component, Steinberg::Vst::kAudio, direction, count, error)) return false;
  Steinberg::Vst::BusInfo info{};
  if (count < 1 || component.getBusInfo(Steinberg::Vst::kAudio, direction, 0, info) != kResultOk) {
    out = 0;
    return true;
  }
  if (!checkBusChannels(info, direction, 0, error)) return false;
  out = info.channelCount;
  return true;
}

bool checkedLatency(Steinberg::Vst::IAudioProcessor& processor, double sampleRate, std::int64_t& out,
                    std::string& error) {
  const Steinberg::uint32 latency = processor.getLatencySamples();
  if (static_cast<double>(latency) > std::ceil(kMaxLatencySeconds * sampleRate)) {
    char rate[32];
    std::snprintf(rate, sizeof rate, "%g", sampleRate);
    error = "the plug-in reports a latency of " + std::to_string(latency) + " frames at " + rate +
            " Hz, more than the " + std::to_string(static_cast<int>(kMaxLatencySeconds)) +
            " seconds this host believes";
    return false;
  }
  out = latency;
  return true;
}

std::int32_t largestAcceptedBlock(Steinberg::Vst::IAudioProcessor& processor, double sampleRate,
                                  std::int32_t upTo) {
  auto accepts = [&](std::int32_t frames) {
    Steinberg::Vst::ProcessSetup setup{Steinberg::Vst::kOffline, Steinberg::Vst::kSample32, frames,
                                       sampleRate};
    return processor.setupProcessing(setup) == kResultOk;
  };
  // Plug-ins accept every size up to a ceiling, so the ceiling is found by halving.
  std::int32_t low = 0, high = upTo;
  while (low < high) {
    const std::int32_t middle = low + (high - low + 1) / 2;
    if (accepts(middle)) {
      low = middle;
    } else {
      high = middle - 1;
    }
  }
  return low;
}

}  // namespace talvo::host
