#include "state/pad_overrides.h"

#include <algorithm>
#include <cmath>

#include "bridge/json_write.h"

namespace talvo {

const PadOverrideField kPadOverrideFields[kPadOverrideFieldCount] = {
    {"transpose", kPadTranspose, &SamplerPadOverride::transpose, -24.0, 24.0, true},
    {"fineTune", kPadFineTune, &SamplerPadOverride::fineTune, -100.0, 100.0, false},
    {"gain", kPadGain, &SamplerPadOverride::gain, 0.0, 4.0, false},
    {"pan", kPadPan, &SamplerPadOverride::pan, -1.0, 1.0, false},
    {"start", kPadStart, &SamplerPadOverride::start, 0.0, 1.0, false},
    {"end", kPadEnd, &SamplerPadOverride::end, 0.0, 1.0, false},
    {"attack", kPadAttack, &SamplerPadOverride::attack, 0.0, 2.0, false},
    {"release", kPadRelease, &SamplerPadOverride::release, 0.001, 4.0, false},
    {"filterHz", kPadFilterHz, &SamplerPadOverride::filterHz, 20.0, 20000.0, false},
    {"resonance", kPadResonance, &SamplerPadOverride::resonance, 0.1, 18.0, false},
    // The two switches accept exactly 0 or 1: range 0..1 and whole.
    {"reverse", kPadReverse, &SamplerPadOverride::reverse, 0.0, 1.0, true},
    {"muted", kPadMuted, &SamplerPadOverride::muted, 0.0, 1.0, true},
    {"chokeGroup", kPadChokeGroup, &SamplerPadOverride::chokeGroup, 0.0, 8.0, true},
    {"roundRobinGroup", kPadRoundRobinGroup, &SamplerPadOverride::roundRobinGroup, 0.0, 8.0, true},
    {"velocitySensitivity", kPadVelocitySensitivity, &SamplerPadOverride::velocitySensitivity, 0.0, 1.0,
     false},
};

namespace {

const PadOverrideField* fieldByName(const std::string& name) {
  for (const PadOverrideField& field : kPadOverrideFields) {
    if (name == field.name) return &field;
  }
  return nullptr;
}

bool accepts(const PadOverrideField& field, double value) {
  if (!std::isfinite(value) || value < field.minimum || value > field.maximum) return false;
  return !field.whole || std::floor(value) == value;
}

// Reads one pad object's members into `pad`; `depth` is the pad's level.
bool parsePad(JsonReader& reader, SamplerPadOverride& pad, int depth) {
  return readObjectMembers(reader, [&](const std::string& name) {
    double value = 0.0;
    const JsonReader saved = reader;
    if (!parseNumber(reader, &value)) {
      reader = saved;
      return skipValue(reader, depth + 1);
    }
    const PadOverrideField* field = fieldByName(name);
    if (field && accepts(*field, value)) {
      pad.*(field->value) = value;
      pad.mask |= field->bit;
    }
    return true;
  });
}

// A control byte without a short escape is written as \u00XX, which reads
// back as "?", and NUL would cut the key short: such a key could not survive
// a save, so it names no pad.
bool keyWritable(const std::string& key) {
  for (const char c : key) {
    if (static_cast<unsigned char>(c) < 0x20 && c != '\b' && c != '\f' && c != '\n' && c != '\r' &&
        c != '\t') {
      return false;
    }
  }
  return true;
}

void keep(SamplerPadOverrides& out, SamplerPadOverride&& pad) {
  if (pad.mask == 0 || pad.key.size() > kPadKeyMaxBytes || !keyWritable(pad.key)) return;
  for (SamplerPadOverride& existing : out) {
    if (existing.key == pad.key) {
      existing = std::move(pad);
      return;
    }
  }
  if (out.size() < kPadOverridesCapacity) out.push_back(std::move(pad));
}

}  // namespace

bool parsePadOverrideMap(JsonReader& reader, SamplerPadOverrides& out, int depth) {
  if (depth > kJsonMaxDepth) return false;
  SamplerPadOverrides merged = out;
  const bool ok = readObjectMembers(reader, [&](const std::string& key) {
    if (peekByte(reader) != '{') return skipValue(reader, depth + 1);
    if (depth + 1 > kJsonMaxDepth) return false;
    SamplerPadOverride pad;
    pad.key = key;
    if (!parsePad(reader, pad, depth + 1)) return false;
    keep(merged, std::move(pad));
    return true;
  });
  if (!ok) return false;
  out = std::move(merged);
  return true;
}

bool parseSamplerPadOverridesJson(const char* text, std::size_t length, SamplerPadOverrides& out) {
  if (!text) return false;
  JsonReader reader{text, text + length};
  SamplerPadOverrides fresh;
  if (!parsePadOverrideMap(reader, fresh, 0) || !atEndAfterWhitespace(reader)) return false;
  out = std::move(fresh);
  return true;
}

bool hasWritablePadOverride(const SamplerPadOverrides& overrides) {
  return std::any_of(overrides.begin(), overrides.end(), padOverrideWritable);
}

void dropUnwritablePadOverrides(SamplerPadOverrides& overrides) {
  std::erase_if(overrides, [](const SamplerPadOverride& pad) { return !padOverrideWritable(pad); });
}

void writeSamplerPadOverridesJson(std::string& out, const SamplerPadOverrides& overrides) {
  out += '{';
  bool firstPad = true;
  for (const SamplerPadOverride& pad : overrides) {
    if (!padOverrideWritable(pad)) continue;
    if (!firstPad) out += ',';
    firstPad = false;
    jsonAppendQuoted(out, pad.key.c_str());
    out += ":{";
    bool firstField = true;
    for (const PadOverrideField& field : kPadOverrideFields) {
      if (!(pad.mask & field.bit)) continue;
      if (!firstField) out += ',';
      firstField = false;
      jsonAppendQuoted(out, field.name);
      out += ':';
      jsonAppendNumber(out, pad.*(field.value));
    }
    out += '}';
  }
  out += '}';
}

}  // namespace talvo
