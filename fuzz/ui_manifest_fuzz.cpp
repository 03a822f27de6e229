// The UI manifest is a file in the bundle that anyone may edit; the member
// scanner must never read or write outside the text and the output field.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "editor/ui_manifest.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string json(reinterpret_cast<const char*>(data), size);
  for (const char* key : {"buildTime", "sourceRevision", "sha256", ""}) {
    for (std::size_t capacity : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{64}}) {
      char* out = new char[capacity];
      const bool found = talvo::uiManifestString(json, key, out, capacity);
      if (std::strlen(out) > (capacity >= 2 ? capacity - 2 : 0)) __builtin_trap();
      if (!found && out[0] != '\0') __builtin_trap();
      delete[] out;
    }
  }
  return 0;
}
