#include "hosting/offline_render.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "hosting/process_buffers.h"

namespace talvo::host {

using Steinberg::kResultOk;

void SignalStats::add(const float* data, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    double x = data[i];
    peak = std::max(peak, std::fabs(x));
    sumSquares += x * x;
  }
  samples += static_cast<std::int64_t>(count);
}

double SignalStats::rms() const {
  return samples > 0 ? std::sqrt(sumSquares / static_cast<double>(samples)) : 0.0;
}

std::int32_t blockParameterCapacity(PluginInstance& instance) {
  const Steinberg::int32 published = instance.controller() ? instance.controller()->getParameterCount() : 0;
  return std::max<std::int32_t>(static_cast<std::int32_t>(TALVO_PARAM_COUNT), published);
}

std::int32_t mainBusChannels(Steinberg::Vst::IComponent& component, Steinberg::Vst::BusDirection direction) {
  if (component.getBusCount(Steinberg::Vst::kAudio, direction) < 1) return 0;
  Steinberg::Vst::BusInfo info{};
  if (component.getBusInfo(Steinberg::Vst::kAudio, direction, 0, info) != kResultOk) return 0;
  return info.channelCount;
}

bool renderInterleaved(PluginInstance& instance, const std::vector<float>& input, std::int32_t channels,
                       double sampleRate, const RenderSettings& settings, std::vector<float>& output,
                       RenderReport& report, const RenderProgress& progress, std::string& error) {
  report = RenderReport{};
  if (channels < 1 || settings.blockFrames < 1) {
    error = "nothing to render: no channels or an empty block size";
    return false;
  }
  const std::int32_t busIn = mainBusChannels(*instance.component(), Steinberg::Vst::kInput);
  const std::int32_t busOut = mainBusChannels(*instance.component(), Steinberg::Vst::kOutput);
  if (busOut < 1) {
    error = "the plug-in has no audio output bus";
    return false;
  }
  if (!instance.start(sampleRate, settings.blockFrames, Steinberg::Vst::kOffline, error)) return false;

  report.inputFrames = static_cast<std::int64_t>(input.size()) / channels;
  report.inputChannels = channels;
  report.outputChannels = busOut;
  report.latency = static_cast<std::int32_t>(instance.processor()->getLatencySamples());
  report.in.add(input.data(), static_cast<std::size_t>(report.inputFrames * channels));
  const std::int64_t skip = settings.alignToInput ? report.latency : 0;
  const std::int64_t total = report.inputFrames + report.latency;
  report.outputFrames = total - skip;
  output.assign(static_cast<std::size_t>(report.outputFrames * busOut), 0.0f);

  AutomationSchedule schedule(settings.lanes, sampleRate, settings.gridFrames);
  ProcessBuffers buffers(busIn, busOut, settings.blockFrames);
  ParameterChanges changes(blockParameterCapacity(instance),
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
        lostPoints |= !changes.addPoint(s.desc->id, 0, talvo_param_normalize(s.desc, s.plain));
      }
    }
    lostPoints |= !schedule.addBlock(start, frames, changes);
    for (std::int32_t c = 0; c < busIn; ++c) {
      float* dst = buffers.input(c);
      const std::int32_t source = std::min(c, channels - 1);
      for (std::int32_t i = 0; i < frames; ++i) {
        std::int64_t frame = start + i;
        dst[i] =
            frame < report.inputFrames ? input[static_cast<std::size_t>(frame * channels + source)] : 0.0f;
      }
    }
    Steinberg::Vst::ProcessData& data = buffers.prepare(frames, &changes, nullptr, Steinberg::Vst::kOffline);
    if (instance.processor()->process(data) != kResultOk) {
      error = "the plug-in failed to process the block at frame " + std::to_string(start);
      instance.stop();
      return false;
    }
    for (std::int32_t i = 0; i < frames; ++i) {
      std::int64_t frame = start + i - skip;
      if (frame < 0) continue;
      for (std::int32_t c = 0; c < busOut; ++c) {
        output[static_cast<std::size_t>(frame * busOut + c)] = buffers.output(c)[i];
      }
    }
    if (progress) progress(std::min(start + frames, total), total);
  }
  report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  instance.stop();
  report.out.add(output.data(), output.size());
  if (lostPoints) {
    error = "automation points did not fit into a block";
    return false;
  }
  return true;
}

}  // namespace talvo::host
