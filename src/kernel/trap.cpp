#include "kernel/trap.h"

#include <cstring>

namespace talvo::kernel {
namespace {

struct TrapPrefix {
  const char* prefix;
  const char* code;
};

constexpr TrapPrefix kTrapPrefixes[] = {
    {"Uncaught ", "RV4013"},
    {"rivet: RangeError: ", "RV4014"},
    {"rivet: TypeError: ", "RV4015"},
    {"rivet: SyntaxError: ", "RV4016"},
    {"rivet: out of memory", "RV4017"},
    {"rivet: internal error: ", "RV4018"},
    {"rivet: library callback ", "RV4025"},
    {"rivet: library entry ", "RV4026"},
};

constexpr char kSeparator = 31;

}  // namespace

const char* trapCode(const char* text, std::size_t length) {
  for (const TrapPrefix& p : kTrapPrefixes) {
    const std::size_t n = std::strlen(p.prefix);
    if (length >= n && std::memcmp(text, p.prefix, n) == 0) return p.code;
  }
  return "RV4019";
}

std::size_t appendCut(char* out, std::size_t capacity, std::size_t used, const char* piece) {
  while (*piece != '\0' && used + 1 < capacity)
    out[used++] = *piece++;
  out[used] = '\0';
  return used;
}

std::size_t formatTrapMessage(const char* text, std::size_t length, const char* entryName,
                              char (&out)[kTrapMessageMax + 1]) {
  if (text == nullptr) length = 0;
  std::size_t used = 0;
  if (length > 0 && text[0] == 1) {
    used = length < kTrapMessageMax ? length : kTrapMessageMax;
    std::memcpy(out, text, used);
    out[used] = '\0';
    return used;
  }
  // The text gives way so the code and the entry name always arrive whole.
  const char* code = trapCode(text, length);
  const char* name = entryName != nullptr ? entryName : "";
  const std::size_t suffix = 2 + std::strlen(code) + std::strlen(name);
  const std::size_t room = suffix < kTrapMessageMax ? kTrapMessageMax - suffix : 0;
  for (std::size_t i = 0; i < length && used < room; ++i) {
    const char c = text[i];
    out[used++] = (c == 1 || c == kSeparator) ? ' ' : c;
  }
  out[used] = '\0';
  const char separator[2] = {kSeparator, '\0'};
  used = appendCut(out, sizeof out, used, separator);
  used = appendCut(out, sizeof out, used, code);
  used = appendCut(out, sizeof out, used, separator);
  return appendCut(out, sizeof out, used, name);
}

}  // namespace talvo::kernel
