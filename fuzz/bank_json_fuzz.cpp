// Any byte string goes to the sound pack loader's JSON reader, then through
// the lookups the loader makes on what it read.
#include <cstdint>
#include <string>
#include <vector>

#include "banks/bank_json.h"

namespace {

// Walks the whole tree; nesting is bounded by the reader, so recursion is too.
std::size_t visit(const talvo::JsonValue& value, int depth) {
  if (depth > 33) __builtin_trap();
  std::size_t count = 1;
  for (const talvo::JsonValue& element : value.elements)
    count += visit(element, depth + 1);
  for (const auto& [key, member] : value.members) {
    if (value.find(key) != &member) __builtin_trap();
    count += visit(member, depth + 1);
  }
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> bytes(data, data + size);
  talvo::JsonValue document;
  if (!talvo::parseJsonDocument(bytes, document)) return 0;
  (void)visit(document, 0);
  (void)document.str("format", "");
  return 0;
}
