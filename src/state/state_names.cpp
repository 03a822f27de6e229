#include <cstring>

#include "state/state_chunk.h"

namespace talvo {
namespace {

constexpr const char* kZoneProgramNames[kSamplerZoneProgramCount] = {
    "legacy-single-zone", "one-shot-drum",    "looped-pad-release", "velocity-round-robin",
    "key-zones-pitch",    "stereo-multi-mic", "choke-and-sustain",  "voice-limit-steal",
};

constexpr const char* kAssetFaultNames[] = {
    "missing-in-memory-asset", "corrupt-in-memory-asset",   "moved-in-memory-asset",
    "changed-in-memory-asset", "unsupported-stereo-source",
};
constexpr std::uint32_t kAssetFaultFirst = kSamplerAssetMissingInMemory;
constexpr std::uint32_t kAssetFaultCount = sizeof kAssetFaultNames / sizeof kAssetFaultNames[0];

bool equal(const char* a, const char* b) {
  return a && std::strcmp(a, b) == 0;
}

}  // namespace

bool bankSourceNameKnown(const char* name) {
  return equal(name, "embedded") || equal(name, "module-relative") || equal(name, "user-folder") ||
         equal(name, "hosted");
}

bool samplerZoneProgramNameKnown(const char* name) {
  for (const char* known : kZoneProgramNames) {
    if (equal(name, known)) return true;
  }
  return false;
}

std::uint32_t samplerZoneProgramFromName(const char* name) {
  for (std::uint32_t i = 0; i < kSamplerZoneProgramCount; ++i) {
    if (equal(name, kZoneProgramNames[i])) return i;
  }
  return kZoneLegacySingleZone;
}

const char* samplerZoneProgramName(std::uint32_t program) {
  return kZoneProgramNames[program < kSamplerZoneProgramCount ? program : kZoneLegacySingleZone];
}

const char* samplerAssetFaultName(std::uint32_t code) {
  if (code < kAssetFaultFirst || code - kAssetFaultFirst >= kAssetFaultCount) return nullptr;
  return kAssetFaultNames[code - kAssetFaultFirst];
}

bool samplerAssetFaultFromName(const char* name, std::uint32_t& code) {
  for (std::uint32_t i = 0; i < kAssetFaultCount; ++i) {
    if (equal(name, kAssetFaultNames[i])) {
      code = kAssetFaultFirst + i;
      return true;
    }
  }
  return false;
}

}  // namespace talvo
