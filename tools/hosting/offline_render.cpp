#include "hosting/offline_render.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

#include "hosting/channel_map.h"
#include "hosting/plugin_limits.h"
#include "hosting/process_buffers.h"

namespace talvo::host {

using Steinberg::kResultOk;

void SignalStats::add(const float* data, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const double x = data[i];
    if (!std::isfinite(x)) {
      ++nonFinite;
      continue;
    }
    peak = std::max(peak, std::fabs(x));
    sumSquares += x * x;
    ++samples;
  }
}

double SignalStats::rms() const {
  return samples > 0 ? std::sqrt(sumSquares / static_cast<double>(samples)) : 0.0;
}

std::int32_t blockParameterCapacity(PluginInstance& instance, std::int32_t hostParameters) {
  // Distinct parameters changed within one block; a plug-in's count may be a lie.
  constexpr std::int32_t kMaxPublished = 1024;
  const Steinberg::int32 published = instance.controller() ? instance.controller()->getParameterCount() : 0;
  return std::clamp<std::int32_t>(published, 0, kMaxPublished) + std::max(hostParameters, 1);
}

bool startOffline(PluginInstance& instance, double sampleRate, std::int32_t blockFrames, std::string& error) {
  if (instance.start(sampleRate, blockFrames, Steinberg::Vst::kOffline, error)) return true;
  char rate[32];
  std::snprintf(rate, sizeof rate, "%g", sampleRate);
  const std::int32_t largest = largestAcceptedBlock(*instance.processor(), sampleRate, blockFrames);
  if (largest == blockFrames) return false;  // refused after setupProcessing: start's reason stands
  if (largest > 0) {
    error = "the plug-in takes blocks of at most " + std::to_string(largest) + " frames at " + rate +
            " Hz; --block " + std::to_string(blockFrames) + " is more";
  } else {
    error = std::string("the plug-in refused to process at ") + rate + " Hz";
  }
  return false;
}

bool renderStream(PluginInstance& instance, AudioSource& source, double sampleRate,
                  const RenderSettings& settings, AudioSink& sink, RenderReport& report,
                  const RenderProgress& progress, std::string& error) {
  report = RenderReport{};
  const std::int32_t channels = source.channels();
  if (channels < 1 || settings.blockFrames < 1) {
    error = "nothing to render: no channels or an empty block size";
    return false;
  }
  std::int32_t busIn = 0, busOut = 0;
  if (!mainBusChannels(*instance.component(), Steinberg::Vst::kInput, busIn, error) ||
      !mainBusChannels(*instance.component(), Steinberg::Vst::kOutput, busOut, error) ||
      !planInputChannels(channels, busIn, settings.mixDown, report.channelNote, error) ||
      !checkedLatency(*instance.processor(), sampleRate, report.latency, error)) {
    return false;
  }
  if (busOut < 1) {
    error = "the plug-in has no audio output bus";
    return false;
  }
  if (!sink.open(busOut, error)) return false;

  report.inputFrames = source.frames();
  report.inputChannels = channels;
  report.outputChannels = busOut;
  const std::int64_t skip = settings.alignToInput ? report.latency : 0;
  const std::int64_t total = report.inputFrames + report.latency + settings.tailFrames;
  report.outputFrames = total - skip;

  const auto block = static_cast<std::size_t>(settings.blockFrames);
  std::vector<float> in(block * static_cast<std::size_t>(channels));
  std::vector<float> out(block * static_cast<std::size_t>(busOut));
  const ParameterDirectory directory(instance.controller());
  AutomationSchedule schedule(
      settings.lanes,
      [&directory](Steinberg::Vst::ParamID id, double plain) { return directory.toNormalized(id, plain); },
      sampleRate, settings.gridFrames);
  ProcessBuffers buffers(busIn, busOut, settings.blockFrames);
  std::vector<float*> inputs(static_cast<std::size_t>(busIn));
  for (std::int32_t c = 0; c < busIn; ++c)
    inputs[static_cast<std::size_t>(c)] = buffers.input(c);
  ParameterChanges changes(
      blockParameterCapacity(instance,
                             static_cast<std::int32_t>(settings.settings.size() + settings.lanes.size())),
      schedule.maxPointsPerBlock(settings.blockFrames));
  bool lostPoints = false;
  auto began = std::chrono::steady_clock::now();
  for (std::int64_t start = 0; start < total; start += settings.blockFrames) {
    auto frames = static_cast<std::int32_t>(std::min<std::int64_t>(settings.blockFrames, total - start));
    changes.clear();
    // The controller's edits first: settings and automation at the same frame win.
    (void)instance.componentHandler().drainInto(changes);
    if (start == 0) {
      for (const ParamSetting& s : settings.settings) {
        lostPoints |= !changes.addPoint(s.id, 0, s.normalized);
      }
    }
    lostPoints |= !schedule.addBlock(start, frames, changes);
    // Past the input's end the plug-in hears silence: its latency and the tail.
    const auto fromFile =
        static_cast<std::int32_t>(std::clamp<std::int64_t>(report.inputFrames - start, 0, frames));
    std::fill(in.begin(), in.end(), 0.0f);
    if (fromFile > 0 && !source.read(in.data(), fromFile, error)) return false;
    report.in.add(in.data(), static_cast<std::size_t>(fromFile) * static_cast<std::size_t>(channels));
    spreadInputChannels(in.data(), channels, frames, inputs.data(), busIn);

    Steinberg::Vst::ProcessData& data = buffers.prepare(frames, &changes, nullptr, Steinberg::Vst::kOffline);
    if (instance.processor()->process(data) != kResultOk) {
      error = "the plug-in failed to process the block at frame " + std::to_string(start);
      return false;
    }
    const auto dropped = static_cast<std::int32_t>(std::clamp<std::int64_t>(skip - start, 0, frames));
    for (std::int32_t i = dropped; i < frames; ++i) {
      for (std::int32_t c = 0; c < busOut; ++c)
        out[static_cast<std::size_t>((i - dropped) * busOut + c)] = buffers.output(c)[i];
    }
    const std::size_t kept = static_cast<std::size_t>(frames - dropped) * static_cast<std::size_t>(busOut);
    report.out.add(out.data(), kept);
    if (kept > 0 && !sink.write(out.data(), frames - dropped, error)) return false;
    if (progress) progress(start + frames, total);
  }
  report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  if (lostPoints) {
    error = "automation points did not fit into a block";
    return false;
  }
  return true;
}

}  // namespace talvo::host
