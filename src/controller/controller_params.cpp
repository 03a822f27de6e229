// Parameter edits from the host and from the page, the page's gestures and
// the host's MIDI mapping and function name queries.
#include <cmath>
#include <cstring>

#include "controller/talvo_controller.h"
#include "params/params.h"
#include "vst3/guarded_call.h"

namespace talvo {

using namespace Steinberg;
using namespace Steinberg::Vst;

tresult PLUGIN_API TalvoController::setParamNormalized(ParamID id, ParamValue value) {
  if (!std::isfinite(value)) return kInvalidArgument;
  const tresult result = EditControllerEx1::setParamNormalized(id, value);
  if (result != kResultOk) return result;
  guardedRun([&] {
    if (id == kProgramChangeParamId) {
      applyFactoryPreset(0);
      if (componentHandler != nullptr) componentHandler->restartComponent(kParamValuesChanged);
    } else if (static_cast<std::int32_t>(id) == echoParamId_ && value == echoValue_) {
      echoParamId_ = -1;  // the page's own change coming back
    } else {
      sendParamChanged(id, getParamNormalized(id));  // as stored: clamped to 0..1
    }
  });
  return result;
}

void TalvoController::editPlainParam(std::uint32_t index, double plain) {
  const talvo_param_desc* desc = paramById(index);
  if (desc == nullptr || !std::isfinite(plain)) return;
  const double normalized = talvo_param_normalize(desc, plain);
  beginEdit(index);
  setParamNormalized(index, normalized);
  performEdit(index, normalized);
  endEdit(index);
}

void TalvoController::beginPageGesture(std::uint32_t index) {
  const std::uint32_t bit = 1u << index;
  if ((pageGestures_ & bit) != 0) return;
  pageGestures_ |= bit;
  beginEdit(index);
}

void TalvoController::endPageGesture(std::uint32_t index) {
  const std::uint32_t bit = 1u << index;
  if ((pageGestures_ & bit) == 0) return;
  pageGestures_ &= ~bit;
  endEdit(index);
}

void TalvoController::closePageGestures() {
  for (std::uint32_t index = 0; index < TALVO_PARAM_COUNT; ++index)
    endPageGesture(index);
}

tresult PLUGIN_API TalvoController::getMidiControllerAssignment(int32 busIndex, int16 channel,
                                                                CtrlNumber midiControllerNumber,
                                                                ParamID& id) {
  if (busIndex != 0 || midiControllerNumber < 0 || midiControllerNumber > 127 || ccMap_.count == 0) {
    return kResultFalse;
  }
  for (std::uint32_t i = 0; i < ccMap_.count && i < kCcMapCapacity; ++i) {
    const CcBinding& b = ccMap_.bindings[i];
    if (b.enabled && b.cc == midiControllerNumber && (b.channel == 0 || b.channel == channel + 1) &&
        b.param < TALVO_PARAM_COUNT) {
      id = b.param;
      return kResultOk;
    }
  }
  return kResultFalse;
}

tresult PLUGIN_API TalvoController::getParameterIDFromFunctionName(UnitID unitID, FIDString functionName,
                                                                   ParamID& paramID) {
  if (unitID != kRootUnitId || functionName == nullptr) return kResultFalse;
  const talvo_param_desc* desc = std::strcmp(functionName, FunctionNameType::kDryWetMix) == 0
                                     ? paramById(kParamWet)
                                     : paramByPath(functionName);
  if (desc == nullptr) return kResultFalse;
  paramID = desc->id;
  return kResultOk;
}

}  // namespace talvo
