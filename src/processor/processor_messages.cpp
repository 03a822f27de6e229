// Messages from the controller, one handler per identifier in one table.
// Missing attribute lists, attributes and malformed payloads are ignored;
// identifiers the table does not know go to the SDK's handler.
#include <cstring>
#include <string>
#include <string_view>

#include "bankrecall/runtime_bank_reply.h"
#include "pluginterfaces/vst/ivstattributes.h"
#include "pluginterfaces/vst/ivstmessage.h"
#include "processor/talvo_processor.h"
#include "state/pad_overrides.h"
#include "vst3/guarded_call.h"
#include "vst3/message_send.h"

namespace talvo {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// Source, bank directory, SHA-256 and instrument, one per line; a missing
// line is empty, and anything after a fourth line feed is ignored.
void splitLoadRequest(std::string_view text, std::string (&fields)[4]) {
  for (std::string& field : fields) {
    const std::size_t end = text.find('\n');
    field.assign(text.substr(0, end));
    if (end == std::string_view::npos) return;
    text.remove_prefix(end + 1);
  }
}

}  // namespace

tresult PLUGIN_API TalvoProcessor::notify(IMessage* message) {
  using Handler = tresult (*)(TalvoProcessor&, IMessage&);
  static constexpr struct {
    const char* id;
    Handler handle;
  } kRoutes[] = {
      // The processor captures no transport and keeps no feed or counters.
      {"talvo.diag.transportPoll", [](TalvoProcessor&, IMessage&) -> tresult { return kResultOk; }},
      {"talvo.diag.feedDrain", [](TalvoProcessor&, IMessage&) -> tresult { return kResultOk; }},
      {"talvo.diag.presetLoaded", [](TalvoProcessor& p, IMessage& m) { return p.onPresetLoaded(m); }},
      {"talvo.diag.resetCounters", [](TalvoProcessor&, IMessage&) -> tresult { return kResultOk; }},
      {"talvo.loadRuntimeBank", [](TalvoProcessor& p, IMessage& m) { return p.onLoadRuntimeBank(m); }},
      {"talvo.padOverrides", [](TalvoProcessor& p, IMessage& m) { return p.onPadOverrides(m); }},
      {"talvo.stageResourceSlot", [](TalvoProcessor&, IMessage&) -> tresult { return kResultFalse; }},
      {"talvo.ccMap", [](TalvoProcessor& p, IMessage& m) { return p.onCcMap(m); }},
  };
  const char* id = message != nullptr ? message->getMessageID() : nullptr;
  if (id != nullptr) {
    for (const auto& route : kRoutes) {
      if (std::strcmp(id, route.id) == 0) return guardedCall([&] { return route.handle(*this, *message); });
    }
  }
  return AudioEffect::notify(message);
}

tresult TalvoProcessor::onPresetLoaded(IMessage& message) {
  std::string_view payload;
  presetId_ = readJsonAttribute(message, payload) ? std::string(payload) : std::string();
  return kResultOk;
}

tresult TalvoProcessor::onLoadRuntimeBank(IMessage& message) {
  std::string_view payload;
  if (!readJsonAttribute(message, payload)) return kResultOk;
  std::string fields[4];
  splitLoadRequest(payload, fields);
  const std::string source = fields[0].empty() ? "user-folder" : fields[0];
  const std::string& directory = fields[1];
  RuntimeBankOutcome outcome = RuntimeBankOutcome::kBankMissing;
  std::string detail;
  if (!directory.empty()) {
    outcome = loadRuntimeBankFromPath(directory, source, fields[3], detail);
    runtimeBank_ = {};
    if (outcome == RuntimeBankOutcome::kOk) {
      const StagedBankPtr bank = engine_.sampler().runtimeBank();
      runtimeBank_ = {source, directory, fields[2],
                      bank && !bank->instrumentId.empty() ? bank->instrumentId : fields[3]};
    }
  }
  const std::string reply = writeRuntimeBankReply(outcome, detail, engine_.sampler().runtimeBank().get());
  sendBinaryMessage(*this, "talvo.runtimeBankResult", reply.data(), reply.size());
  return kResultOk;
}

tresult TalvoProcessor::onPadOverrides(IMessage& message) {
  std::string_view payload;
  SamplerPadOverrides pads;
  if (readJsonAttribute(message, payload) &&
      parseSamplerPadOverridesJson(payload.data(), payload.size(), pads)) {
    dropUnwritablePadOverrides(pads);
    (void)engine_.sampler().publishSamplerPadOverrides(pads);
  }
  return kResultOk;
}

tresult TalvoProcessor::onCcMap(IMessage& message) {
  std::string_view payload;
  CcMap map;
  if (readJsonAttribute(message, payload) && parseCcMapJson(payload.data(), payload.size(), map)) {
    ccMap_ = map;
    hasCcMap_ = true;
  }
  return kResultOk;
}

RuntimeBankOutcome TalvoProcessor::loadRuntimeBankFromPath(const std::string& bankDirectory,
                                                           const std::string& source,
                                                           const std::string& instrument,
                                                           std::string& detail) {
  RuntimeBankAttempt attempt = loadAndPublishRuntimeBank(engine_, bankDirectory, source, instrument);
  detail = std::move(attempt.detail);
  if (attempt.outcome != RuntimeBankOutcome::kOk) sendRuntimeHealthReport(false);
  return attempt.outcome;
}

}  // namespace talvo
