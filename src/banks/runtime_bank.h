#pragma once
// Loading a sound pack directory into a StagedBank. Main thread only: it
// reads, hashes and decodes files and allocates freely.
#include <cstdint>
#include <string>

#include "banks/staged_bank.h"

namespace talvo {

/// Reads bank.json in `bankDirectory`, verifies every declared asset, decodes
/// the assets of the chosen instrument into one pool and builds its zones.
/// `arenaFrames` 0 leaves the capacity decision to the engine; an empty
/// `requestedInstrument` takes the first usable instrument or kit. Failures
/// come back as an outcome and a message; nothing outside the result changes.
[[nodiscard]] RuntimeBankLoad loadRuntimeBank(const std::string& bankDirectory, std::uint64_t arenaFrames,
                                              const std::string& requestedInstrument);

}  // namespace talvo
