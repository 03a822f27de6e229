#pragma once
// Text as the VST3 interfaces carry it (UTF-16 in fixed fields) and as we
// print it (UTF-8).
#include <cstddef>
#include <string>

#include "pluginterfaces/vst/vsttypes.h"

namespace talvo::host {

/// UTF-16 to UTF-8; stops at NUL or `capacity`.
[[nodiscard]] std::string utf8FromUtf16(const Steinberg::Vst::TChar* text, std::size_t capacity);
/// UTF-8 into a terminated 128-unit field; what does not fit is cut.
void utf16FromUtf8(const std::string& text, Steinberg::Vst::String128 out);

}  // namespace talvo::host
