#include "bridge/base64.h"
#include "bridge/json_write.h"
#include "params/params.h"
#include "state/state_chunk.h"

namespace talvo {
namespace {

bool given(const char* text) {
  return text && *text;
}

void appendMember(std::string& out, const char* key, const char* value) {
  out += ",\"";
  out += key;
  out += "\":";
  jsonAppendQuoted(out, value);
}

void appendBank(std::string& out, const BankStateRefOut& bank) {
  out += ",\"bank\":{\"version\":1,\"id\":";
  jsonAppendQuoted(out, bank.id);
  if (given(bank.bankVersion)) appendMember(out, "bankVersion", bank.bankVersion);
  if (given(bank.sha256)) appendMember(out, "sha256", bank.sha256);
  if (given(bank.locator)) appendMember(out, "locator", bank.locator);
  appendMember(out, "source", given(bank.source) ? bank.source : "embedded");
  if (given(bank.instrument)) appendMember(out, "instrument", bank.instrument);
  if (given(bank.presetId)) appendMember(out, "presetId", bank.presetId);
  out += '}';
}

}  // namespace

std::string writeStateJson(double rate, double depth, double wet, std::int32_t variation, const CcMap* ccMap,
                           std::uint32_t samplerAssetFault, std::uint32_t samplerZoneProgram,
                           const BankStateRefOut* bank, const SamplerPadOverrides* padOverrides,
                           const AuthoredStateOut* authored) {
  const double values[TALVO_PARAM_COUNT] = {rate, depth, wet};
  std::string out = "{\"params\":{";
  for (std::uint32_t i = 0; i < TALVO_PARAM_COUNT; ++i) {
    if (i) out += ',';
    jsonAppendQuoted(out, TALVO_PARAMS[i].path);
    out += ':';
    jsonAppendNumber(out, values[i]);
  }
  out += '}';
  if (variation >= 0) {
    out += ",\"variation\":";
    jsonAppendNumber(out, variation);
  }
  if (ccMap) {
    out += ",\"ccMap\":";
    writeCcMapJson(out, *ccMap);
  }
  if (samplerAssetFault != kSamplerAssetNone) {
    const char* name = samplerAssetFaultName(samplerAssetFault);
    appendMember(out, "samplerAssetFault", name ? name : "none");
  }
  if (samplerZoneProgram != kZoneLegacySingleZone) {
    out += ",\"samplerZoneAbi\":\"talvo-dual-stack-sampler/zone-layer/v1\",\"samplerZoneVersion\":1";
    appendMember(out, "samplerZoneProgram", samplerZoneProgramName(samplerZoneProgram));
  }
  // An empty "pads" map would read back as no overrides at all.
  if (padOverrides && hasWritablePadOverride(*padOverrides)) {
    out += ",\"sampler\":{\"v\":1,\"pads\":";
    writeSamplerPadOverridesJson(out, *padOverrides);
    out += '}';
  }
  if (bank && given(bank->id)) appendBank(out, *bank);
  if (authored && authored->bytes && authored->length > 0) {
    out += ",\"authoredState\":{\"v\":";
    jsonAppendNumber(out, authored->version);
    out += ",\"bytes\":";
    std::string text;
    base64Append(text, authored->bytes, authored->length);
    jsonAppendQuoted(out, text.c_str());
    out += '}';
  }
  out += '}';
  return out;
}

}  // namespace talvo
