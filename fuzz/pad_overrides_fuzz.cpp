// Arbitrary bytes as a pad override map.
#include <cstddef>
#include <cstdint>

#include "document_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace talvo;
  SamplerPadOverrides pads;
  if (!parseSamplerPadOverridesJson(reinterpret_cast<const char*>(data), size, pads)) return 0;
  fuzz::require(pads.size() <= kPadOverridesCapacity, "pad capacity");
  fuzz::requireRoundTrip(pads, parseSamplerPadOverridesJson, writeSamplerPadOverridesJson,
                         fuzz::requireSamePads);
  return 0;
}
