// Bank control's way into the controller: the page sink, host edits of the
// parameters, and the requests it sends to the processor.
#include <algorithm>

#include "banks/hosted/hosted_bank.h"
#include "controller/talvo_controller.h"
#include "diagnostics/text_field.h"
#include "params/params.h"
#include "state/pad_overrides.h"
#include "vst3/message_send.h"

namespace talvo {

void TalvoController::BankBridge::sendBankJson(const std::string& json) {
  controller_.sendToUi(json);
}

void TalvoController::BankBridge::editParam(std::uint32_t index, double plainValue) {
  controller_.editPlainParam(index, plainValue);
}

double TalvoController::BankBridge::readParam(std::uint32_t index) {
  const talvo_param_desc* desc = paramById(index);
  if (desc == nullptr) return 0.0;
  const double normalized = std::clamp(controller_.getParamNormalized(index), 0.0, 1.0);
  return desc->minimum + normalized * (desc->maximum - desc->minimum);
}

void TalvoController::BankBridge::requestRuntimeBank(const std::string& source, const std::string& directory,
                                                     const std::string& sha256,
                                                     const std::string& instrument) {
  const std::string request = makeRuntimeBankRequest(source, directory, sha256, instrument);
  // Without a processor to answer, the page would wait for ever: answer for it.
  if (!sendBinaryMessage(controller_, "talvo.loadRuntimeBank", request.data(), request.size())) {
    controller_.bankControl_.adoptRuntimeBankReply("missing\n" + directory);
  }
}

bool TalvoController::BankBridge::applyPadOverrides(const SamplerPadOverrides& pads) {
  std::string json;
  writeSamplerPadOverridesJson(json, pads);
  return sendBinaryMessage(controller_, "talvo.padOverrides", json.data(), json.size());
}

bool TalvoController::BankBridge::pickFolder(std::string& path, std::string& error) {
  return pickBankFolder(path, error);
}

void TalvoController::BankBridge::notePresetSelected(const std::string& id, const std::string& name) {
  copyTextField(controller_.presetFacts_.currentId, id.c_str());
  copyTextField(controller_.presetFacts_.currentName, name.c_str());
  controller_.recordLifecycle(DiagnosticLifecycleKind::presetLoaded)
      .addString("id", id.c_str())
      .addString("name", name.c_str())
      .addString("origin", "bank");
  controller_.publishLastLifecycle();
  sendBinaryMessage(controller_, "talvo.diag.presetLoaded", id.data(), id.size());
}

}  // namespace talvo
