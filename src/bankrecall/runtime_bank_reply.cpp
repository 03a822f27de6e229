#include "bankrecall/runtime_bank_reply.h"

#include "bridge/json_write.h"

namespace talvo {

namespace {

// Appends `text` with every byte the reader splits at replaced by a space.
void appendField(std::string& out, const std::string& text, bool parameterKey = false) {
  for (const char c : text) {
    const bool separator = c == '\t' || c == '\n' || c == '\x01' || c == '\x1F' || (parameterKey && c == '=');
    out += separator ? ' ' : c;
  }
}

void appendFields(std::string& out, const std::string& a, const std::string& b, const std::string& c) {
  appendField(out, a);
  out += '\t';
  appendField(out, b);
  out += '\t';
  appendField(out, c);
}

}  // namespace

std::string writeRuntimeBankReply(RuntimeBankOutcome outcome, const std::string& detail,
                                  const StagedBank* bank) {
  std::string out = runtimeBankOutcomeName(outcome);
  out += '\n';
  appendField(out, detail);
  if (outcome != RuntimeBankOutcome::kOk || bank == nullptr) return out;
  out += '\n';
  appendFields(out, bank->instrumentId, bank->instrumentName, bank->instrumentList);
  for (const StagedPositioning& positioning : bank->positionings) {
    out += '\n';
    appendFields(out, positioning.id, positioning.name, positioning.list);
  }
  for (const StagedPreset& preset : bank->presets) {
    out += "\n\x01";
    appendFields(out, preset.id, preset.name, preset.instrument);
    out += '\t';
    for (std::size_t i = 0; i < preset.params.size(); ++i) {
      if (i > 0) out += '\x1F';
      appendField(out, preset.params[i].first, true);
      out += '=';
      jsonAppendNumber(out, preset.params[i].second);
    }
  }
  return out;
}

}  // namespace talvo
