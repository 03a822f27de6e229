#include "messages/bridge_message.h"

namespace talvo {
namespace {

struct FeedName {
  const char* name;
  std::uint32_t bit;
};

constexpr FeedName kFeedNames[] = {
    {"host", kFeedHost},           {"transport", kFeedTransport}, {"midiIn", kFeedMidiIn},
    {"midiOut", kFeedMidiOut},     {"meters", kFeedMeters},       {"scope", kFeedScope},
    {"lifecycle", kFeedLifecycle}, {"counters", kFeedCounters},   {"params", kFeedParams},
    {"presets", kFeedPresets},     {"clock", kFeedClock},
};

// Members of the message object sit at depth 1.
constexpr int kMemberDepth = 1;

struct StringField {
  const char* key;
  std::string BridgeMessage::*field;
};

constexpr StringField kStringFields[] = {
    {"type", &BridgeMessage::type},
    {"path", &BridgeMessage::path},
    {"id", &BridgeMessage::id},
    {"source", &BridgeMessage::source},
    {"sha256", &BridgeMessage::sha256},
    {"url", &BridgeMessage::url},
    {"instrument", &BridgeMessage::instrument},
    {"bankPath", &BridgeMessage::bankPath},
};

struct NumberField {
  const char* key;
  double BridgeMessage::*field;
};

constexpr NumberField kNumberFields[] = {
    {"value", &BridgeMessage::value},
    {"note", &BridgeMessage::note},
    {"velocity", &BridgeMessage::velocity},
    {"hz", &BridgeMessage::hz},
};

bool parseMember(JsonReader& reader, const std::string& key, BridgeMessage& out) {
  for (const StringField& f : kStringFields) {
    if (key == f.key) return parseString(reader, &(out.*(f.field)));
  }
  for (const NumberField& f : kNumberFields) {
    if (key == f.key) {
      if (!parseNumber(reader, &(out.*(f.field)))) return false;
      if (f.field == &BridgeMessage::value) out.hasValue = true;
      return true;
    }
  }
  const char next = peekByte(reader);
  if (key == "state" && next == '{') {
    // A repeated member replaces the earlier state as a whole.
    out.hasState = true;
    return parseStateObject(reader, out.state, kMemberDepth);
  }
  if (key == "map" && (next == '{' || next == '[')) {
    bool present = false;
    if (!parseCcMapValue(reader, out.ccMap, present, kMemberDepth)) return false;
    out.hasCcMap = present;
    return true;
  }
  if (key == "pads" && next == '{') {
    out.pads.clear();
    out.hasPads = true;
    return parsePadOverrideMap(reader, out.pads, kMemberDepth);
  }
  if (key == "feeds" && next == '[') return parseDiagnosticFeedArray(reader, out.feeds);
  if (key == "stimulus" && next == '{')
    return parseDiagnosticStimulus(reader, out.stimulusKind, out.stimulusFact);
  return skipValue(reader, kMemberDepth);
}

}  // namespace

std::uint32_t diagnosticFeedBit(const std::string& name) {
  for (const FeedName& feed : kFeedNames) {
    if (name == feed.name) return feed.bit;
  }
  return 0;
}

bool parseDiagnosticFeedArray(JsonReader& reader, std::uint32_t& bits) {
  std::string name;
  std::uint32_t found = bits;
  const bool ok = readArrayElements(reader, [&] {
    if (!parseString(reader, &name)) return false;
    found |= diagnosticFeedBit(name);
    return true;
  });
  if (ok) bits = found;
  return ok;
}

bool parseDiagnosticStimulus(JsonReader& reader, std::string& kind, DiagnosticStimulusFact& fact) {
  (void)fact;  // no stimulus member is read into the fact yet
  std::string read = kind;
  const bool ok = readObjectMembers(reader, [&](const std::string& key) {
    if (key == "kind") return parseString(reader, &read);
    return skipValue(reader, kMemberDepth);
  });
  if (ok) kind = std::move(read);
  return ok;
}

bool parseBridgeMessage(const char* text, std::size_t length, BridgeMessage& result) {
  if (!text) return false;
  JsonReader reader{text, text + length};
  BridgeMessage out;
  // An empty object is a complete message; what follows it is not examined.
  JsonReader probe = reader;
  const bool empty = consumeByte(probe, '{') && consumeByte(probe, '}');
  if (!empty) {
    if (!readObjectMembers(reader, [&](const std::string& key) { return parseMember(reader, key, out); })) {
      return false;
    }
    if (!atEndAfterWhitespace(reader)) return false;
  }
  if (out.type == "talvo.diag.subscribe") {
    out.diagnosticOp = DiagnosticOp::subscribe;
  } else if (out.type == "talvo.diag.unsubscribe") {
    out.diagnosticOp = DiagnosticOp::unsubscribe;
  } else if (out.type == "talvo.diag.stimulus") {
    out.diagnosticOp = DiagnosticOp::stimulus;
  }
  result = std::move(out);
  return true;
}

}  // namespace talvo
