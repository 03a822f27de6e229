// Arbitrary bytes as a CC map document.
#include <cstddef>
#include <cstdint>

#include "document_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  talvo::CcMap map;
  if (talvo::parseCcMapJson(reinterpret_cast<const char*>(data), size, map)) {
    talvo::fuzz::requireRoundTrip(map, talvo::parseCcMapJson, talvo::writeCcMapJson,
                                  talvo::fuzz::requireSameCcMap);
  }
  return 0;
}
