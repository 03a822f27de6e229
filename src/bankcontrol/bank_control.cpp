#include "bankcontrol/bank_control.h"

#include <algorithm>
#include <cstdio>

#include "bridge/json_write.h"
#include "params/params.h"

namespace talvo {
namespace {

// What the processor keeps of overrides it is sent, by its own rule, so the
// page never sees an entry the processor dropped.
SamplerPadOverrides writableOnly(SamplerPadOverrides pads) {
  dropUnwritablePadOverrides(pads);
  return pads;
}

// The parameter a preset key names exactly, or null.
const talvo_param_desc* presetParam(const std::string& key) {
  const talvo_param_desc* desc = paramByPath(key.c_str());
  return desc && key == desc->path ? desc : nullptr;
}

}  // namespace

struct BankControl::Route {
  const char* type;
  bool (BankControl::*handle)(const BridgeMessage&);
};

const BankControl::Route BankControl::kRoutes[] = {
    {"talvo.setPadOverrides", &BankControl::onSetPadOverrides},
    {"talvo.loadBankPreset", &BankControl::onLoadBankPreset},
    {"talvo.loadBank", &BankControl::onLoadBank},
    {"talvo.pickFolder", &BankControl::onPickFolder},
    {"talvo.getBankState", &BankControl::onGetBankState},
};

BankControl::BankControl(BankControlHost& host, HostedFetchOptions fetchOptions)
    : host_(host), fetchOptions_(std::move(fetchOptions)) {}

bool BankControl::handleMessage(const BridgeMessage& message) {
  for (const Route& route : kRoutes) {
    if (message.type == route.type) return (this->*route.handle)(message);
  }
  return false;
}

bool BankControl::onSetPadOverrides(const BridgeMessage& message) {
  if (!message.hasPads) return false;
  SamplerPadOverrides pads = writableOnly(message.pads);
  if (host_.applyPadOverrides(pads)) {
    padOverrides_ = std::move(pads);
    sendBankState("setPadOverrides");
  }
  return true;
}

bool BankControl::onLoadBankPreset(const BridgeMessage& message) {
  if (message.id.empty()) return false;
  handleBankPreset(message.id);
  return true;
}

bool BankControl::onLoadBank(const BridgeMessage& message) {
  if (!message.source.empty() && message.source != "embedded") {
    handleRuntimeBank(message.source, message.bankPath, message.instrument, message.url, message.sha256);
    return true;
  }
  if (message.id.empty()) return false;
  // This build carries no compiled-in banks.
  sendBankState("loadBank", "bank-missing", message.id.c_str());
  return true;
}

bool BankControl::onPickFolder(const BridgeMessage&) {
  std::string path;
  std::string error;
  std::string json = R"({"type":"talvo.folderPicked","ok":)";
  if (host_.pickFolder(path, error)) {
    json += R"(true,"path":)";
    jsonAppendQuoted(json, path.c_str());
  } else if (!error.empty()) {
    json += R"(false,"error":)";
    jsonAppendQuoted(json, error.c_str());
  } else {
    json += R"(false,"cancelled":true)";
  }
  json += '}';
  host_.sendBankJson(json);
  return true;
}

bool BankControl::onGetBankState(const BridgeMessage&) {
  sendBankState("query");
  return true;
}

void BankControl::handleRuntimeBank(std::string source, std::string bankPath, std::string instrument,
                                    std::string url, std::string sha256) {
  std::string directory = std::move(bankPath);
  const bool hosted = source == "hosted";
  if (hosted) {
    std::string error;
    if (!fetchHostedBank(url, sha256, directory, error, fetchOptions_)) {
      // The page hears only the code; the reason is for whoever reads the log.
      std::fprintf(stderr, "talvo-plugin-shell: hosted bank %s: %s\n", url.c_str(), error.c_str());
      sendBankState("loadBank", "bank-fetch-failed", url.c_str());
      return;
    }
  }
  if (directory.empty()) {
    sendBankState("loadBank", "bank-missing", source.c_str());
    return;
  }
  source_ = source;
  locator_ = hosted ? url : directory;
  sha256_ = sha256;
  instrument_ = instrument;
  host_.requestRuntimeBank(source, directory, sha256, instrument);
}

void BankControl::handleBankPreset(const std::string& id) {
  const auto found = std::find_if(presets_.begin(), presets_.end(),
                                  [&](const BankControlPreset& preset) { return preset.id == id; });
  if (found == presets_.end()) {
    sendBankState("loadBank", "bank-missing", id.c_str());
    return;
  }
  // A copy: reloading the bank replaces the preset list.
  const BankControlPreset preset = *found;
  const bool reload = !preset.instrument.empty() && preset.instrument != instrumentId_ && !source_.empty() &&
                      !locator_.empty();
  if (reload) handleRuntimeBank(source_, locator_, preset.instrument, locator_, sha256_);
  for (const auto& [key, value] : preset.params) {
    if (const talvo_param_desc* desc = presetParam(key)) host_.editParam(desc->id, value);
  }
  presetId_ = preset.id;
  host_.notePresetSelected(preset.id, preset.name);
  // A reload answers with its own bank state once the processor replies.
  if (!reload) sendBankState("loadBank");
}

void BankControl::clearRuntimeFacts() {
  runtimeLoaded_ = false;
  for (std::string* text :
       {&source_, &locator_, &sha256_, &instrument_, &instrumentId_, &instrumentName_, &instrumentList_}) {
    text->clear();
  }
  positionings_.clear();
  presets_.clear();
}

void BankControl::adoptRestoredRef(const std::string& source, const std::string& locator,
                                   const std::string& sha256, const std::string& instrument,
                                   const std::string& presetId) {
  source_ = source;
  locator_ = locator;
  sha256_ = sha256;
  instrument_ = instrument;
  presetId_ = presetId;
}

void BankControl::adoptRestoredPadOverrides(const SamplerPadOverrides& pads) {
  padOverrides_ = writableOnly(pads);
}

}  // namespace talvo
