#include "engine/sampler_slots.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "bridge/json_write.h"

namespace talvo {

namespace {

constexpr std::uint32_t kNoiseSeed = 1831565813u;

// A detail object of two string members. Ids and sources come from saved
// states and messages, so they are escaped: a quote in one cannot forge the
// other member.
std::string detailObject(const char* firstKey, const char* first, const char* secondKey, const char* second) {
  std::string out = "{";
  jsonAppendQuoted(out, firstKey);
  out += ':';
  jsonAppendQuoted(out, first ? first : "");
  out += ',';
  jsonAppendQuoted(out, secondKey);
  out += ':';
  jsonAppendQuoted(out, second ? second : "");
  return out + "}";
}

bool publishable(const SamplerPadOverrides& overrides) {
  if (overrides.size() > kPadOverridesCapacity) return false;
  return std::none_of(overrides.begin(), overrides.end(), [](const SamplerPadOverride& pad) {
    return pad.key.empty() || pad.key.size() > kPadKeyMaxBytes || pad.mask == 0;
  });
}

}  // namespace

SamplerSlots::SamplerSlots(const ParameterMirror& params, talvo_runtime_diagnostic_ring& diagnostics)
    : params_(params), diagnostics_(diagnostics), noise_(kNoiseSeed) {
  for (std::atomic<float>& s : sensitivity_)
    s.store(1.0f, std::memory_order_relaxed);
}

bool SamplerSlots::publishRuntimeBank(StagedBankPtr bank) {
  // No kernel of this build publishes a sample capacity, so no bank fits.
  (void)bank;
  bank_.reset();
  return false;
}

BankRecallOutcome SamplerSlots::recallSampleBank(const char* bankId) {
  if (bankId == nullptr || bankId[0] == '\0') return BankRecallOutcome::kNone;
  recordBankRecallFailure(BankRecallOutcome::kMissing, bankId);
  return BankRecallOutcome::kMissing;
}

void SamplerSlots::recordBankRecallFailure(BankRecallOutcome outcome, const char* bankId) {
  const char* message = nullptr;
  std::uint32_t code = 0;
  if (outcome == BankRecallOutcome::kMissing) {
    code = TALVO_DIAG_BANK_MISSING;
    message =
        "state recall named a bank this build does not contain; parameters kept, output silent, no bank "
        "substituted";
  } else if (outcome == BankRecallOutcome::kHashMismatch) {
    code = TALVO_DIAG_BANK_HASH_MISMATCH;
    message =
        "state recall named a bank whose manifest hash differs from the one compiled in; parameters kept, "
        "output silent";
  } else {
    return;
  }
  std::string detail = "{\"bank\":";
  jsonAppendQuoted(detail, bankId ? bankId : "");
  detail += ",\"banks\":0}";
  (void)recordBankDiagnostic(diagnostics_, code, TALVO_SEVERITY_ERROR, TALVO_PHASE_STATE, message,
                             detail.c_str());
}

void SamplerSlots::recordRuntimeBankFailure(RuntimeBankOutcome outcome, const char* reason,
                                            const char* source) {
  if (outcome == RuntimeBankOutcome::kOk) return;
  const char* name = runtimeBankOutcomeName(outcome);
  char message[TALVO_RUNTIME_DIAGNOSTIC_MESSAGE_BYTES];
  std::snprintf(message, sizeof message, "runtime bank load refused (%s): %s", name, reason ? reason : "");
  const std::uint32_t code = outcome == RuntimeBankOutcome::kBankHashMismatch ? TALVO_DIAG_BANK_HASH_MISMATCH
                                                                              : TALVO_DIAG_BANK_MISSING;
  (void)recordBankDiagnostic(diagnostics_, code, TALVO_SEVERITY_ERROR, TALVO_PHASE_LOAD, message,
                             detailObject("reason", name, "source", source).c_str());
}

bool SamplerSlots::publishSamplerPadOverrides(const SamplerPadOverrides& overrides) {
  if (!publishable(overrides)) return false;
  // Nothing on the audio thread holds a snapshot, so the old one goes here,
  // on the main thread, unless a main-thread caller still holds it.
  pads_ = std::make_shared<const SamplerPadOverrides>(overrides);
  const StagedBankPtr bank = bank_;
  refreshSamplerPadVelocitySensitivity(pads_.get(), bank.get());
  std::uint32_t next = generation_.load(std::memory_order_relaxed) + 1;
  if (next == 0) next = 1;
  generation_.store(next, std::memory_order_release);
  return true;
}

void SamplerSlots::refreshSamplerPadVelocitySensitivity(const SamplerPadOverrides* overrides,
                                                        const StagedBank* bank) {
  for (std::atomic<float>& s : sensitivity_)
    s.store(1.0f, std::memory_order_relaxed);
  if (overrides == nullptr || overrides->empty() || bank == nullptr) return;
  bool set[kKeys] = {};
  for (const StagedZone& zone : bank->zones) {
    const std::uint32_t key = zone.lowKey;
    if (zone.id.empty() || zone.keyTracking != 0 || key >= kKeys || zone.highKey != key || set[key]) continue;
    const auto pad = std::find_if(overrides->begin(), overrides->end(),
                                  [&](const SamplerPadOverride& p) { return p.key == zone.id; });
    if (pad == overrides->end() || !(pad->mask & kPadVelocitySensitivity)) continue;
    sensitivity_[key].store(static_cast<float>(pad->velocitySensitivity), std::memory_order_relaxed);
    set[key] = true;
  }
}

void SamplerSlots::assignVelocitySlots(std::int32_t mode, std::int32_t fixed, std::int32_t humanize) {
  velocitySlots_[0].store(mode, std::memory_order_relaxed);
  velocitySlots_[1].store(fixed, std::memory_order_relaxed);
  velocitySlots_[2].store(humanize, std::memory_order_relaxed);
}

double SamplerSlots::resolveSamplerVelocity(std::uint32_t key, double velocity) noexcept {
  std::int32_t slots[3];
  for (int i = 0; i < 3; ++i) {
    slots[i] = velocitySlots_[i].load(std::memory_order_relaxed);
    if (slots[i] < 0) return velocity;
  }
  const auto value = [&](int slot) { return params_.value(static_cast<std::uint32_t>(slots[slot])); };
  const double mode = std::floor(value(0) + 0.5);
  const double fixed = value(1);
  double base = 0.0;
  if (mode == 1.0) {
    base = std::isfinite(fixed) && fixed >= 0.01 ? std::min(fixed, 1.0) : 0.01;
  } else {
    base = std::isfinite(velocity) && velocity >= 0.0 ? std::min(velocity, 1.0) : 0.0;
  }
  double s = 1.0;
  if (key < kKeys) {
    const double stored = sensitivity_[key].load(std::memory_order_relaxed);
    s = std::isfinite(stored) && stored >= 0.0 ? std::min(stored, 1.0) : 0.0;
  }
  double v = s == 1.0 ? base : 1.0 - s + base * s;
  const double h = std::min(std::isfinite(value(2)) && value(2) >= 0.0 ? value(2) : 0.0, 0.25);
  if (h > 0.0) {
    // Several threads may draw notes at once; each draw takes its own step.
    std::uint32_t z = noise_.fetch_add(0x9E3779B9u, std::memory_order_relaxed);
    z = (z ^ (z >> 16)) * 2146121005u;
    z = (z ^ (z >> 15)) * 0x846CA68Bu;
    const double u = static_cast<double>((z >> 8) ^ (z >> 24)) * 0x1p-24;
    v *= h * (2.0 * u - 1.0) + 1.0;
  }
  return std::clamp(v, 0.01, 1.0);
}

void SamplerSlots::resetVelocityNoise() noexcept {
  noise_.store(kNoiseSeed, std::memory_order_relaxed);
}

}  // namespace talvo
