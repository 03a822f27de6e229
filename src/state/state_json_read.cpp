#include <cmath>
#include <cstring>

#include "bridge/base64.h"
#include "params/params.h"
#include "state/state_chunk.h"

namespace talvo {
namespace {

// The object at the cursor, within the nesting limit.
template <typename OnMember>
bool readObject(JsonReader& reader, int depth, OnMember onMember) {
  return depth <= kJsonMaxDepth && readObjectMembers(reader, onMember);
}

// Truncates toward zero. Values beyond the 32-bit range saturate rather than
// wrap, and NaN gives `fallback`, so no input makes the conversion undefined.
std::int32_t truncatedInt(double value, std::int32_t fallback) {
  if (std::isnan(value)) return fallback;
  if (value >= 2147483647.0) return 2147483647;
  if (value <= -2147483648.0) return -2147483647 - 1;
  return static_cast<std::int32_t>(value);
}

// Copies `text` up to its first NUL when it fits `size` bytes with the NUL.
template <std::size_t N>
bool copyIfFits(const std::string& text, char (&out)[N]) {
  const std::size_t length = std::strlen(text.c_str());
  if (length >= N) return false;
  std::memcpy(out, text.c_str(), length + 1);
  return true;
}

bool readParams(JsonReader& reader, StateChunk& out, int depth) {
  return readObject(reader, depth, [&](const std::string& key) {
    double value = 0.0;
    bool flag = false;
    const JsonReader saved = reader;
    if (parseBool(reader, &flag)) {
      value = flag ? 1.0 : 0.0;
    } else if (reader = saved; !parseNumber(reader, &value)) {
      reader = saved;
      return skipValue(reader, depth + 1);
    }
    // "nan" or an overflowing number would reach the engine as a parameter
    // value, and the writer could only record it as null: it counts as absent.
    if (!std::isfinite(value)) return true;
    for (std::uint32_t i = 0; i < TALVO_PARAM_COUNT; ++i) {
      if (key == TALVO_PARAMS[i].path) {
        out.params[i] = value;
        out.paramPresent[i] = true;
      }
    }
    return true;
  });
}

bool readSampler(JsonReader& reader, StateChunk& out, int depth) {
  double version = 0.0;
  bool padsRead = false;
  SamplerPadOverrides pads;
  const bool ok = readObject(reader, depth, [&](const std::string& key) {
    if (key == "v") return parseNumber(reader, &version);
    if (key == "pads" && peekByte(reader) == '{') {
      pads.clear();
      padsRead = true;
      return parsePadOverrideMap(reader, pads, depth + 1);
    }
    return skipValue(reader, depth + 1);
  });
  if (!ok) return false;
  if (version == 1.0 && padsRead) {
    out.padOverrides = std::move(pads);
    out.hasPadOverrides = true;
  }
  return true;
}

bool readAuthored(JsonReader& reader, StateChunk& out, int depth) {
  double version = 0.0;
  bool bytesRead = false;
  std::string text;
  const bool ok = readObject(reader, depth, [&](const std::string& key) {
    if (key == "v") return parseNumber(reader, &version);
    if (key == "bytes" && peekByte(reader) == '"') {
      bytesRead = true;
      return parseString(reader, &text);
    }
    return skipValue(reader, depth + 1);
  });
  if (!ok) return false;
  std::vector<std::uint8_t> bytes;
  if (bytesRead && !text.empty() && base64Decode(text, bytes, kAuthoredStateMaxBytes)) {
    out.authoredBytes = std::move(bytes);
    out.authoredVersion = truncatedInt(version, 0);
    out.hasAuthoredState = true;
  }
  return true;
}

struct BankText {
  std::string id, bankVersion, sha256, source, presetId, instrument, locator;
};

void applyBank(const BankText& in, StateChunk& out) {
  const std::size_t idLength = std::strlen(in.id.c_str());
  if (idLength == 0 || idLength > 127) return;
  // A valid block replaces the whole reference; nothing of an earlier one stays.
  StateChunk cleared;
  std::memcpy(out.bankVersion, cleared.bankVersion, sizeof out.bankVersion);
  std::memcpy(out.bankSha256, cleared.bankSha256, sizeof out.bankSha256);
  std::memcpy(out.bankSource, cleared.bankSource, sizeof out.bankSource);
  std::memcpy(out.bankPresetId, cleared.bankPresetId, sizeof out.bankPresetId);
  std::memcpy(out.bankInstrument, cleared.bankInstrument, sizeof out.bankInstrument);
  std::memcpy(out.bankLocator, cleared.bankLocator, sizeof out.bankLocator);
  (void)copyIfFits(in.id, out.bankId);
  (void)copyIfFits(in.bankVersion, out.bankVersion);
  (void)copyIfFits(in.sha256, out.bankSha256);
  if (bankSourceNameKnown(in.source.c_str())) (void)copyIfFits(in.source, out.bankSource);
  out.hasBank = true;
  out.hasBankLocator = copyIfFits(in.locator, out.bankLocator) && out.bankLocator[0] != '\0';
  out.hasBankPresetId = copyIfFits(in.presetId, out.bankPresetId) && out.bankPresetId[0] != '\0';
  (void)copyIfFits(in.instrument, out.bankInstrument);
}

bool readBank(JsonReader& reader, StateChunk& out, int depth) {
  BankText text;
  const struct {
    const char* key;
    std::string BankText::*field;
  } kFields[] = {
      {"id", &BankText::id},
      {"bankVersion", &BankText::bankVersion},
      {"sha256", &BankText::sha256},
      {"source", &BankText::source},
      {"presetId", &BankText::presetId},
      {"instrument", &BankText::instrument},
      {"locator", &BankText::locator},
  };
  const bool ok = readObject(reader, depth, [&](const std::string& key) {
    if (peekByte(reader) == '"') {
      for (const auto& field : kFields) {
        if (key == field.key) return parseString(reader, &(text.*(field.field)));
      }
    }
    return skipValue(reader, depth + 1);
  });
  if (!ok) return false;
  applyBank(text, out);
  return true;
}

}  // namespace

bool parseStateObject(JsonReader& reader, StateChunk& result, int depth) {
  const int inner = depth + 1;
  std::string name;
  StateChunk out;
  const bool ok = readObject(reader, depth, [&](const std::string& key) {
    const char next = peekByte(reader);
    if (key == "params") return readParams(reader, out, inner);
    if (key == "ccMap" && (next == '{' || next == '[')) {
      return parseCcMapValue(reader, out.ccMap, out.hasCcMap, inner);
    }
    if (key == "variation") {
      double value = 0.0;
      if (!parseNumber(reader, &value)) return false;
      out.variation = truncatedInt(value, -1);
      return true;
    }
    if (key == "samplerAssetFault") {
      if (!parseString(reader, &name)) return false;
      std::uint32_t code = 0;
      if (std::strlen(name.c_str()) == name.size() && samplerAssetFaultFromName(name.c_str(), code)) {
        out.samplerAssetFault = code;
        out.hasSamplerAssetFault = true;
      }
      return true;
    }
    if (key == "samplerZoneProgram") {
      if (!parseString(reader, &name)) return false;
      if (std::strlen(name.c_str()) == name.size() && samplerZoneProgramNameKnown(name.c_str())) {
        out.samplerZoneProgram = samplerZoneProgramFromName(name.c_str());
        out.hasSamplerZoneProgram = true;
      }
      return true;
    }
    if (next == '{') {
      if (key == "sampler") return readSampler(reader, out, inner);
      if (key == "authoredState") return readAuthored(reader, out, inner);
      if (key == "bank") return readBank(reader, out, inner);
    }
    return skipValue(reader, inner);
  });
  if (!ok) return false;
  result = std::move(out);
  return true;
}

bool parseStateJson(const char* text, std::size_t length, StateChunk& out) {
  if (!text) return false;
  JsonReader reader{text, text + length};
  StateChunk chunk;
  if (!parseStateObject(reader, chunk, 0) || !atEndAfterWhitespace(reader)) return false;
  out = std::move(chunk);
  return true;
}

}  // namespace talvo
