// The processor's reports: kept as the latest facts, turned into lifecycle
// events, and streamed to a page that subscribed to them. Payloads of the
// wrong size or shape are dropped without a word.
#include <cstring>
#include <string>
#include <string_view>

#include "bridge/json_check.h"
#include "controller/talvo_controller.h"
#include "vst3/guarded_call.h"
#include "vst3/message_send.h"

namespace talvo {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

constexpr std::size_t kMaxRuntimeReportBytes = 65536;

}  // namespace

tresult PLUGIN_API TalvoController::notify(IMessage* message) {
  using Handler = void (*)(TalvoController&, std::string_view);
  static constexpr struct {
    const char* id;
    Handler handle;
  } kRoutes[] = {
      {"talvo.runtimeBankResult",
       [](TalvoController& c, std::string_view json) { c.bankControl_.adoptRuntimeBankReply(json); }},
      {"talvo.diag.lifecycle",
       [](TalvoController& c, std::string_view json) {
         DiagnosticLifecycleKind kind{};
         if (json.empty() || json.size() > 63) return;
         if (diagnosticLifecycleKindFromName(std::string(json).c_str(), kind)) c.emitLifecycle(kind);
       }},
      {"talvo.diag.transport",
       [](TalvoController& c, std::string_view json) {
         TransportFact fact;
         if (readTransportFact(json.data(), json.size(), fact)) c.adoptTransportFact(fact);
       }},
      {"talvo.diag.signal", [](TalvoController&, std::string_view) {}},
      {"talvo.diag.hostFacts",
       [](TalvoController& c, std::string_view json) {
         HostFacts facts;
         if (readHostFacts(json.data(), json.size(), facts)) c.adoptHostFacts(facts);
       }},
      {"talvo.runtimeDiagnostics",
       [](TalvoController& c, std::string_view json) { c.adoptRuntimeReport(json); }},
  };
  const char* id = message != nullptr ? message->getMessageID() : nullptr;
  if (id != nullptr) {
    for (const auto& route : kRoutes) {
      if (std::strcmp(id, route.id) != 0) continue;
      std::string_view json;
      if (readJsonAttribute(*message, json)) guardedRun([&] { route.handle(*this, json); });
      return kResultOk;
    }
  }
  return EditControllerEx1::notify(message);
}

void TalvoController::adoptRuntimeReport(std::string_view report) {
  // The report reaches the page inside a script: only one plain JSON value may go there.
  if (report.empty() || report.size() > kMaxRuntimeReportBytes ||
      !isJsonValue(report.data(), report.size())) {
    return;
  }
  runtimeReport_.assign(report);
  recordLifecycle(DiagnosticLifecycleKind::runtimeDiagnostic).addNumber("reportBytes", report.size());
  publishLastLifecycle();
  if (hasSink()) sendToUi("{\"type\":\"talvo.runtimeDiagnostics\",\"report\":" + runtimeReport_ + "}");
}

void TalvoController::adoptTransportFact(const TransportFact& fact) {
  if (fact.hasTempo) {
    if (hasTransport_ && lastTransport_.hasTempo && fact.tempo != lastTempo_) {
      recordLifecycle(DiagnosticLifecycleKind::tempoChanged, static_cast<std::int64_t>(fact.atFrame))
          .addNumber("tempo", fact.tempo)
          .addNumber("previous", lastTempo_);
      publishLastLifecycle();
    }
    lastTempo_ = fact.tempo;
  }
  if (fact.hasTimeSignature) {
    if (hasTransport_ && lastTransport_.hasTimeSignature &&
        (fact.numerator != lastNumerator_ || fact.denominator != lastDenominator_)) {
      recordLifecycle(DiagnosticLifecycleKind::timeSignatureChanged, static_cast<std::int64_t>(fact.atFrame))
          .addNumber("numerator", fact.numerator)
          .addNumber("denominator", fact.denominator)
          .addNumber("previousNumerator", lastNumerator_)
          .addNumber("previousDenominator", lastDenominator_);
      publishLastLifecycle();
    }
    lastNumerator_ = fact.numerator;
    lastDenominator_ = fact.denominator;
  }
  const bool changed = !hasTransport_ || fact.differsFrom(lastTransport_);
  lastTransport_ = fact;
  hasTransport_ = true;
  if (!hasSink() || (feedBits_ & kFeedTransport) == 0) return;
  const double now = lifecycle_.nowMs();
  if (!changed) {
    // An unchanged transport matters only while it plays, and then at the feed's rate.
    const double intervalMs = feedRate_ > 0.0 ? 1000.0 / feedRate_ : 1000.0 / 30.0;
    if (!fact.playing || (lastTransportSendMs_ >= 0.0 && now - lastTransportSendMs_ < intervalMs)) return;
  }
  lastTransportSendMs_ = now;
  std::string json;
  writeDiagnosticTransportJson(json, fact);
  sendToUi(json);
}

void TalvoController::adoptHostFacts(const HostFacts& incoming) {
  HostFacts merged = incoming;
  // The processor does not know who the host is; the controller does.
  std::memcpy(merged.hostName, hostFacts_.hostName, sizeof merged.hostName);
  std::memcpy(merged.hostVersion, hostFacts_.hostVersion, sizeof merged.hostVersion);
  std::memcpy(merged.hostPath, hostFacts_.hostPath, sizeof merged.hostPath);
  merged.validatorKind = hostFacts_.validatorKind;
  const HostFacts previous = hostFacts_;
  hostFacts_ = merged;

  DiagnosticLifecycleKind kind{};
  const char* change = diagnosticHostChangeKind(previous, hostFacts_);
  if (change != nullptr && diagnosticLifecycleKindFromName(change, kind)) {
    DiagnosticLifecycleEvent& event = recordLifecycle(kind);
    switch (kind) {
      case DiagnosticLifecycleKind::latencyChanged:
        event.addNumber("latencySamples", hostFacts_.latencySamples)
            .addNumber("previous", previous.latencySamples)
            .addBool("reported", true);
        break;
      case DiagnosticLifecycleKind::sampleRateChanged:
        event.addNumber("sampleRate", hostFacts_.sampleRate).addNumber("previous", previous.sampleRate);
        break;
      case DiagnosticLifecycleKind::blockSizeChanged:
        event.addNumber("maxBlockFrames", hostFacts_.maxBlockFrames)
            .addNumber("previous", previous.maxBlockFrames);
        break;
      case DiagnosticLifecycleKind::busLayoutChanged:
        event.addNumber("buses", hostFacts_.busCount)
            .addString("layout", hostFacts_.busCount > 0 ? hostFacts_.buses[0].layout : "");
        break;
      case DiagnosticLifecycleKind::processModeChanged:
        event.addNumber("processMode", hostFacts_.processMode);
        break;
      case DiagnosticLifecycleKind::bypassChanged:
        event.addBool("bypassed", hostFacts_.bypassed != 0);
        break;
      default:
        break;
    }
    publishLastLifecycle();
  }
  if (!hostChangeSubscribed_ || !hasSink()) return;
  std::string json;
  if (writeDiagnosticHostChangedJson(json, previous, hostFacts_, hostChangeCounter_ + 1, 0.0)) {
    ++hostChangeCounter_;
    sendToUi(json);
  }
}

}  // namespace talvo
