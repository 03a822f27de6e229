// Arbitrary bytes as a pad override map.
#include <cstddef>
#include <cstdint>

#include "document_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace talvo;
  SamplerPadOverrides pads;
  if (!parseSamplerPadOverridesJson(reinterpret_cast<const char*>(data), size, pads)) return 0;
  fuzz::require(pads.size() <= kPadOverridesCapacity, "pad capacity");
  std::string text;
  writeSamplerPadOverridesJson(text, pads);
  SamplerPadOverrides again;
  fuzz::require(parseSamplerPadOverridesJson(text.data(), text.size(), again), "written pads read back");
  fuzz::requireSamePads(pads, again);
  std::string second;
  writeSamplerPadOverridesJson(second, again);
  fuzz::require(second == text, "pads written twice give the same bytes");
  return 0;
}
