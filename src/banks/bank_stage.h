#pragma once
// Internal to the sound pack loader: what the manifest pass hands to the zone
// passes, and the one way a load fails.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "banks/bank_json.h"
#include "banks/staged_bank.h"

namespace talvo {

/// An asset whose size and digest matched the manifest.
struct VerifiedAsset {
  std::string path;
  std::vector<std::uint8_t> bytes;
};

using VerifiedAssets = std::map<std::string, VerifiedAsset>;

/// Joins the pieces of a failure message in one buffer.
template <typename... Pieces>
std::string joinText(const Pieces&... pieces) {
  std::string text;
  ((text += pieces), ...);
  return text;
}

/// Ends a load: sets the outcome and message and leaves an empty bank behind.
inline RuntimeBankLoad& failLoad(RuntimeBankLoad& load, RuntimeBankOutcome outcome, std::string message) {
  load.outcome = outcome;
  load.error = std::move(message);
  load.bank = StagedBank();
  return load;
}

/// Decodes the assets the zones use (each once), lays them end to end in the
/// pool in order of first use and builds one StagedZone per zone object.
/// False when `load` has been failed.
[[nodiscard]] bool stageZones(const JsonValue& zones, const VerifiedAssets& assets, std::uint64_t arenaFrames,
                              RuntimeBankLoad& load);

}  // namespace talvo
