#include "talvo_host/text.h"

#include <cmath>
#include <cstdio>

namespace talvo::host {

std::string decibels(double linear) {
  if (!(linear > 0.0)) return "-inf";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", 20.0 * std::log10(linear));
  return text;
}

void reportFailure(const std::string& message) {
  std::fprintf(stderr, "talvo-plugin-shell: %s\n", message.c_str());
}

}  // namespace talvo::host
