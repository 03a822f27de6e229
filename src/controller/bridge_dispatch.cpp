// Everything the page sends: parsed into one flat record, then handed to the
// handler of its type through one table; types the table does not know go to
// the bank control. Replies go back through the page sink.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

#include "controller/factory_presets.h"
#include "controller/talvo_controller.h"
#include "vst3/guarded_call.h"
#include "vst3/message_send.h"

namespace talvo {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// The page's feeds and its cadence never run faster than the clock.
constexpr double kMaxFeedHz = 30.0;

// A page value that is not a finite number counts as not given.
double finiteOr(double value, double fallback) {
  return std::isfinite(value) ? value : fallback;
}

}  // namespace

struct TalvoController::BridgeRoute {
  const char* type;
  void (TalvoController::*handle)(const BridgeMessage&);
};

const TalvoController::BridgeRoute TalvoController::kBridgeRoutes[] = {
    {"talvo.ready", &TalvoController::onReady},
    {"talvo.diag.subscribe", &TalvoController::onSubscribe},
    {"talvo.diag.unsubscribe", &TalvoController::onUnsubscribe},
    {"talvo.diag.stimulus", &TalvoController::onStimulus},
    {"talvo.loadFactoryPreset", &TalvoController::onLoadFactoryPreset},
    {"talvo.setParam", &TalvoController::onSetParam},
    {"talvo.beginEdit", &TalvoController::onBeginEdit},
    {"talvo.endEdit", &TalvoController::onEndEdit},
    {"talvo.getState", &TalvoController::onGetState},
    {"talvo.setCcMap", &TalvoController::onSetCcMap},
    {"talvo.setState", &TalvoController::onSetState},
    {"talvo.noteOn", &TalvoController::onNote},
    {"talvo.noteOff", &TalvoController::onNote},
};

void TalvoController::handleBridgeMessage(const char* json, std::size_t length) {
  guardedRun([&] {
    // Large (it holds a whole state document and CC map): kept off the stack.
    auto message = std::make_unique<BridgeMessage>();
    if (json == nullptr || !parseBridgeMessage(json, length, *message)) {
      std::fprintf(stderr, "talvo-plugin-shell: malformed bridge message (%zu bytes)\n", length);
      return;
    }
    messageBytes_ = length;
    dispatch(*message);
  });
}

void TalvoController::dispatch(const BridgeMessage& message) {
  for (const BridgeRoute& route : kBridgeRoutes) {
    if (message.type == route.type) {
      (this->*route.handle)(message);
      return;
    }
  }
  (void)bankControl_.handleMessage(message);
}

void TalvoController::onReady(const BridgeMessage&) {
  // A reloaded page cannot finish the drags its previous life began.
  closePageGestures();
  sendHello();
}

void TalvoController::onSubscribe(const BridgeMessage& message) {
  feedBits_ = message.feeds;
  feedRate_ = std::min(finiteOr(message.hz, 0.0), kMaxFeedHz);
  replayLifecycle();
  if (hasTransport_ && hasSink() && (feedBits_ & kFeedTransport) != 0) {
    std::string json;
    writeDiagnosticTransportJson(json, lastTransport_);
    sendToUi(json);
    lastTransportSendMs_ = lifecycle_.nowMs();
  }
  transportResetPending_ = true;
  hasTransport_ = false;
  pollTransport();
}

void TalvoController::onUnsubscribe(const BridgeMessage&) {
  feedBits_ = 0;
  feedRate_ = 0.0;
}

void TalvoController::onStimulus(const BridgeMessage&) {}

void TalvoController::onLoadFactoryPreset(const BridgeMessage& message) {
  if (message.id != kFactoryPresets[0].id) return;
  beginEdit(kProgramChangeParamId);
  setParamNormalized(kProgramChangeParamId, 0.0);
  performEdit(kProgramChangeParamId, 0.0);
  endEdit(kProgramChangeParamId);
}

void TalvoController::onSetParam(const BridgeMessage& message) {
  const talvo_param_desc* desc = paramByPath(message.path.c_str());
  if (desc == nullptr || !message.hasValue || !std::isfinite(message.value)) return;
  const double normalized = talvo_param_normalize(desc, message.value);
  echoParamId_ = static_cast<std::int32_t>(desc->id);
  echoValue_ = normalized;
  // The page brackets its drags with beginEdit and endEdit itself.
  setParamNormalized(desc->id, normalized);
  performEdit(desc->id, normalized);
}

void TalvoController::onBeginEdit(const BridgeMessage& message) {
  if (const talvo_param_desc* desc = paramByPath(message.path.c_str())) beginPageGesture(desc->id);
}

void TalvoController::onEndEdit(const BridgeMessage& message) {
  if (const talvo_param_desc* desc = paramByPath(message.path.c_str())) endPageGesture(desc->id);
}

void TalvoController::onGetState(const BridgeMessage&) {
  const std::string document = writePageStateJson();
  presetFacts_.lastStateBytes = static_cast<std::int64_t>(document.size());
  recordLifecycle(DiagnosticLifecycleKind::stateSaved)
      .addNumber("stateBytes", static_cast<double>(document.size()))
      .addString("source", "ui");
  publishLastLifecycle();
  sendToUi("{\"type\":\"talvo.state\",\"state\":" + document + "}");
}

void TalvoController::onSetCcMap(const BridgeMessage& message) {
  if (message.hasCcMap) adoptCcMap(message.ccMap, true);
}

void TalvoController::onSetState(const BridgeMessage& message) {
  if (!message.hasState) return;
  const StateChunk& state = message.state;
  for (std::uint32_t id = 0; id < TALVO_PARAM_COUNT; ++id) {
    if (state.paramPresent[id]) editPlainParam(id, state.params[id]);
  }
  if (state.hasCcMap) adoptCcMap(state.ccMap, true);
  const SamplerPadOverrides pads = state.hasPadOverrides ? state.padOverrides : SamplerPadOverrides{};
  if (bankBridge_.applyPadOverrides(pads)) bankControl_.adoptRestoredPadOverrides(pads);
  bankControl_.sendBankState("restore");
  recordLifecycle(DiagnosticLifecycleKind::stateRestored)
      .addNumber("stateBytes", static_cast<double>(messageBytes_))
      .addString("source", "ui");
  publishLastLifecycle();
}

void TalvoController::onNote(const BridgeMessage& message) {
  // Truncated toward zero; a value no int can hold is logged as 0.
  const double note = std::trunc(message.note);
  const bool fits = std::isfinite(note) && note >= std::numeric_limits<int>::min() &&
                    note <= std::numeric_limits<int>::max();
  std::fprintf(stderr, "talvo-plugin-shell: bridge %s note=%d\n", message.type.c_str(),
               fits ? static_cast<int>(note) : 0);
}

}  // namespace talvo
