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

// The string and number members written back; the stimulus kind is written inside its object.
constexpr std::pair<const char*, std::string BridgeMessage::*> kTexts[] = {
    {"type", &BridgeMessage::type},
    {"path", &BridgeMessage::path},
    {"id", &BridgeMessage::id},
    {"source", &BridgeMessage::source},
    {"bankPath", &BridgeMessage::bankPath},
    {"url", &BridgeMessage::url},
    {"sha256", &BridgeMessage::sha256},
    {"instrument", &BridgeMessage::instrument}};
constexpr std::pair<const char*, double BridgeMessage::*> kNumbers[] = {
    {"note", &BridgeMessage::note}, {"velocity", &BridgeMessage::velocity}, {"hz", &BridgeMessage::hz}};

void appendKey(std::string& out, const char* key) {
  out += out.size() > 1 ? ",\"" : "\"";
  out += key;
  out += "\":";
}

std::string writeMessage(const BridgeMessage& m) {
  std::string out = "{";
  for (const auto& [key, text] : kTexts) {
    appendKey(out, key);
    jsonAppendQuoted(out, (m.*text).c_str());
  }
  // A non-finite number would be written as null, which no number member
  // accepts; such members are left out.
  for (const auto& [key, number] : kNumbers) {
    if (!std::isfinite(m.*number)) continue;
    appendKey(out, key);
    jsonAppendNumber(out, m.*number);
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
  for (const auto& [key, text] : kTexts)
    fuzz::require(fuzz::afterRoundTrip((first.*text).c_str()) == second.*text, key);
  fuzz::require(fuzz::afterRoundTrip(first.stimulusKind.c_str()) == second.stimulusKind, "stimulus kind");
  fuzz::require(second.hasValue == (first.hasValue && std::isfinite(first.value)), "value presence");
  requireSameNumber(first.hasValue ? first.value : 0.0, second.value, "value");
  for (const auto& [key, number] : kNumbers)
    requireSameNumber(first.*number, second.*number, key);
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
