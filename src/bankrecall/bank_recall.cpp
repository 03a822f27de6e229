#include "bankrecall/bank_recall.h"

#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <system_error>
#include <utility>

#include "bankrecall/runtime_bank_reply.h"
#include "banks/hosted/cache_root.h"
#include "banks/runtime_bank.h"

namespace talvo {

namespace {

bool isLowercaseSha256(const std::string& text) {
  if (text.size() != 64) return false;
  for (const char c : text) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

const char* nonEmptyOrNull(const std::string& text) {
  return text.empty() ? nullptr : text.c_str();
}

}  // namespace

RuntimeBankAttempt loadAndPublishRuntimeBank(KernelEngine& engine, const std::string& bankDirectory,
                                             const std::string& source, const std::string& instrument) {
  RuntimeBankAttempt attempt;
  try {
    RuntimeBankLoad load = loadRuntimeBank(bankDirectory, 0, instrument);
    attempt.outcome = load.outcome;
    if (load.outcome != RuntimeBankOutcome::kOk) {
      attempt.detail = std::move(load.error);
    } else if (!engine.sampler().publishRuntimeBank(
                   std::make_shared<const StagedBank>(std::move(load.bank)))) {
      attempt = {RuntimeBankOutcome::kBankTooLarge, kEngineRefusedBankMessage};
    }
  } catch (const std::bad_alloc&) {
    // A pack can declare more than this machine holds; that is its failure, not ours.
    attempt = {RuntimeBankOutcome::kBankTooLarge, "not enough memory to load the bank"};
  }
  if (attempt.outcome != RuntimeBankOutcome::kOk) {
    // The bank that was in use goes too: no stale bank outlives a failed load.
    (void)engine.sampler().publishRuntimeBank(nullptr);
    engine.sampler().recordRuntimeBankFailure(attempt.outcome, attempt.detail.c_str(), source.c_str());
  }
  return attempt;
}

bool runtimeBankReferenced(const StateChunk& state) {
  return state.hasBank && state.hasBankLocator && state.bankLocator[0] != '\0' &&
         state.bankSource[0] != '\0' && std::strcmp(state.bankSource, "embedded") != 0;
}

std::string hostedBankDirectory(const std::string& locator) {
  const std::size_t slash = locator.find_last_of('/');
  const std::string entry = slash == std::string::npos ? locator : locator.substr(slash + 1);
  if (!isLowercaseSha256(entry)) return {};
  const std::string root = hostedBankCacheRoot();
  if (root.empty()) return {};
  const std::string directory = root + "/" + entry;
  std::error_code error;
  const bool real =
      std::filesystem::symlink_status(directory, error).type() == std::filesystem::file_type::directory;
  return real ? directory : std::string();
}

bool recallRuntimeBankFromChunk(KernelEngine& engine, const StateChunk& state, RuntimeBankRef& recalled) {
  recalled = {};
  if (!runtimeBankReferenced(state)) return false;
  const std::string source = state.bankSource;
  std::string directory = state.bankLocator;
  if (source == "hosted") {
    directory = hostedBankDirectory(directory);
    if (directory.empty()) {
      engine.sampler().recordRuntimeBankFailure(RuntimeBankOutcome::kBankMissing,
                                                "the hosted bank is not in the bank cache", source.c_str());
      return false;
    }
  }
  if (loadAndPublishRuntimeBank(engine, directory, source, state.bankInstrument).outcome !=
      RuntimeBankOutcome::kOk) {
    return false;
  }
  recalled = {source, state.bankLocator, state.bankSha256, state.bankInstrument};
  return true;
}

bool fillBankStateRef(const KernelEngine& engine, const RuntimeBankRef& inUse, const std::string& presetId,
                      BankStateRefOut& out, StagedBankPtr& held) {
  held = engine.sampler().runtimeBank();
  if (!held || inUse.source.empty()) return false;
  out = {};
  out.id = held->id.c_str();
  out.bankVersion = nonEmptyOrNull(held->version);
  out.sha256 = nonEmptyOrNull(held->manifestSha256);
  out.source = inUse.source.c_str();
  out.locator = inUse.locator.c_str();
  out.presetId = nonEmptyOrNull(presetId);
  out.instrument = nonEmptyOrNull(held->instrumentId);
  return true;
}

}  // namespace talvo
