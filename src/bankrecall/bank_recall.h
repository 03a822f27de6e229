#pragma once
// Runtime banks between the sound pack loader and the engine: loading one and
// offering it to the engine, bringing back the bank a restored state names,
// and the bank reference a saved state records. Main thread only.
#include <string>

#include "banks/staged_bank.h"
#include "engine/kernel_engine.h"
#include "state/state_chunk.h"

namespace talvo {

/// The runtime bank in use, as remembered from its load: where it came from
/// and what was asked for.
struct RuntimeBankRef {
  std::string source;
  std::string locator;
  std::string sha256;
  std::string instrument;
};

/// How a load ended; `detail` says why it failed and is empty on success.
struct RuntimeBankAttempt {
  RuntimeBankOutcome outcome = RuntimeBankOutcome::kBankMissing;
  std::string detail;
};

/// Loads the sound pack in `bankDirectory` (an empty `instrument` takes its
/// first) and offers it to the engine. Every failure, the engine's refusal and
/// running out of memory included, leaves the engine without a runtime bank
/// and is recorded in its diagnostics under `source`.
[[nodiscard]] RuntimeBankAttempt loadAndPublishRuntimeBank(KernelEngine& engine,
                                                           const std::string& bankDirectory,
                                                           const std::string& source,
                                                           const std::string& instrument);

/// True when a restored state names a bank to load from disk: a bank
/// reference with a locator and a source other than "embedded" or none.
[[nodiscard]] bool runtimeBankReferenced(const StateChunk& state);

/// The hosted-bank cache entry a saved locator ends in: its last component
/// must be 64 lowercase hex digits naming a directory (not a link) of the
/// cache. Empty otherwise. A saved state is untrusted, so nothing else of the
/// locator is used, and nothing is downloaded.
[[nodiscard]] std::string hostedBankDirectory(const std::string& locator);

/// Loads and offers the runtime bank a restored state names ("hosted" ones
/// from the cache only). True, with `recalled` holding the state's reference,
/// when the engine took the bank; otherwise `recalled` is emptied and a
/// failed load recorded.
[[nodiscard]] bool recallRuntimeBankFromChunk(KernelEngine& engine, const StateChunk& state,
                                              RuntimeBankRef& recalled);

/// The bank reference a save records: identity from the bank the engine
/// holds, source and locator from `inUse`, and `presetId` when not empty.
/// False (nothing filled) without a runtime bank or a source. `held` keeps the
/// bank that `out` points into alive until the state has been written.
[[nodiscard]] bool fillBankStateRef(const KernelEngine& engine, const RuntimeBankRef& inUse,
                                    const std::string& presetId, BankStateRefOut& out, StagedBankPtr& held);

}  // namespace talvo
