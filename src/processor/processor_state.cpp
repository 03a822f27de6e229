// Saving and restoring the component state: the engine's values, the CC map,
// the pad overrides and the runtime bank in use, as one JSON document. A
// restored state is untrusted input: it is read whole, within a size limit,
// and applied only when all of it parsed.
#include <cstdint>
#include <memory>
#include <string>

#include "pluginterfaces/base/ibstream.h"
#include "processor/talvo_processor.h"
#include "state/state_chunk.h"
#include "vst3/guarded_call.h"
#include "vst3/stream_bytes.h"

namespace talvo {

using namespace Steinberg;

tresult PLUGIN_API TalvoProcessor::getState(IBStream* state) {
  if (state == nullptr) return kResultFalse;
  return guardedCall([&] { return saveState(*state); });
}

tresult PLUGIN_API TalvoProcessor::setState(IBStream* state) {
  if (state == nullptr) return kResultFalse;
  return guardedCall([&] { return restoreState(*state); });
}

tresult TalvoProcessor::saveState(IBStream& state) {
  if (engine_.hasUnreportedRuntimeDiagnostics()) sendRuntimeHealthReport(false);
  BankStateRefOut bank;
  StagedBankPtr heldBank;
  const bool hasBank = fillBankStateRef(engine_, runtimeBank_, presetId_, bank, heldBank);
  const std::shared_ptr<const SamplerPadOverrides> pads = engine_.sampler().padOverrides();
  const std::string json =
      writeStateJson(engine_.paramValue(0), engine_.paramValue(1), engine_.paramValue(2), engine_.variation(),
                     hasCcMap_ ? &ccMap_ : nullptr, kSamplerAssetNone, kZoneLegacySingleZone,
                     hasBank ? &bank : nullptr, pads && !pads->empty() ? pads.get() : nullptr, nullptr);
  if (json.size() > INT32_MAX) return kResultFalse;
  int32 written = 0;
  const tresult result =
      state.write(const_cast<char*>(json.data()), static_cast<int32>(json.size()), &written);
  if (result != kResultOk) return result;
  // A host whose stream took only part of the document has no state to restore.
  return written == static_cast<int32>(json.size()) ? kResultOk : kResultFalse;
}

tresult TalvoProcessor::restoreState(IBStream& stream) {
  std::string bytes;
  if (!readStreamBytes(stream, bytes)) return kResultFalse;
  const auto state = std::make_unique<StateChunk>();
  if (!parseStateJson(bytes.data(), bytes.size(), *state)) return kResultFalse;

  for (std::uint32_t id = 0; id < TALVO_PARAM_COUNT; ++id) {
    if (state->paramPresent[id]) engine_.setParamValue(id, state->params[id]);
  }
  if (state->variation >= 0) engine_.setVariation(state->variation);
  if (state->hasCcMap) {
    ccMap_ = state->ccMap;
    hasCcMap_ = true;
  }
  // Pads the writer would leave out would make the engine refuse the whole
  // set; and should it still refuse, an empty set goes in, so restoring one
  // project never keeps another's pads.
  SamplerPadOverrides pads;
  if (state->hasPadOverrides) pads = std::move(state->padOverrides);
  dropUnwritablePadOverrides(pads);
  if (!engine_.sampler().publishSamplerPadOverrides(pads)) {
    (void)engine_.sampler().publishSamplerPadOverrides({});
  }
  restoreRuntimeBank(*state);
  return kResultOk;
}

void TalvoProcessor::restoreRuntimeBank(const StateChunk& state) {
  bool failed = false;
  if (runtimeBankReferenced(state)) {
    if (recallRuntimeBankFromChunk(engine_, state, runtimeBank_)) return;
    failed = true;
  }
  // Whatever bank was in use does not belong to the restored project.
  (void)engine_.sampler().publishRuntimeBank(nullptr);
  runtimeBank_ = {};
  const BankRecallOutcome recall = engine_.sampler().recallSampleBank(state.hasBank ? state.bankId : nullptr);
  if (failed || recall != BankRecallOutcome::kNone) sendRuntimeHealthReport(false);
}

}  // namespace talvo
