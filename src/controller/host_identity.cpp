#include "controller/host_identity.h"

#include <cstring>

#include "diagnostics/host_facts.h"

namespace talvo {

std::uint8_t validatorKindForHostName(const char* name) {
  if (name == nullptr) return kValidatorNone;
  // The CLAP check comes before the generic "Validator" one, which it would also match.
  static constexpr struct {
    const char* word;
    std::uint8_t kind;
  } kWords[] = {
      {"pluginval", kValidatorPluginval},
      {"Pluginval", kValidatorPluginval},
      {"auval", kValidatorAuval},
      {"clap-validator", kValidatorClapValidator},
      {"clap_validator", kValidatorClapValidator},
      {"Validator", kValidatorSteinberg},
      {"validator", kValidatorSteinberg},
      {"Talvo", kValidatorTalvoProbe},
      {"talvo", kValidatorTalvoProbe},
  };
  for (const auto& entry : kWords) {
    if (std::strstr(name, entry.word) != nullptr) return entry.kind;
  }
  return kValidatorNone;
}

}  // namespace talvo
