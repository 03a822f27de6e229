#include <cmath>

#include "ccmap/cc_resolve.h"

namespace talvo {
namespace {

// Unlike std::clamp, a NaN lands on `lo`: a binding must never hand a NaN to a
// parameter, whatever its range held.
double clampSafe(double v, double lo, double hi) {
  if (!(v > lo)) return lo;
  return v > hi ? hi : v;
}

double shape(std::uint8_t curve, double x) {
  switch (curve) {
    case kCcCurveExp:
      return x * x;
    case kCcCurveLog:
      return std::sqrt(x);
    case kCcCurveSCurve:
      return x * x * (3.0 - 2.0 * x);
    default:
      return x;
  }
}

// The parameter's own rule for a plain value. Toggles switch at one half of
// the plain range, which differs from the host-facing conversion (any non-zero
// value is on) so that a range mapped across a toggle splits evenly.
double normalizeByKind(const talvo_param_desc& desc, double plain) {
  switch (desc.kind) {
    case TALVO_PARAM_KIND_LIST: {
      if (desc.list_count < 2) return 0.0;
      const double last = static_cast<double>(desc.list_count - 1);
      return clampSafe(plain, 0.0, last) / last;
    }
    case TALVO_PARAM_KIND_TOGGLE:
      return clampSafe(plain, desc.minimum, desc.maximum) >= 0.5 ? 1.0 : 0.0;
    default:
      if (desc.maximum == desc.minimum) return 0.0;
      return clampSafe((plain - desc.minimum) / (desc.maximum - desc.minimum), 0.0, 1.0);
  }
}

}  // namespace

double ccRangeLow(const CcBinding& binding, const talvo_param_desc& desc) noexcept {
  return normalizeByKind(desc, binding.hasMin ? binding.min : desc.minimum);
}

double ccRangeHigh(const CcBinding& binding, const talvo_param_desc& desc) noexcept {
  return normalizeByKind(desc, binding.hasMax ? binding.max : desc.maximum);
}

double ccApplyNormalized(const CcBinding& binding, const talvo_param_desc& desc, int raw) noexcept {
  const int r = raw < 0 ? 0 : (raw > 127 ? 127 : raw);
  const double shaped = shape(binding.curve, static_cast<double>(r) / 127.0);
  const double lo = binding.hasMin ? binding.min : desc.minimum;
  const double hi = binding.hasMax ? binding.max : desc.maximum;
  const double span = hi - lo;
  double plain = lo + shaped * span;
  // Two huge finite ends can overflow the span; interpolate without it.
  if (!std::isfinite(span) && std::isfinite(lo) && std::isfinite(hi)) {
    plain = lo * (1.0 - shaped) + hi * shaped;
  }
  return normalizeByKind(desc, plain);
}

int ccClosestRaw(const CcBinding& binding, const talvo_param_desc& desc, double target) noexcept {
  int best = 0;
  double bestDistance = std::fabs(ccApplyNormalized(binding, desc, 0) - target);
  for (int r = 1; r < 128; ++r) {
    const double distance = std::fabs(ccApplyNormalized(binding, desc, r) - target);
    if (distance < bestDistance) {
      best = r;
      bestDistance = distance;
    }
  }
  return best;
}

}  // namespace talvo
