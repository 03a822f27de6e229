// JSON forms of the lifecycle log: one event, a message of consecutive
// events, and the replay of the whole log.
#include <string>

#include "bridge/json_write.h"
#include "diagnostics/lifecycle_log.h"

namespace talvo {
namespace {

void appendFieldValue(std::string& out, const DiagnosticLifecycleField& field) {
  switch (field.type) {
    case DiagnosticFieldType::number:
      jsonAppendNumber(out, field.numberValue);
      break;
    case DiagnosticFieldType::string:
      jsonAppendQuoted(out, field.stringValue);
      break;
    case DiagnosticFieldType::boolean:
      out += field.boolValue ? "true" : "false";
      break;
    case DiagnosticFieldType::null:
    default:
      out += "null";
      break;
  }
}

constexpr std::size_t kMaxEventsPerMessage = DiagnosticLifecycleLog::kCapacity;

// Writes the message for `count` events that `eventAt` yields in order.
template <typename EventAt>
void appendLifecycleMessage(std::string& out, std::size_t count, std::uint32_t dropped, EventAt eventAt) {
  out += "{\"type\":\"talvo.lifecycle\",\"events\":[";
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) out += ',';
    writeDiagnosticLifecycleEventJson(out, eventAt(i));
  }
  out += ']';
  if (dropped != 0) {
    out += ",\"dropped\":";
    out += std::to_string(dropped);
  }
  out += '}';
}

}  // namespace

void writeDiagnosticLifecycleEventJson(std::string& out, const DiagnosticLifecycleEvent& event) {
  out += "{\"seq\":";
  out += std::to_string(event.seq);
  out += ",\"timeMs\":";
  jsonAppendNumber(out, event.timeMs);
  if (event.atFrame >= 0) {
    out += ",\"atFrame\":";
    out += std::to_string(event.atFrame);
  }
  out += ",\"kind\":";
  const char* kind = diagnosticLifecycleKindName(event.kind);
  jsonAppendQuoted(out, kind != nullptr ? kind : "runtimeDiagnostic");
  const std::uint32_t fieldCount = event.fieldCount < DiagnosticLifecycleEvent::kMaxFields
                                       ? event.fieldCount
                                       : DiagnosticLifecycleEvent::kMaxFields;
  if (fieldCount > 0) {
    out += ",\"detail\":{";
    for (std::uint32_t i = 0; i < fieldCount; ++i) {
      if (i > 0) out += ',';
      jsonAppendQuoted(out, event.fields[i].name);
      out += ':';
      appendFieldValue(out, event.fields[i]);
    }
    out += '}';
  }
  out += '}';
}

bool writeDiagnosticLifecycleJson(std::string& out, const DiagnosticLifecycleEvent* events, std::size_t count,
                                  std::uint32_t dropped) {
  if (events == nullptr || count == 0) return false;
  if (count > kMaxEventsPerMessage) count = kMaxEventsPerMessage;
  appendLifecycleMessage(
      out, count, dropped, [events](std::size_t i) -> const auto& { return events[i]; });
  return true;
}

bool writeDiagnosticLifecycleReplayJson(std::string& out, const DiagnosticLifecycleLog& log) {
  if (log.count() == 0) return false;
  appendLifecycleMessage(
      out, log.count(),
      log.dropped(), [&log](std::size_t i) -> const auto& { return log.at(static_cast<std::uint32_t>(i)); });
  return true;
}

}  // namespace talvo
