#pragma once
// A strict test of text that goes into the page as it stands: unlike the
// lenient readers (which accept strtod numbers such as "nan"), this accepts
// nothing but standard JSON, so the text can only ever be data in a script.
#include <cstddef>

namespace talvo {

/// True when `text` is exactly one standard JSON value, white space around it
/// allowed, nested at most 32 levels deep. UTF-8 is not checked here.
[[nodiscard]] bool isJsonValue(const char* text, std::size_t length);

}  // namespace talvo
