#pragma once
// Small text helpers for the tool's output.
#include <string>

#include "pluginterfaces/vst/vsttypes.h"

namespace talvo::host {

/// UTF-16 (as the VST3 interfaces give it) to UTF-8; stops at NUL or `capacity`.
[[nodiscard]] std::string utf8FromUtf16(const Steinberg::Vst::TChar* text, std::size_t capacity);
/// Level in dBFS with one decimal, "-inf" for silence.
[[nodiscard]] std::string decibels(double linear);
/// Prints one failure line on standard error.
void reportFailure(const std::string& message);

}  // namespace talvo::host
