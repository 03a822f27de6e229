// Arbitrary bytes as a page message. What parses is written back as a message
// with our writers (strings, numbers, the state, map and pad documents) and
// must read again to the same record.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "bridge/json_write.h"
#include "document_checks.h"
#include "messages/bridge_message.h"

namespace {

using namespace talvo;

void appendKey(std::string& out, const char* key) {
  out += out.size() > 1 ? ",\"" : "\"";
  out += key;
  out += "\":";
}

std::string writeMessage(const BridgeMessage& m) {
  std::string out = "{";
  const std::pair<const char*, const std::string*> texts[] = {
      {"type", &m.type},         {"path", &m.path}, {"id", &m.id},         {"source", &m.source},
      {"bankPath", &m.bankPath}, {"url", &m.url},   {"sha256", &m.sha256}, {"instrument", &m.instrument},
  };
  for (const auto& [key, text] : texts) {
    appendKey(out, key);
    jsonAppendQuoted(out, text->c_str());
  }
  // A non-finite number would be written as null, which no number member
  // accepts; such members are left out.
  const std::pair<const char*, double> numbers[] = {{"note", m.note}, {"velocity", m.velocity}, {"hz", m.hz}};
  for (const auto& [key, value] : numbers) {
    if (!std::isfinite(value)) continue;
    appendKey(out, key);
    jsonAppendNumber(out, value);
  }
  if (m.hasValue && std::isfinite(m.value)) {
    appendKey(out, "value");
    jsonAppendNumber(out, m.value);
  }
  if (m.hasState) {
    appendKey(out, "state");
    out += fuzz::writeStateFrom(m.state);
  }
  if (m.hasCcMap) {
    appendKey(out, "map");
    writeCcMapJson(out, m.ccMap);
  }
  if (m.hasPads) {
    appendKey(out, "pads");
    writeSamplerPadOverridesJson(out, m.pads);
  }
  appendKey(out, "feeds");
  out += '[';
  static const char* const kNames[] = {"host",      "transport", "midiIn", "midiOut", "meters", "scope",
                                       "lifecycle", "counters",  "params", "presets", "clock"};
  bool first = true;
  for (const char* name : kNames) {
    if (!(m.feeds & diagnosticFeedBit(name))) continue;
    if (!first) out += ',';
    first = false;
    jsonAppendQuoted(out, name);
  }
  out += ']';
  appendKey(out, "stimulus");
  out += "{\"kind\":";
  jsonAppendQuoted(out, m.stimulusKind.c_str());
  out += "}}";
  return out;
}

void requireSameNumber(double a, double b, const char* what) {
  fuzz::require(std::isfinite(a) ? a == b : b == 0.0, what);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  BridgeMessage first;
  if (!parseBridgeMessage(reinterpret_cast<const char*>(data), size, first)) return 0;
  const std::string text = writeMessage(first);
  BridgeMessage second;
  fuzz::require(parseBridgeMessage(text.data(), text.size(), second), "written message reads back");
  const std::pair<const std::string*, const std::string*> texts[] = {
      {&first.type, &second.type},
      {&first.path, &second.path},
      {&first.id, &second.id},
      {&first.source, &second.source},
      {&first.bankPath, &second.bankPath},
      {&first.url, &second.url},
      {&first.sha256, &second.sha256},
      {&first.instrument, &second.instrument},
      {&first.stimulusKind, &second.stimulusKind},
  };
  for (const auto& [a, b] : texts)
    fuzz::require(fuzz::afterRoundTrip(a->c_str()) == *b, "message text");
  fuzz::require(second.hasValue == (first.hasValue && std::isfinite(first.value)), "value presence");
  requireSameNumber(first.hasValue ? first.value : 0.0, second.value, "value");
  requireSameNumber(first.note, second.note, "note");
  requireSameNumber(first.velocity, second.velocity, "velocity");
  requireSameNumber(first.hz, second.hz, "hz");
  fuzz::require(first.feeds == second.feeds, "feeds");
  fuzz::require(first.hasState == second.hasState, "state presence");
  if (first.hasState) fuzz::requireSameState(first.state, second.state);
  fuzz::require(first.hasCcMap == second.hasCcMap, "map presence");
  if (first.hasCcMap) fuzz::requireSameCcMap(first.ccMap, second.ccMap);
  fuzz::require(first.hasPads == second.hasPads, "pads presence");
  fuzz::requireSamePads(first.pads, second.pads);
  // The operation follows the type, which may have changed only by escapes.
  fuzz::require(first.diagnosticOp == second.diagnosticOp || first.type != second.type, "diagnostic op");
  return 0;
}
