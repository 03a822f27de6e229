// What the controller tells the page on its own: the hello document that
// lets a freshly loaded page draw itself, parameter changes, the lifecycle
// replay; and the cadence tick that polls the processor.
#include <algorithm>
#include <iterator>

#include "bridge/json_write.h"
#include "controller/factory_presets.h"
#include "controller/talvo_controller.h"
#include "diagnostics/report_blocks.h"
#include "editor/ui_manifest.h"
#include "vst3/message_send.h"
#include "vst3/plugin_identity.h"

namespace talvo {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

void appendMember(std::string& out, const char* key, const char* text) {
  out += ",\"";
  out += key;
  out += "\":";
  jsonAppendQuoted(out, text);
}

void appendNumber(std::string& out, const char* key, double value) {
  out += ",\"";
  out += key;
  out += "\":";
  jsonAppendNumber(out, value);
}

}  // namespace

void TalvoController::sendHello() {
  std::string out = "{\"type\":\"talvo.hello\",\"plugin\":{\"id\":";
  jsonAppendQuoted(out, kPluginBundleId);
  appendMember(out, "name", kProcessorClassName);
  appendMember(out, "vendor", kPluginVendor);
  appendMember(out, "version", kPluginVersion);
  out += "},\"params\":[";
  for (std::uint32_t id = 0; id < TALVO_PARAM_COUNT; ++id) {
    const double normalized = getParamNormalized(id);
    out += id == 0 ? "{\"path\":" : ",{\"path\":";
    jsonAppendQuoted(out, TALVO_PARAMS[id].path);
    appendNumber(out, "value", paramToPlain(TALVO_PARAMS[id], normalized));
    appendNumber(out, "normalized", normalized);
    out += "}";
  }
  out += "],\"factoryPresets\":[";
  for (const FactoryPreset& preset : kFactoryPresets) {
    out += &preset == kFactoryPresets ? "{\"id\":" : ",{\"id\":";
    jsonAppendQuoted(out, preset.id);
    appendMember(out, "name", preset.name);
    out += ",\"values\":{";
    for (std::uint32_t id = 0; id < TALVO_PARAM_COUNT; ++id) {
      if (id > 0) out += ",";
      jsonAppendQuoted(out, TALVO_PARAMS[id].path);
      out += ":";
      jsonAppendNumber(out, paramToPlain(TALVO_PARAMS[id], preset.normalized[id]));
    }
    out += "}}";
  }
  out += "]";
  if (hasCcMap_) {
    out += ",\"ccMap\":";
    writeCcMapJson(out, ccMap_);
  }
  if (!runtimeReport_.empty()) out += ",\"runtimeHealth\":" + runtimeReport_;
  refreshPresetState();
  appendDiagnosticHelloBlocks(out, DiagnosticTarget::vst3, hostFacts_, presetFacts_, cachedUiBundleFacts());
  out += "}";
  sendToUi(out);
  // From now on the page hears of every change of the host's configuration.
  hostChangeSubscribed_ = true;
}

void TalvoController::sendParamChanged(ParamID id, ParamValue normalized) {
  const talvo_param_desc* desc = paramById(id);
  if (desc == nullptr || !hasSink()) return;
  std::string out = "{\"type\":\"talvo.paramChanged\",\"path\":";
  jsonAppendQuoted(out, desc->path);
  appendNumber(out, "value", paramToPlain(*desc, normalized));
  appendNumber(out, "normalized", normalized);
  sendToUi(out + "}");
}

void TalvoController::replayLifecycle() {
  if (!hasSink() || (feedBits_ & kFeedLifecycle) == 0) return;
  std::string json;
  if (writeDiagnosticLifecycleReplayJson(json, lifecycle_)) sendToUi(json);
}

void TalvoController::tickCadence() {
  pollTransport();
  drainProcessorFeeds();
}

void TalvoController::pollTransport() {
  sendIntMessage(*this, "talvo.diag.transportPoll", "reset", transportResetPending_ ? 1 : 0);
  transportResetPending_ = false;
}

void TalvoController::drainProcessorFeeds() {
  sendBinaryMessage(*this, "talvo.diag.feedDrain", nullptr, 0);
}

double TalvoController::cadenceIntervalSeconds() const {
  const double rate = feedRate_ > 0.0 && feedRate_ <= 30.0 ? feedRate_ : 30.0;
  return 1.0 / std::max(rate, 1.0);
}

}  // namespace talvo
