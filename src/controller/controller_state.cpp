// The controller's state: taking over the processor's saved document, its own
// small document (CC map and pad overrides), CC map adoption, the factory
// preset and the preset state the reports describe. Restored documents are
// untrusted: read whole within a size limit and applied only when all of it
// parsed.
#include <cmath>
#include <iterator>
#include <memory>
#include <string>

#include "bridge/json_write.h"
#include "controller/factory_presets.h"
#include "controller/talvo_controller.h"
#include "diagnostics/text_field.h"
#include "state/state_chunk.h"
#include "vst3/guarded_call.h"
#include "vst3/message_send.h"
#include "vst3/stream_bytes.h"

namespace talvo {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// The whole stream parsed as a state document; null when unreadable.
std::unique_ptr<StateChunk> readStateDocument(IBStream& stream, std::string& bytes) {
  if (!readStreamBytes(stream, bytes)) return nullptr;
  auto state = std::make_unique<StateChunk>();
  if (!parseStateJson(bytes.data(), bytes.size(), *state)) return nullptr;
  return state;
}

}  // namespace

tresult PLUGIN_API TalvoController::setComponentState(IBStream* stream) {
  if (stream == nullptr) return kResultFalse;
  return guardedCall([&]() -> tresult {
    std::string bytes;
    const std::unique_ptr<StateChunk> state = readStateDocument(*stream, bytes);
    if (state == nullptr) return kResultFalse;
    presetFacts_.lastStateBytes = static_cast<std::int64_t>(bytes.size());
    for (std::uint32_t id = 0; id < TALVO_PARAM_COUNT; ++id) {
      if (!state->paramPresent[id] || !std::isfinite(state->params[id])) continue;
      // Exactly what the host's own change would do, echo suppression included.
      setParamNormalized(id, talvo_param_normalize(&TALVO_PARAMS[id], state->params[id]));
    }
    if (state->hasCcMap) adoptCcMap(state->ccMap, true);
    // The processor restores its own pads from the same document.
    bankControl_.adoptRestoredPadOverrides(state->hasPadOverrides ? state->padOverrides
                                                                  : SamplerPadOverrides{});
    bankControl_.sendBankState("restore");
    recordLifecycle(DiagnosticLifecycleKind::stateRestored)
        .addNumber("stateBytes", static_cast<double>(bytes.size()))
        .addString("source", "component");
    publishLastLifecycle();
    return kResultOk;
  });
}

tresult PLUGIN_API TalvoController::setState(IBStream* stream) {
  if (stream == nullptr) return kResultFalse;
  return guardedCall([&]() -> tresult {
    std::string bytes;
    if (!readStreamBytes(*stream, bytes)) return kResultFalse;
    if (bytes.empty()) return kResultOk;
    auto state = std::make_unique<StateChunk>();
    if (!parseStateJson(bytes.data(), bytes.size(), *state)) return kResultFalse;
    if (state->hasCcMap) adoptCcMap(state->ccMap, true);
    bankControl_.adoptRestoredPadOverrides(state->hasPadOverrides ? state->padOverrides
                                                                  : SamplerPadOverrides{});
    bankControl_.sendBankState("restore");
    return kResultOk;
  });
}

tresult PLUGIN_API TalvoController::getState(IBStream* stream) {
  if (stream == nullptr) return kResultFalse;
  return guardedCall([&]() -> tresult {
    const std::string json = writeControllerStateJson();
    int32 written = 0;
    const tresult result =
        stream->write(const_cast<char*>(json.data()), static_cast<int32>(json.size()), &written);
    if (result != kResultOk) return result;
    // A host whose stream took only part of the document has no state to restore.
    return written == static_cast<int32>(json.size()) ? kResultOk : kResultFalse;
  });
}

std::string TalvoController::writeControllerStateJson() const {
  std::string out = "{";
  if (hasCcMap_) {
    out += "\"ccMap\":";
    writeCcMapJson(out, ccMap_);
  }
  const SamplerPadOverrides& pads = bankControl_.padOverrides();
  if (!pads.empty()) {
    out += hasCcMap_ ? ",\"sampler\":{\"v\":1,\"pads\":" : "\"sampler\":{\"v\":1,\"pads\":";
    writeSamplerPadOverridesJson(out, pads);
    out += "}";
  }
  return out + "}";
}

std::string TalvoController::writePageStateJson() {
  double plain[TALVO_PARAM_COUNT];
  for (std::uint32_t id = 0; id < TALVO_PARAM_COUNT; ++id)
    plain[id] = paramToPlain(TALVO_PARAMS[id], getParamNormalized(id));
  const SamplerPadOverrides& pads = bankControl_.padOverrides();
  return writeStateJson(plain[0], plain[1], plain[2], -1, hasCcMap_ ? &ccMap_ : nullptr, kSamplerAssetNone,
                        kZoneLegacySingleZone, nullptr, pads.empty() ? nullptr : &pads, nullptr);
}

void TalvoController::adoptCcMap(const CcMap& map, bool notifyUi) {
  ccMap_ = map;
  hasCcMap_ = true;
  // The host asks getMidiControllerAssignment again.
  if (componentHandler != nullptr) componentHandler->restartComponent(kMidiCCAssignmentChanged);
  std::string json;
  writeCcMapJson(json, ccMap_);
  sendBinaryMessage(*this, "talvo.ccMap", json.data(), json.size());
  recordLifecycle(DiagnosticLifecycleKind::ccMapChanged).addNumber("bindings", ccMap_.count);
  publishLastLifecycle();
  if (notifyUi && hasSink()) {
    json.clear();
    writeCcMapChangedJson(json, ccMap_);
    sendToUi(json);
  }
}

void TalvoController::applyFactoryPreset(std::uint32_t index) {
  if (index >= std::size(kFactoryPresets)) return;
  const FactoryPreset& preset = kFactoryPresets[index];
  copyTextField(presetFacts_.currentId, preset.id);
  copyTextField(presetFacts_.currentName, preset.name);
  for (std::uint32_t id = 0; id < TALVO_PARAM_COUNT; ++id)
    presetValues_[id] = preset.normalized[id];
  presetLoaded_ = true;
  recordLifecycle(DiagnosticLifecycleKind::presetLoaded)
      .addString("id", preset.id)
      .addString("name", preset.name)
      .addNumber("index", index)
      .addString("origin", "factory");
  publishLastLifecycle();
  // No identifier: the processor's next save names no bank preset.
  sendBinaryMessage(*this, "talvo.diag.presetLoaded", nullptr, 0);
  for (std::uint32_t id = 0; id < TALVO_PARAM_COUNT; ++id) {
    beginEdit(id);
    EditControllerEx1::setParamNormalized(id, preset.normalized[id]);
    sendParamChanged(id, preset.normalized[id]);
    performEdit(id, preset.normalized[id]);
    endEdit(id);
  }
}

bool TalvoController::presetDirty() {
  if (!presetLoaded_) return false;
  for (std::uint32_t id = 0; id < TALVO_PARAM_COUNT; ++id) {
    if (getParamNormalized(id) != presetValues_[id]) return true;
  }
  return false;
}

void TalvoController::refreshPresetState() {
  presetFacts_.factoryCount = static_cast<std::uint32_t>(std::size(kFactoryPresets));
  presetFacts_.dirty = presetDirty() ? 1 : 0;
  presetFacts_.userPresetsSupported = 0;
  presetFacts_.bank = BankFacts{};
  if (compiledBankCount() > 0) describeCompiledBank(0, presetFacts_.bank);
}

}  // namespace talvo
