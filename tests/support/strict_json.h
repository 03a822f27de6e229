#pragma once
// Judges documents we send with a parser that is not ours and allows only strict JSON.
#include <string_view>

namespace talvo::test {

/// True when `text` is exactly one JSON value (no NaN, no trailing comma, valid UTF-8).
[[nodiscard]] bool isStrictJson(std::string_view text);

}  // namespace talvo::test
