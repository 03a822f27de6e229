// talvo-host render: an audio file through the plug-in, block by block, at
// the file's own sample rate, with fixed settings, automation and state,
// streamed from the input file to the output file.
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "hosting/bounded_file.h"
#include "hosting/loaded_plugin.h"
#include "hosting/offline_render.h"
#include "hosting/plugin_limits.h"
#include "talvo_host/audio_file.h"
#include "talvo_host/command_line.h"
#include "talvo_host/commands.h"
#include "talvo_host/held_stderr.h"
#include "talvo_host/output_format.h"
#include "talvo_host/progress_bar.h"
#include "talvo_host/replacing_file.h"
#include "talvo_host/text.h"

namespace talvo::host {

namespace {

constexpr double kMaxTailSeconds = 3600.0;

struct RenderRequest {
  RenderSettings settings;
  double tailSeconds = 0.0;
  OutputFormat format;
  bool allowNonFinite = false;
};

bool readSettings(const CommandLine& args, RenderSettings& settings, std::string& error) {
  long block = settings.blockFrames;
  if (args.has("--block") && !parseInteger(args.value("--block"), 1, 1L << 20, block)) {
    error = "--block needs a whole number of frames, at least 1";
    return false;
  }
  settings.blockFrames = static_cast<std::int32_t>(block);
  settings.alignToInput = args.flagSet("--align");
  settings.mixDown = args.flagSet("--mix-down");
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

bool sameFile(const std::string& a, const std::string& b) {
  struct stat first {
  }, second{};
  return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

bool readRequest(const CommandLine& args, RenderRequest& request, std::string& error) {
  if (!readSettings(args, request.settings, error)) return false;
  if (args.has("--tail") && (!parseReal(args.value("--tail"), request.tailSeconds) ||
                             request.tailSeconds < 0.0 || request.tailSeconds > kMaxTailSeconds)) {
    error = "--tail needs a number of seconds from 0 to " + std::to_string(static_cast<int>(kMaxTailSeconds));
    return false;
  }
  long bits = 0;
  if (args.has("--bits") && !parseInteger(args.value("--bits"), 1, 64, bits)) {
    error = "--bits needs 16, 24 or 32";
    return false;
  }
  if (!chooseOutputFormat(args.value("--out"), args.value("--format"), static_cast<int>(bits), request.format,
                          error)) {
    return false;
  }
  // Writing over the input would destroy it before it is read to the end.
  for (const char* option : {"--out", "--state-out"}) {
    if (args.has(option) && sameFile(args.value(option), args.value("--in"))) {
      error = std::string(option) + " names the input file " + args.value("--in");
      return false;
    }
  }
  request.allowNonFinite = args.flagSet("--allow-nonfinite");
  return true;
}

// Empty when every sample was finite.
std::string nonFiniteCounts(const RenderReport& report) {
  if (report.in.nonFinite == 0 && report.out.nonFinite == 0) return "";
  std::string text = "non-finite samples (NaN or infinity): ";
  if (report.in.nonFinite > 0) text += std::to_string(report.in.nonFinite) + " in the input";
  if (report.in.nonFinite > 0 && report.out.nonFinite > 0) text += ", ";
  if (report.out.nonFinite > 0) text += std::to_string(report.out.nonFinite) + " in the plug-in's output";
  return text;
}

void printSummary(const RenderReport& report, const RenderRequest& request, double sampleRate) {
  const double audioSeconds = static_cast<double>(report.outputFrames) / sampleRate;
  const double factor = report.seconds > 0 ? audioSeconds / report.seconds : 0.0;
  std::string extra;
  if (request.settings.tailFrames > 0)
    extra += ", tail " + std::to_string(request.settings.tailFrames) + " frames";
  extra += "; in peak " + decibels(report.in.peak) + " dBFS rms " + decibels(report.in.rms()) + " dBFS";
  extra += "; out peak " + decibels(report.out.peak) + " dBFS rms " + decibels(report.out.rms()) + " dBFS";
  char speed[32];
  std::snprintf(speed, sizeof speed, "; %.1fx realtime", factor);
  extra += speed;
  extra += "; " + request.format.description;
  if (!report.channelNote.empty()) extra += "; " + report.channelNote;
  if (!request.format.lossless && report.out.peak > 1.0) extra += "; peaks above 0 dBFS clipped";
  if (const std::string counts = nonFiniteCounts(report); !counts.empty()) extra += "; " + counts + ", kept";
  std::printf("rendered %lld frames at %g Hz (%d ch in, %d ch out), latency %lld frames%s%s\n",
              static_cast<long long>(report.outputFrames), sampleRate, report.inputChannels,
              report.outputChannels, static_cast<long long>(report.latency),
              request.settings.alignToInput ? " (removed)" : "", extra.c_str());
}

int fail(const std::string& error) {
  reportFailure(error);
  return 1;
}

}  // namespace

int runRender(int argc, char** argv) {
  CommandLine args;
  std::string error;
  RenderRequest request;
  if (!args.parse(argc, argv,
                  {"--in", "--out", "--block", "--set", "--automate", "--state-in", "--state-out", "--tail",
                   "--format", "--bits"},
                  {"--align", "--mix-down", "--allow-nonfinite"}, error) ||
      args.positional().size() != 1 || !args.has("--in") || !args.has("--out") ||
      !readRequest(args, request, error)) {
    reportFailure(error.empty() ? "render needs one bundle, --in and --out" : error);
    return 2;
  }
  AudioFileReader input;
  if (!input.open(args.value("--in"), error)) return fail(error);
  const double rate = input.sampleRate();
  request.settings.tailFrames = std::llround(request.tailSeconds * rate);
  LoadedPlugin plugin;
  if (!loadPlugin(args.positional()[0], plugin, error)) return fail(error);
  if (args.has("--state-in")) {
    std::string state;
    if (!readFileBounded(args.value("--state-in"), kMaxStateBytes, state, error)) return fail(error);
    if (!plugin.instance->setState(state, error)) return fail(error + " in " + args.value("--state-in"));
  }
  {
    // A refused block size is explained in one line; the plug-in's own words
    // go through only when it accepts.
    HeldStandardError held;
    if (startOffline(*plugin.instance, rate, request.settings.blockFrames, error)) held.release();
  }
  if (!plugin.instance->started()) return fail(error);

  AudioFileWriter output(args.value("--out"), request.format.sndfile, rate);
  RenderReport report;
  bool rendered = false;
  {
    ProgressBar bar(static_cast<std::int64_t>(rate * 5));
    rendered = renderStream(
        *plugin.instance, input, rate, request.settings, output, report,
        [&bar](std::int64_t done, std::int64_t total) { bar.update(done, total); }, error);
  }
  plugin.instance->stop();
  if (!rendered) return fail(error);
  if (const std::string counts = nonFiniteCounts(report); !counts.empty() && !request.allowNonFinite) {
    return fail(counts + "; nothing written (--allow-nonfinite writes them)");
  }
  // The state is taken before anything is put in place, so a refused state leaves no new files.
  std::string state;
  if (args.has("--state-out") && !plugin.instance->getState(state, error)) {
    return fail("cannot save the plug-in state: " + error);
  }
  if (!output.commit(error)) return fail(error);
  if (args.has("--state-out") && !writeFileReplacing(args.value("--state-out"), state, error))
    return fail(error);
  printSummary(report, request, rate);
  return 0;
}

}  // namespace talvo::host
