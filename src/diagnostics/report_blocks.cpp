#include "diagnostics/report_blocks.h"

#include "bridge/json_write.h"

namespace talvo {
namespace {

void appendTextMember(std::string& out, const char* name, const char* text) {
  out += ",\"";
  out += name;
  out += "\":";
  jsonAppendQuoted(out, text);
}

void appendTextIfAny(std::string& out, const char* name, const char* text) {
  if (text[0] != '\0') appendTextMember(out, name, text);
}

void appendCountIfKnown(std::string& out, const char* name, long long value) {
  if (value < 0) return;
  out += ",\"";
  out += name;
  out += "\":";
  out += std::to_string(value);
}

}  // namespace

const char* diagnosticTargetName(DiagnosticTarget target) {
  switch (target) {
    case DiagnosticTarget::vst3:
      return "vst3";
    case DiagnosticTarget::clap:
      return "clap";
    case DiagnosticTarget::au:
      return "au";
    case DiagnosticTarget::standalone:
      return "standalone";
    default:
      return "offline";
  }
}

void writeDiagnosticIdentityJson(std::string& out, DiagnosticTarget target, const UiBundleFacts& ui) {
  out +=
      "{\"moduleId\":\"music.talvo.oriel\",\"name\":\"Oriel\",\"vendor\":\"Talvo "
      "Music\",\"version\":\"0.1.0\","
      "\"hostClass\":\"effect\",\"target\":\"";
  out += diagnosticTargetName(target);
  out += "\",\"sdkVersion\":\"0.0.0\",\"build\":{\"mode\":\"production\",\"configuration\":\"Release\"}";
  if (ui.buildTime[0] != '\0' || ui.sourceRevision[0] != '\0' || ui.sha256[0] != '\0') {
    std::string members;
    appendTextIfAny(members, "buildTime", ui.buildTime);
    appendTextIfAny(members, "sourceRevision", ui.sourceRevision);
    appendTextIfAny(members, "sha256", ui.sha256);
    out += ",\"ui\":{";
    out.append(members, 1, std::string::npos);
    out += '}';
  }
  out +=
      ",\"ratePolicy\":{\"mode\":\"host-native\"},\"state\":{\"version\":1,\"maxBytes\":65536},\"ports\":["
      "{\"id\":\"in\",\"kind\":\"audio\",\"direction\":\"input\",\"busRole\":\"main\",\"channels\":1},"
      "{\"id\":\"out\",\"kind\":\"audio\",\"direction\":\"output\",\"busRole\":\"main\",\"channels\":1},"
      "{\"id\":\"midi-in\",\"kind\":\"midi\",\"direction\":\"input\",\"busRole\":\"main\"}]}";
}

void writeDiagnosticCapabilitiesJson(std::string& out) {
  out += "{\"feeds\":[],\"commands\":[],\"maxFeedHz\":0}";
}

void writeDiagnosticBankJson(std::string& out, const BankFacts& bank) {
  out += "{\"id\":";
  jsonAppendQuoted(out, bank.id);
  appendTextIfAny(out, "name", bank.name);
  appendTextIfAny(out, "kind", bank.kind);
  appendTextIfAny(out, "version", bank.version);
  appendTextIfAny(out, "sha256", bank.sha256);
  appendTextIfAny(out, "source", bank.source);
  appendTextIfAny(out, "entryId", bank.entryId);
  appendCountIfKnown(out, "index", bank.index);
  appendCountIfKnown(out, "zoneCount", bank.zoneCount);
  appendCountIfKnown(out, "roundRobinGroups", bank.roundRobinGroups);
  appendCountIfKnown(out, "chokeGroups", bank.chokeGroups);
  appendCountIfKnown(out, "velocityLayers", bank.velocityLayers);
  appendCountIfKnown(out, "padCount", bank.padCount);
  out += '}';
}

bool writeDiagnosticBanksJson(std::string& out) {
  const std::uint32_t count = compiledBankCount();
  if (count == 0) return false;
  out += '[';
  for (std::uint32_t i = 0; i < count; ++i) {
    BankFacts bank;
    if (!describeCompiledBank(i, bank)) continue;
    if (out.back() != '[') out += ',';
    writeDiagnosticBankJson(out, bank);
  }
  out += ']';
  return true;
}

void writeDiagnosticPresetStateJson(std::string& out, const PresetStateFacts& preset) {
  out += "{\"factoryCount\":";
  out += std::to_string(preset.factoryCount);
  appendTextIfAny(out, "currentId", preset.currentId);
  appendTextIfAny(out, "currentName", preset.currentName);
  out += preset.dirty ? ",\"dirty\":true" : ",\"dirty\":false";
  out += preset.userPresetsSupported ? ",\"userPresetsSupported\":true" : ",\"userPresetsSupported\":false";
  appendCountIfKnown(out, "lastStateBytes", preset.lastStateBytes);
  if (preset.bank.present == 1 && preset.bank.id[0] != '\0') {
    out += ",\"bank\":";
    writeDiagnosticBankJson(out, preset.bank);
  }
  out += '}';
}

void appendDiagnosticHelloBlocks(std::string& out, DiagnosticTarget target, const HostFacts& host,
                                 const PresetStateFacts& preset, const UiBundleFacts& ui) {
  out += ",\"identity\":";
  writeDiagnosticIdentityJson(out, target, ui);
  if (host.sampleRate > 0.0) {
    out += ",\"host\":";
    writeDiagnosticHostJson(out, host);
  }
  out += ",\"diagnostics\":";
  writeDiagnosticCapabilitiesJson(out);
  out += ",\"presetState\":";
  writeDiagnosticPresetStateJson(out, preset);
}

}  // namespace talvo
