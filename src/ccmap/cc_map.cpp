#include "ccmap/cc_map.h"

namespace talvo {

const char* ccCurveName(std::uint8_t curve) {
  switch (curve) {
    case kCcCurveExp:
      return "exp";
    case kCcCurveLog:
      return "log";
    case kCcCurveSCurve:
      return "s-curve";
    default:
      return nullptr;
  }
}

const char* ccValueModeName(std::uint8_t mode) {
  switch (mode) {
    case kCcValueRelativeSignedBit:
      return "relative-signed-bit";
    case kCcValueRelativeBinaryOffset:
      return "relative-binary-offset";
    case kCcValueRelativeTwosComplement:
      return "relative-twos-complement";
    case kCcValueToggle:
      return "toggle";
    default:
      return nullptr;
  }
}

const char* ccTakeoverName(std::uint8_t takeover) {
  switch (takeover) {
    case kCcTakeoverPickup:
      return "pickup";
    case kCcTakeoverScaled:
      return "scaled";
    default:
      return nullptr;
  }
}

}  // namespace talvo
