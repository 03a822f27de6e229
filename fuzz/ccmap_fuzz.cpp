// Arbitrary bytes as a CC map document.
#include <cstddef>
#include <cstdint>

#include "document_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace talvo;
  CcMap map;
  if (!parseCcMapJson(reinterpret_cast<const char*>(data), size, map)) return 0;
  std::string text;
  writeCcMapJson(text, map);
  CcMap again;
  fuzz::require(parseCcMapJson(text.data(), text.size(), again), "written map reads back");
  fuzz::requireSameCcMap(map, again);
  std::string second;
  writeCcMapJson(second, again);
  fuzz::require(second == text, "map written twice gives the same bytes");
  return 0;
}
