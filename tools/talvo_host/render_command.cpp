// talvo-host render: an audio file through the plug-in, block by block, at
// the file's own sample rate, with fixed settings, automation and state.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "hosting/loaded_plugin.h"
#include "hosting/offline_render.h"
#include "talvo_host/audio_file.h"
#include "talvo_host/command_line.h"
#include "talvo_host/commands.h"
#include "talvo_host/progress_bar.h"
#include "talvo_host/text.h"

namespace talvo::host {

namespace {

bool readBytes(const std::string& path, std::string& out) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::ostringstream text;
  text << file.rdbuf();
  out = text.str();
  return !file.bad();
}

bool writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file.close();
  return !file.fail();
}

bool readSettings(const CommandLine& args, RenderSettings& settings, std::string& error) {
  long block = settings.blockFrames;
  if (args.has("--block") && !parseInteger(args.value("--block"), 1, 1L << 20, block)) {
    error = "--block needs a whole number of frames, at least 1";
    return false;
  }
  settings.blockFrames = static_cast<std::int32_t>(block);
  settings.alignToInput = args.flagSet("--align");
  for (const std::string& text : args.values("--set")) {
    ParamSetting setting;
    if (!parseSetting(text, setting, error)) return false;
    settings.settings.push_back(setting);
  }
  for (const std::string& text : args.values("--automate")) {
    AutomationLane lane;
    if (!parseAutomation(text, lane, error)) return false;
    // Two lanes for one parameter would interleave their points into nonsense.
    for (const AutomationLane& other : settings.lanes) {
      if (other.desc == lane.desc) {
        error = std::string(lane.desc->path) + " is automated twice";
        return false;
      }
    }
    settings.lanes.push_back(std::move(lane));
  }
  return true;
}

}  // namespace

int runRender(int argc, char** argv) {
  CommandLine args;
  std::string error;
  if (!args.parse(argc, argv,
                  {"--in", "--out", "--block", "--set", "--automate", "--state-in", "--state-out"},
                  {"--align"}, error) ||
      args.positional().size() != 1 || !args.has("--in") || !args.has("--out")) {
    reportFailure(error.empty() ? "render needs one bundle, --in and --out" : error);
    return 2;
  }
  RenderSettings settings;
  if (!readSettings(args, settings, error)) {
    reportFailure(error);
    return 2;
  }
  AudioData input;
  if (!readAudioFile(args.value("--in"), input, error)) {
    reportFailure(error);
    return 1;
  }
  LoadedPlugin plugin;
  if (!loadPlugin(args.positional()[0], plugin, error)) {
    reportFailure(error);
    return 1;
  }
  if (args.has("--state-in")) {
    std::string state;
    if (!readBytes(args.value("--state-in"), state)) {
      reportFailure("cannot read " + args.value("--state-in"));
      return 1;
    }
    if (!plugin.instance->setState(state)) {
      reportFailure("the plug-in refused the state in " + args.value("--state-in"));
      return 1;
    }
  }

  AudioData output;
  output.sampleRate = input.sampleRate;
  RenderReport report;
  {
    ProgressBar bar(input.frames(), static_cast<std::int64_t>(input.sampleRate * 5));
    if (!renderInterleaved(
            *plugin.instance, input.samples, input.channels, input.sampleRate, settings, output.samples,
            report, [&bar](std::int64_t done, std::int64_t) { bar.update(done); }, error)) {
      reportFailure(error);
      return 1;
    }
  }
  output.channels = report.outputChannels;
  if (!writeAudioFile(args.value("--out"), output, error)) {
    reportFailure(error);
    return 1;
  }
  if (args.has("--state-out")) {
    std::string state;
    if (!plugin.instance->getState(state) || !writeBytes(args.value("--state-out"), state)) {
      reportFailure("cannot save the plug-in state to " + args.value("--state-out"));
      return 1;
    }
  }
  double audioSeconds = static_cast<double>(report.outputFrames) / input.sampleRate;
  double factor = report.seconds > 0 ? audioSeconds / report.seconds : 0.0;
  std::printf(
      "rendered %lld frames at %g Hz (%d ch in, %d ch out), latency %d frames%s; in peak %s dBFS rms %s "
      "dBFS; "
      "out peak %s dBFS rms %s dBFS; %.1fx realtime\n",
      static_cast<long long>(report.outputFrames), input.sampleRate, report.inputChannels,
      report.outputChannels, report.latency, settings.alignToInput ? " (removed)" : "",
      decibels(report.in.peak).c_str(), decibels(report.in.rms()).c_str(), decibels(report.out.peak).c_str(),
      decibels(report.out.rms()).c_str(), factor);
  return 0;
}

}  // namespace talvo::host
