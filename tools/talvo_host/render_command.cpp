// talvo-host render: an audio file through the plug-in, block by block, at
// the file's own sample rate, with fixed settings, automation and state,
// streamed from the input file to the output file.
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "hosting/bounded_file.h"
#include "hosting/loaded_plugin.h"
#include "hosting/offline_render.h"
#include "hosting/parameter_directory.h"
#include "hosting/plugin_limits.h"
#include "talvo_host/audio_file.h"
#include "talvo_host/commands.h"
#include "talvo_host/held_stderr.h"
#include "talvo_host/output_format.h"
#include "talvo_host/progress_bar.h"
#include "talvo_host/replacing_file.h"
#include "talvo_host/text.h"

namespace talvo::host {

namespace {

constexpr double kMaxTailSeconds = 3600.0;

struct RenderOptions {
  std::string bundle, in, out, stateIn, stateOut, format;
  std::int32_t block = 512;
  int bits = 0;
  double tail = 0.0;
  bool align = false, mixDown = false, allowNonFinite = false;
  std::vector<std::string> settings, automations;
};

struct RenderRequest {
  RenderSettings settings;
  OutputFormat format;
};

bool sameFile(const std::string& a, const std::string& b) {
  struct stat first {
  }, second{};
  return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

// What can be checked before anything is loaded.
bool readRequest(const RenderOptions& options, RenderRequest& request, std::string& error) {
  request.settings.blockFrames = options.block;
  request.settings.alignToInput = options.align;
  request.settings.mixDown = options.mixDown;
  if (!chooseOutputFormat(options.out, options.format, options.bits, request.format, error)) return false;
  // Writing over the input would destroy it before it is read to the end.
  for (const auto& [option, path] :
       {std::pair{"--out", &options.out}, std::pair{"--state-out", &options.stateOut}}) {
    if (!path->empty() && sameFile(*path, options.in)) {
      error = std::string(option) + " names the input file " + options.in;
      return false;
    }
  }
  return true;
}

// Names and values through the plug-in's own controller.
bool readParameters(const RenderOptions& options, const ParameterDirectory& directory,
                    RenderSettings& settings, std::string& error) {
  for (const std::string& text : options.settings) {
    ParamSetting setting;
    if (!parseSetting(directory, text, setting, error)) return false;
    settings.settings.push_back(setting);
  }
  for (const std::string& text : options.automations) {
    AutomationLane lane;
    if (!parseAutomation(directory, text, lane, error)) return false;
    // Two lanes for one parameter would interleave their points into nonsense.
    for (const AutomationLane& other : settings.lanes) {
      if (other.id == lane.id) {
        error = lane.name + " is automated twice";
        return false;
      }
    }
    settings.lanes.push_back(std::move(lane));
  }
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

int runRender(const RenderOptions& options) {
  std::string error;
  RenderRequest request;
  if (!readRequest(options, request, error)) {
    reportFailure(error);
    return 2;
  }
  AudioFileReader input;
  if (!input.open(options.in, error)) return fail(error);
  const double rate = input.sampleRate();
  request.settings.tailFrames = std::llround(options.tail * rate);
  LoadedPlugin plugin;
  if (!loadPlugin(options.bundle, plugin, error)) return fail(error);
  if (!readParameters(options, ParameterDirectory(plugin.instance->controller()), request.settings, error)) {
    reportFailure(error);
    return 2;
  }
  if (!options.stateIn.empty()) {
    std::string state;
    if (!readFileBounded(options.stateIn, kMaxStateBytes, state, error)) return fail(error);
    if (!plugin.instance->setState(state, error)) return fail(error + " in " + options.stateIn);
  }
  {
    // A refused block size is explained in one line; the plug-in's own words
    // go through only when it accepts.
    HeldStandardError held;
    if (startOffline(*plugin.instance, rate, request.settings.blockFrames, error)) held.release();
  }
  if (!plugin.instance->started()) return fail(error);

  AudioFileWriter output(options.out, request.format.sndfile, rate);
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
  if (const std::string counts = nonFiniteCounts(report); !counts.empty() && !options.allowNonFinite) {
    return fail(counts + "; nothing written (--allow-nonfinite writes them)");
  }
  // The state is taken before anything is put in place, so a refused state leaves no new files.
  std::string state;
  if (!options.stateOut.empty() && !plugin.instance->getState(state, error)) {
    return fail("cannot save the plug-in state: " + error);
  }
  if (!output.commit(error)) return fail(error);
  if (!options.stateOut.empty() && !writeFileReplacing(options.stateOut, state, error)) return fail(error);
  printSummary(report, request, rate);
  return 0;
}

}  // namespace

Verb addRenderVerb(CLI::App& app) {
  auto o = std::make_shared<RenderOptions>();
  CLI::App* verb = app.add_subcommand(
      "render", "Plays an audio file through the plug-in, at its sample rate, into another file.");
  verb->add_option("BUNDLE", o->bundle, "the plug-in bundle (.vst3) or module file")->required();
  verb->add_option("--in", o->in, "the audio file to play; any format libsndfile reads")
      ->type_name("IN.wav")
      ->required();
  verb->add_option("--out", o->out, "the file to write; its format follows its extension")
      ->type_name("OUT.wav")
      ->required();
  verb->add_option("--block", o->block, "frames per process call (default 512)")
      ->type_name("FRAMES")
      ->check(CLI::Range(1, 1 << 20).description(""));
  verb->add_option("--set", o->settings, "a fixed value from the first frame; repeatable")
      ->type_name("NAME=VALUE")
      ->allow_extra_args(false);
  verb->add_option("--automate", o->automations,
                   "plain values at times in seconds, ramped linearly; repeatable")
      ->type_name("NAME=SECONDS:VALUE,...")
      ->allow_extra_args(false);
  verb->add_option("--state-in", o->stateIn, "a saved component state to restore first")->type_name("FILE");
  verb->add_option("--state-out", o->stateOut, "where to save the component state after the render")
      ->type_name("FILE");
  verb->add_option("--tail", o->tail, "seconds rendered past the input's end")
      ->type_name("SECONDS")
      ->check(realIn(0.0, kMaxTailSeconds));
  verb->add_option("--format", o->format, "the output format, whatever the extension")
      ->type_name("wav|flac|aiff|ogg");
  verb->add_option("--bits", o->bits, "the output's sample size; 32 is float")
      ->type_name("16|24|32")
      ->check(CLI::Range(1, 64).description(""));
  verb->add_flag("--align", o->align, "remove the reported latency from the output's start");
  verb->add_flag("--mix-down", o->mixDown, "average a file wider than the plug-in's input into its channels");
  verb->add_flag("--allow-nonfinite", o->allowNonFinite, "write NaN or infinite samples instead of failing");
  verb->footer(
      "A name is a parameter's numeric id, the plug-in's own name for it (Oriel's are oriel.rate, "
      "oriel.depth\n"
      "and oriel.wet) or its title in any letter case; values are plain (Hz for a rate) and must lie in the\n"
      "parameter's range. A plug-in without a controller takes numeric ids and normalized values. "
      "Automation\n"
      "reaches the plug-in as points every 32 frames, whatever the block size. OUT keeps the plug-in's "
      "latency\n"
      "and is longer than IN by it, unless --align; --tail renders that much longer. Its format follows its\n"
      "extension (.wav and .aiff 32-bit float, .flac 24-bit, .ogg) and it appears only when the render\n"
      "succeeded. A file wider than the plug-in's input is refused unless --mix-down (stereo on a mono "
      "input\n"
      "is always mixed down); NaN or infinite samples fail the render unless --allow-nonfinite.");
  return {verb, [o] { return runRender(*o); }};
}

}  // namespace talvo::host
