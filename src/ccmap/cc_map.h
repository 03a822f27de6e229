#pragma once
// The MIDI CC map: up to 64 bindings from controller numbers to parameters,
// a fixed-size value copied whole (never allocated), and its JSON text.
// Readers and writers run on the main thread. Every reader here parses into
// a fresh value and hands it over only on success: on false its output is
// untouched.
#include <cstddef>
#include <cstdint>
#include <string>

#include "bridge/json_read.h"

namespace talvo {

enum : std::uint8_t {
  kCcCurveLinear = 0,
  kCcCurveExp = 1,
  kCcCurveLog = 2,
  kCcCurveSCurve = 3,
};

enum : std::uint8_t {
  kCcValueAbsolute = 0,
  kCcValueRelativeSignedBit = 1,
  kCcValueRelativeBinaryOffset = 2,
  kCcValueRelativeTwosComplement = 3,
  kCcValueToggle = 4,
};

enum : std::uint8_t {
  kCcTakeoverJump = 0,
  kCcTakeoverPickup = 1,
  kCcTakeoverScaled = 2,
};

struct CcBinding {
  std::uint32_t param = 0;   // 0 rate, 1 depth, 2 wet
  std::uint8_t cc = 0;       // 0..127
  std::uint8_t channel = 0;  // 0 any, else 1..16
  std::uint8_t curve = kCcCurveLinear;
  std::uint8_t valueMode = kCcValueAbsolute;
  std::uint8_t takeover = kCcTakeoverJump;
  bool enabled = true;
  bool hasMin = false;
  bool hasMax = false;
  double min = 0.0;  // plain units of the parameter
  double max = 0.0;
};

constexpr std::uint32_t kCcMapCapacity = 64;

struct CcMap {
  std::uint32_t count = 0;
  CcBinding bindings[kCcMapCapacity];
};

/// One observed controller change, as the activity feed hands it out.
struct CcActivityRecord {
  std::uint8_t cc = 0;
  std::uint8_t channel = 0;
  std::uint8_t value = 0;
};

/// A whole text: a bare array of bindings or {"bindings":[...]}.
[[nodiscard]] bool parseCcMapJson(const char* text, std::size_t length, CcMap& out);
/// One value at the cursor; `present` tells whether it held a binding list.
/// Values that are neither object nor array are skipped with nothing present.
/// `depth` is the nesting level of the value inside its document.
[[nodiscard]] bool parseCcMapValue(JsonReader& reader, CcMap& out, bool& present, int depth = 0);
/// One binding value; appended only when complete and the map has room.
[[nodiscard]] bool parseCcBinding(JsonReader& reader, CcMap& map, int depth = 1);

/// {"version":1,"bindings":[...]}; bindings naming no parameter are left out.
void writeCcMapJson(std::string& out, const CcMap& map);
/// {"type":"talvo.ccMapChanged","map":M}
void writeCcMapChangedJson(std::string& out, const CcMap& map);
/// {"type":"talvo.midiCc","cc":C,"channel":H,"value":V}
void writeMidiCcJson(std::string& out, const CcActivityRecord& record);

/// Text names of the enumerations; null for the unnamed defaults.
[[nodiscard]] const char* ccCurveName(std::uint8_t curve);
[[nodiscard]] const char* ccValueModeName(std::uint8_t mode);
[[nodiscard]] const char* ccTakeoverName(std::uint8_t takeover);

}  // namespace talvo
