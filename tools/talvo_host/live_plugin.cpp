#include "talvo_host/live_plugin.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "params/params.h"
#include "talvo_host/audio_file.h"

namespace talvo::host {

namespace {

constexpr int kBridgeVersion = 2;
constexpr std::int32_t kBlockFrames = 256;
// The part of an input file that is looped; the rest is never read.
constexpr double kMaxLoopSeconds = 60.0;

struct Signal {
  std::vector<float> samples;  // interleaved
  std::int32_t channels = 2;
  double sampleRate = 48000.0;
};

// The start of `path`, at most kMaxLoopSeconds, held in memory for looping.
bool readLoop(const std::string& path, Signal& out, std::string& error) {
  AudioFileReader reader;
  if (!reader.open(path, error)) return false;
  const auto frames = std::min<std::int64_t>(
      reader.frames(), static_cast<std::int64_t>(kMaxLoopSeconds * reader.sampleRate()));
  if (frames < 1) {
    error = path + " holds no audio";
    return false;
  }
  out.channels = reader.channels();
  out.sampleRate = reader.sampleRate();
  out.samples.resize(static_cast<std::size_t>(frames) * static_cast<std::size_t>(out.channels));
  return reader.read(out.samples.data(), static_cast<std::int32_t>(frames), error);
}

std::string paramName(Steinberg::Vst::ParamID id) {
  const talvo_param_desc* desc = paramById(id);
  return desc != nullptr ? desc->path : std::to_string(id);
}

}  // namespace

LivePlugin::~LivePlugin() {
  player_.stop();
  if (install_ != nullptr) (void)install_(plugin_.instance->controller(), nullptr, nullptr);
}

bool LivePlugin::open(const std::string& bundle, const std::string& inPath, PageSink sink, void* context,
                      std::string& error) {
  Signal signal;
  if (!inPath.empty()) {
    if (!readLoop(inPath, signal, error)) return false;
  } else {
    signal.samples = testSignal(signal.sampleRate);
  }
  if (!loadPlugin(bundle, plugin_, error, &loop_)) return false;
  if (sink != nullptr && !installSink(bundle, sink, context, error)) return false;
  return player_.start(*plugin_.instance, std::move(signal.samples), signal.channels, signal.sampleRate,
                       kBlockFrames, error);
}

bool LivePlugin::installSink(const std::string& bundle, PageSink sink, void* context, std::string& error) {
  Steinberg::Vst::IEditController* controller = plugin_.instance->controller();
  using VersionFn = int (*)();
  auto version = reinterpret_cast<VersionFn>(plugin_.module->symbol("talvoDiagnosticBridgeAbiVersion"));
  auto install = reinterpret_cast<InstallSinkFn>(plugin_.module->symbol("talvoInstallDiagnosticBridgeSink"));
  auto deliver = reinterpret_cast<DeliverFn>(plugin_.module->symbol("talvoDeliverDiagnosticBridgeMessage"));
  if (controller == nullptr || version == nullptr || install == nullptr || deliver == nullptr ||
      version() != kBridgeVersion || install(controller, sink, context) != 1) {
    error = bundle + " offers no editor bridge (version 2) on an edit controller";
    return false;
  }
  install_ = install;
  deliver_ = deliver;
  return true;
}

void LivePlugin::deliver(std::string_view json) {
  if (deliver_ != nullptr) (void)deliver_(plugin_.instance->controller(), json.data(), json.size());
}

void LivePlugin::automate(unsigned id, double normalized) {
  (void)plugin_.instance->controller()->setParamNormalized(id, normalized);
  (void)plugin_.instance->componentHandler().queueForProcessor(id, normalized);
}

void printEdits(ComponentHandler& handler) {
  for (const ComponentHandler::Edit& edit : handler.edits()) {
    const std::string name = paramName(edit.id);
    if (edit.kind == ComponentHandler::EditKind::begin) {
      std::printf("beginEdit %s\n", name.c_str());
    } else if (edit.kind == ComponentHandler::EditKind::end) {
      std::printf("endEdit %s\n", name.c_str());
    } else {
      const talvo_param_desc* desc = paramById(edit.id);
      char value[33];
      formatShortestDouble(desc != nullptr ? paramToPlain(*desc, edit.value) : edit.value, value);
      std::printf("performEdit %s %s\n", name.c_str(), value);
    }
  }
  if (!handler.edits().empty()) std::fflush(stdout);
  handler.clearRecords();
}

}  // namespace talvo::host
