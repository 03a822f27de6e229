// The "talvo.bankState" document: everything the page shows about banks, in
// one line of JSON.
#include "bankcontrol/bank_control.h"
#include "bridge/json_write.h"

namespace talvo {
namespace {

void appendMember(std::string& out, const char* key, const std::string& value) {
  out += '"';
  out += key;
  out += "\":";
  jsonAppendQuoted(out, value.c_str());
}

// {"id":...,"name":...,"list":...}: an instrument or kit.
void appendEntry(std::string& out, const std::string& id, const std::string& name, const std::string& list) {
  out += '{';
  appendMember(out, "id", id);
  out += ',';
  appendMember(out, "name", name);
  out += ',';
  appendMember(out, "list", list);
  out += '}';
}

void appendPositioning(std::string& out, const std::string& line) {
  std::vector<std::string> fields = splitFields(line, '\t', 3);
  fields.resize(3);
  appendEntry(out, fields[0], fields[1], fields[2]);
}

void appendPreset(std::string& out, const BankControlPreset& preset) {
  out += '{';
  appendMember(out, "id", preset.id);
  out += ',';
  appendMember(out, "name", preset.name);
  out += ',';
  appendMember(out, "instrument", preset.instrument);
  out += R"(,"params":{)";
  for (std::size_t i = 0; i < preset.params.size(); ++i) {
    if (i > 0) out += ',';
    jsonAppendQuoted(out, preset.params[i].first.c_str());
    out += ':';
    jsonAppendNumber(out, preset.params[i].second);
  }
  out += "}}";
}

}  // namespace

void BankControl::sendBankState(const char* reason, const char* errorCode, const char* requestedId) {
  std::string json;
  writeBankState(json, reason ? reason : "query", errorCode, requestedId);
  host_.sendBankJson(json);
}

void BankControl::writeBankState(std::string& out, const char* reason, const char* errorCode,
                                 const char* requestedId) const {
  out += R"({"type":"talvo.bankState","reason":)";
  jsonAppendQuoted(out, reason);
  out += R"(,"stateVersion":1,"pads":)";
  writeSamplerPadOverridesJson(out, padOverrides_);
  out += R"(,"banks":[])";
  if (runtimeLoaded_ && !source_.empty()) {
    out += R"(,"runtime":{)";
    appendMember(out, "source", source_);
    out += ',';
    appendMember(out, "locator", locator_);
    if (!instrumentId_.empty()) {
      out += R"(,"instrument":)";
      appendEntry(out, instrumentId_, instrumentName_, instrumentList_);
    }
    out += R"(,"positionings":[)";
    for (std::size_t i = 0; i < positionings_.size(); ++i) {
      if (i > 0) out += ',';
      appendPositioning(out, positionings_[i]);
    }
    out += "]}";
  }
  const bool bankScoped = runtimeLoaded_ && !presets_.empty();
  out += R"(,"presets":{"bankScoped":)";
  out += bankScoped ? "true" : "false";
  out += R"(,"items":[)";
  if (!bankScoped) out += R"({"id":"default","name":"Default"})";
  for (std::size_t i = 0; bankScoped && i < presets_.size(); ++i) {
    if (i > 0) out += ',';
    appendPreset(out, presets_[i]);
  }
  out += "]}";
  if (errorCode) {
    out += R"(,"error":{"code":)";
    jsonAppendQuoted(out, errorCode);
    out += R"(,"requestedId":)";
    jsonAppendQuoted(out, requestedId ? requestedId : "");
    out += '}';
  }
  out += '}';
}

}  // namespace talvo
