#include <cmath>
#include <cstring>

#include "bridge/json_write.h"
#include "ccmap/cc_map.h"
#include "params/params.h"

namespace talvo {
namespace {

// Unknown names give the default (index 0), as an absent key does.
std::uint8_t enumByName(const std::string& text, const char* (*nameOf)(std::uint8_t), std::uint8_t count) {
  for (std::uint8_t i = 1; i < count; ++i) {
    if (text == nameOf(i)) return i;
  }
  return 0;
}

std::uint8_t roundClamped(double x, double lo, double hi) {
  double r = std::floor(x + 0.5);
  // NaN compares false everywhere; it lands on the lower end.
  if (!(r >= lo)) r = lo;
  if (r > hi) r = hi;
  return static_cast<std::uint8_t>(r);
}

// Reads a number into `out` when the value is one; any other value is skipped.
bool numberOrSkip(JsonReader& reader, int depth, double& out, bool& isNumber) {
  const JsonReader saved = reader;
  double value = 0.0;
  if (parseNumber(reader, &value)) {
    out = value;
    isNumber = true;
    return true;
  }
  reader = saved;
  isNumber = false;
  return skipValue(reader, depth);
}

bool parseBindingList(JsonReader& reader, CcMap& out, int depth) {
  if (depth > kJsonMaxDepth) return false;
  return readArrayElements(reader, [&] { return parseCcBinding(reader, out, depth + 1); });
}

// A binding as read so far: complete once both a path and a cc were given.
struct BindingDraft {
  CcBinding binding;
  bool hasPath = false;
  bool hasCc = false;
  int param = -1;
};

bool readNumberMember(JsonReader& reader, const std::string& key, BindingDraft& draft, int depth) {
  double number = 0.0;
  bool isNumber = false;
  if (!numberOrSkip(reader, depth, number, isNumber)) return false;
  if (!isNumber) return true;
  CcBinding& b = draft.binding;
  if (key == "cc") {
    b.cc = roundClamped(number, 0, 127);
    draft.hasCc = true;
  } else if (key == "channel") {
    b.channel = roundClamped(number, 1, 16);
  } else if (!std::isfinite(number)) {
    // An infinite or NaN bound would reach the host as a parameter value
    // and could not be written back; it counts as not given.
  } else if (key == "min") {
    b.min = number;
    b.hasMin = true;
  } else {
    b.max = number;
    b.hasMax = true;
  }
  return true;
}

bool readBindingMember(JsonReader& reader, const std::string& key, BindingDraft& draft, int depth) {
  if (key == "cc" || key == "channel" || key == "min" || key == "max") {
    return readNumberMember(reader, key, draft, depth);
  }
  CcBinding& b = draft.binding;
  std::string text;
  if (key == "path") {
    if (!parseString(reader, &text)) return false;
    const talvo_param_desc* desc = paramByPath(text.c_str());
    // A path with an embedded NUL names no parameter.
    draft.param = (desc && std::strlen(text.c_str()) == text.size()) ? static_cast<int>(desc->id) : -1;
    draft.hasPath = true;
  } else if (key == "curve") {
    if (!parseString(reader, &text)) return false;
    b.curve = enumByName(text, ccCurveName, 4);
  } else if (key == "valueMode") {
    if (!parseString(reader, &text)) return false;
    b.valueMode = enumByName(text, ccValueModeName, 5);
  } else if (key == "takeover") {
    if (!parseString(reader, &text)) return false;
    b.takeover = enumByName(text, ccTakeoverName, 3);
  } else if (key == "enabled") {
    const JsonReader saved = reader;
    if (!parseBool(reader, &b.enabled)) {
      reader = saved;
      return skipValue(reader, depth);
    }
  } else {
    return skipValue(reader, depth);
  }
  return true;
}

}  // namespace

bool parseCcBinding(JsonReader& reader, CcMap& map, int depth) {
  if (peekByte(reader) != '{') return skipValue(reader, depth);
  if (depth > kJsonMaxDepth) return false;
  BindingDraft draft;
  if (!readObjectMembers(
          reader, [&](const std::string& key) { return readBindingMember(reader, key, draft, depth + 1); })) {
    return false;
  }
  if (draft.hasPath && draft.hasCc && draft.param >= 0 && map.count < kCcMapCapacity) {
    draft.binding.param = static_cast<std::uint32_t>(draft.param);
    map.bindings[map.count++] = draft.binding;
  }
  return true;
}

bool parseCcMapValue(JsonReader& reader, CcMap& out, bool& present, int depth) {
  CcMap map;
  bool found = false;
  bool ok = false;
  const char c = peekByte(reader);
  if (c == '[') {
    found = true;
    ok = parseBindingList(reader, map, depth);
  } else if (c != '{') {
    ok = skipValue(reader, depth);
  } else if (depth <= kJsonMaxDepth) {
    ok = readObjectMembers(reader, [&](const std::string& key) {
      if (key != "bindings" || peekByte(reader) != '[') return skipValue(reader, depth + 1);
      // A repeated list replaces the earlier one.
      map.count = 0;
      found = true;
      return parseBindingList(reader, map, depth + 1);
    });
  }
  if (!ok) return false;
  out = map;
  present = found;
  return true;
}

bool parseCcMapJson(const char* text, std::size_t length, CcMap& out) {
  if (!text) return false;
  JsonReader reader{text, text + length};
  const char c = peekByte(reader);
  if (c != '{' && c != '[') return false;
  bool present = false;
  if (!parseCcMapValue(reader, out, present, 0)) return false;
  return atEndAfterWhitespace(reader);
}

void writeCcMapJson(std::string& out, const CcMap& map) {
  out += "{\"version\":1,\"bindings\":[";
  bool first = true;
  const std::uint32_t count = map.count < kCcMapCapacity ? map.count : kCcMapCapacity;
  for (std::uint32_t i = 0; i < count; ++i) {
    const CcBinding& b = map.bindings[i];
    const talvo_param_desc* desc = paramById(b.param);
    if (!desc) continue;
    if (!first) out += ',';
    first = false;
    out += "{\"cc\":";
    jsonAppendNumber(out, b.cc);
    out += ",\"path\":";
    jsonAppendQuoted(out, desc->path);
    if (b.channel != 0) {
      out += ",\"channel\":";
      jsonAppendNumber(out, b.channel);
    }
    if (b.hasMin) {
      out += ",\"min\":";
      jsonAppendNumber(out, b.min);
    }
    if (b.hasMax) {
      out += ",\"max\":";
      jsonAppendNumber(out, b.max);
    }
    if (const char* name = ccCurveName(b.curve)) {
      out += ",\"curve\":";
      jsonAppendQuoted(out, name);
    }
    if (const char* name = ccValueModeName(b.valueMode)) {
      out += ",\"valueMode\":";
      jsonAppendQuoted(out, name);
    }
    if (const char* name = ccTakeoverName(b.takeover)) {
      out += ",\"takeover\":";
      jsonAppendQuoted(out, name);
    }
    if (!b.enabled) out += ",\"enabled\":false";
    out += '}';
  }
  out += "]}";
}

void writeCcMapChangedJson(std::string& out, const CcMap& map) {
  out += "{\"type\":\"talvo.ccMapChanged\",\"map\":";
  writeCcMapJson(out, map);
  out += '}';
}

void writeMidiCcJson(std::string& out, const CcActivityRecord& record) {
  out += "{\"type\":\"talvo.midiCc\",\"cc\":";
  jsonAppendNumber(out, record.cc);
  out += ",\"channel\":";
  jsonAppendNumber(out, record.channel);
  out += ",\"value\":";
  jsonAppendNumber(out, record.value);
  out += '}';
}

}  // namespace talvo
