// Arbitrary bytes as a component state document.
#include <cstddef>
#include <cstdint>

#include "document_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  talvo::StateChunk state;
  if (talvo::parseStateJson(reinterpret_cast<const char*>(data), size, state)) {
    talvo::fuzz::requireStateRoundTrip(state);
  }
  return 0;
}
