#pragma once
// Per-pad sampler adjustments and their one JSON form, the pad map:
// {"<zone id>":{"gain":0.5,...},...}. Main thread only: readers and writers
// allocate. Every reader here parses into a fresh value and hands it over
// only on success: on false its output is untouched.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "bridge/json_read.h"

namespace talvo {

enum : std::uint32_t {
  kPadTranspose = 0x0001,
  kPadFineTune = 0x0002,
  kPadGain = 0x0004,
  kPadPan = 0x0008,
  kPadStart = 0x0010,
  kPadEnd = 0x0020,
  kPadAttack = 0x0040,
  kPadRelease = 0x0080,
  kPadFilterHz = 0x0100,
  kPadResonance = 0x0200,
  kPadReverse = 0x0400,
  kPadMuted = 0x0800,
  kPadChokeGroup = 0x1000,
  kPadRoundRobinGroup = 0x2000,
  kPadVelocitySensitivity = 0x4000,
};

constexpr std::size_t kPadOverridesCapacity = 256;
constexpr std::size_t kPadKeyMaxBytes = 160;

/// One pad's adjustments; a field holds its default while its bit is clear.
struct SamplerPadOverride {
  std::string key;  // the pad's zone id
  std::uint32_t mask = 0;
  double transpose = 0.0;  // semitones
  double fineTune = 0.0;   // cents
  double gain = 1.0;
  double pan = 0.0;
  double start = 0.0;  // fractions of the sample
  double end = 1.0;
  double attack = 0.0;  // seconds
  double release = 0.025;
  double filterHz = 20000.0;
  double resonance = 0.7;
  double reverse = 0.0;  // 0 or 1
  double muted = 0.0;    // 0 or 1
  double chokeGroup = 0.0;
  double roundRobinGroup = 0.0;
  double velocitySensitivity = 1.0;
};

/// At most 256 overrides, keys unique, in the order first read.
using SamplerPadOverrides = std::vector<SamplerPadOverride>;

/// One field of the pad record as the JSON form names and limits it.
struct PadOverrideField {
  const char* name;
  std::uint32_t bit;
  double SamplerPadOverride::*value;
  double minimum;
  double maximum;
  bool whole;
};
constexpr std::size_t kPadOverrideFieldCount = 15;
/// The fields in the order they are written.
extern const PadOverrideField kPadOverrideFields[kPadOverrideFieldCount];

/// True for an entry the writer records: a key and at least one bit set.
[[nodiscard]] inline bool padOverrideWritable(const SamplerPadOverride& pad) {
  return !pad.key.empty() && pad.mask != 0;
}
/// True when at least one entry would be written.
[[nodiscard]] bool hasWritablePadOverride(const SamplerPadOverrides& overrides);
/// Removes the entries the writer leaves out, so what is applied is what a save records.
void dropUnwritablePadOverrides(SamplerPadOverrides& overrides);
/// Appends the pad map of the writable entries.
void writeSamplerPadOverridesJson(std::string& out, const SamplerPadOverrides& overrides);
/// Exactly one pad map and trailing white space; replaces `out`.
[[nodiscard]] bool parseSamplerPadOverridesJson(const char* text, std::size_t length,
                                                SamplerPadOverrides& out);
/// One pad map at the cursor, merged into `out` (a repeated key replaces its
/// entry in place). `depth` is the map's nesting level inside its document.
[[nodiscard]] bool parsePadOverrideMap(JsonReader& reader, SamplerPadOverrides& out, int depth = 0);

}  // namespace talvo
