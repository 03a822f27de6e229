#include "support/strict_json.h"

#include <nlohmann/json.hpp>

namespace talvo::test {

bool isStrictJson(std::string_view text) {
  return nlohmann::json::accept(text);
}

}  // namespace talvo::test
