#include "banks/staged_bank.h"

namespace talvo {

const char* runtimeBankOutcomeName(RuntimeBankOutcome outcome) {
  switch (outcome) {
    case RuntimeBankOutcome::kOk:
      return "ok";
    case RuntimeBankOutcome::kBankHashMismatch:
      return "bank-hash-mismatch";
    case RuntimeBankOutcome::kBankMalformed:
      return "bank-malformed";
    case RuntimeBankOutcome::kBankUnsupportedCodec:
      return "bank-unsupported-codec";
    case RuntimeBankOutcome::kBankTooLarge:
      return "bank-too-large";
    case RuntimeBankOutcome::kBankInstrumentUnknown:
      return "bank-instrument-unknown";
    case RuntimeBankOutcome::kBankMissing:
    default:
      return "bank-missing";
  }
}

std::uint32_t triggerCode(const std::string& trigger) {
  if (trigger == "release") return 1;
  if (trigger == "legato") return 2;
  return 0;
}

}  // namespace talvo
