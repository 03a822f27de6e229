#pragma once
// Small text helpers for the tool's output.
#include <string>

#include "pluginterfaces/vst/vsttypes.h"

namespace talvo::host {

/// Level in dBFS with one decimal, "-inf" for silence.
[[nodiscard]] std::string decibels(double linear);
/// Prints one failure line on standard error.
void reportFailure(const std::string& message);

}  // namespace talvo::host
