#include "engine/rate_math.h"

namespace talvo {

namespace {
using u128 = unsigned __int128;
using i128 = __int128;

std::uint32_t clampPhase(u128 p) {
  return p > 1023 ? 1023u : static_cast<std::uint32_t>(p);
}

// Floor division for a possibly negative numerator and a positive divisor.
i128 floorDiv(i128 x, i128 y) {
  i128 q = x / y;
  if (x % y != 0 && x < 0) --q;
  return q;
}
}  // namespace

SincPosition hostPositionOfKernelFrame(std::uint64_t kernelFrame, std::uint64_t n, std::uint64_t d) {
  const u128 dk = static_cast<u128>(d) * kKernelRate;
  const u128 x = static_cast<u128>(kernelFrame) * n;
  const u128 i = x / dk;
  const u128 r = x - i * dk;
  SincPosition out;
  out.index = static_cast<std::int64_t>(i);
  out.remainder = static_cast<std::uint64_t>(r);
  out.phase = clampPhase((r * 1024 + static_cast<u128>(d) * (kKernelRate / 2)) / dk);
  return out;
}

SincPosition kernelPositionOfHostFrame(std::uint64_t hostFrame, std::uint64_t n, std::uint64_t d) {
  const i128 k = static_cast<i128>(kKernelRate);
  const i128 x =
      (static_cast<i128>(hostFrame) * k - static_cast<i128>(kHostLatencyFrames) * k) * static_cast<i128>(d) -
      static_cast<i128>(kKernelLatencyFrames) * static_cast<i128>(n);
  const i128 t = floorDiv(x, static_cast<i128>(n));
  const i128 r = x - t * static_cast<i128>(n);
  SincPosition out;
  out.index = static_cast<std::int64_t>(t);
  out.remainder = static_cast<std::uint64_t>(r);
  out.phase = clampPhase((static_cast<u128>(r) * 1024 + n / 2) / n);
  return out;
}

std::uint64_t kernelFrameOfHostFrame(std::uint64_t hostFrame, std::uint64_t n, std::uint64_t d) {
  const u128 x = static_cast<u128>(hostFrame) * d * kKernelRate + n / 2;
  return static_cast<std::uint64_t>(x / n);
}

std::uint64_t kernelFramesCeil(std::uint64_t hostFrames, std::uint64_t n, std::uint64_t d) {
  const u128 x = static_cast<u128>(hostFrames) * d * kKernelRate;
  const u128 q = (x + n - 1) / n;
  return q > UINT64_MAX ? UINT64_MAX : static_cast<std::uint64_t>(q);
}

}  // namespace talvo
