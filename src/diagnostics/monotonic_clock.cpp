#include "diagnostics/monotonic_clock.h"

#include <ctime>

namespace talvo {

std::int64_t monotonicNanoseconds() {
  timespec now{};
  if (clock_gettime(CLOCK_MONOTONIC, &now) != 0) return 0;
  return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

}  // namespace talvo
