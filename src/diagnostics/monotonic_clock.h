#pragma once
#include <cstdint>

namespace talvo {

/// Nanoseconds on the system's monotonic clock; 0 when it cannot be read.
[[nodiscard]] std::int64_t monotonicNanoseconds();

}  // namespace talvo
