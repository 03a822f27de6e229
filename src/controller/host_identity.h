#pragma once
// Which validator, if any, is hosting the plug-in, judged from the host's name.
#include <cstdint>

namespace talvo {

/// The validator kind of a host name (kValidator*, diagnostics/host_facts.h):
/// case-sensitive substring tests in a fixed order, the first hit deciding;
/// kValidatorNone for an ordinary host or a null name.
[[nodiscard]] std::uint8_t validatorKindForHostName(const char* name);

}  // namespace talvo
