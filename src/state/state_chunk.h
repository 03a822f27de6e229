#pragma once
// The component state document: parameters, variation, CC map, sampler
// settings, bank reference and authored bytes, as one JSON object. Written by
// the processor when the host saves, read by both halves when it restores.
// Main thread only. Every reader here parses into a fresh value and hands it
// over only on success: on false its output is untouched.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "bridge/json_read.h"
#include "ccmap/cc_map.h"
#include "params/params.h"
#include "state/pad_overrides.h"

namespace talvo {

/// Sampler asset fault codes; 0 is none.
enum SamplerAssetDiagnostic : std::uint32_t {
  kSamplerAssetNone = 0,
  kSamplerAssetMissingInMemory = 0x53410001,
  kSamplerAssetCorruptInMemory = 0x53410002,
  kSamplerAssetMovedInMemory = 0x53410003,
  kSamplerAssetChangedInMemory = 0x53410004,
  kSamplerAssetUnsupportedStereoSource = 0x53410005,
};

enum SamplerZoneProgram : std::uint32_t {
  kZoneLegacySingleZone = 0,
  kZoneOneShotDrum = 1,
  kZoneLoopedPadRelease = 2,
  kZoneVelocityRoundRobin = 3,
  kZoneKeyZonesPitch = 4,
  kZoneStereoMultiMic = 5,
  kZoneChokeAndSustain = 6,
  kZoneVoiceLimitSteal = 7,
};
constexpr std::uint32_t kSamplerZoneProgramCount = 8;

/// The bank reference the writer records; a null or empty text is absent.
struct BankStateRefOut {
  const char* id = nullptr;
  const char* bankVersion = nullptr;
  const char* sha256 = nullptr;
  const char* source = nullptr;
  const char* presetId = nullptr;
  const char* instrument = nullptr;
  const char* locator = nullptr;
};

/// Opaque bytes kept for an authoring tool, with their format version.
struct AuthoredStateOut {
  const std::uint8_t* bytes = nullptr;
  std::size_t length = 0;
  std::int32_t version = 0;
};

/// Authored bytes larger than this are refused when read.
constexpr std::size_t kAuthoredStateMaxBytes = 1048576;

/// The parsed document; default-constructed it is "all absent".
struct StateChunk {
  double params[TALVO_PARAM_COUNT] = {};  // plain values, table order
  bool paramPresent[TALVO_PARAM_COUNT] = {};
  std::int32_t variation = -1;
  CcMap ccMap;
  bool hasCcMap = false;
  std::uint32_t samplerAssetFault = kSamplerAssetNone;
  bool hasSamplerAssetFault = false;
  std::uint32_t samplerZoneProgram = kZoneLegacySingleZone;
  bool hasSamplerZoneProgram = false;
  SamplerPadOverrides padOverrides;
  bool hasPadOverrides = false;
  std::vector<std::uint8_t> authoredBytes;
  std::int32_t authoredVersion = 0;
  bool hasAuthoredState = false;
  char bankId[128] = {};
  char bankVersion[32] = {};
  char bankSha256[65] = {};
  char bankSource[24] = {};
  char bankPresetId[64] = {};
  char bankInstrument[64] = {};
  char bankLocator[1024] = {};
  bool hasBankLocator = false;
  bool hasBank = false;
  bool hasBankPresetId = false;
};

/// The whole document, without white space, members in their fixed order.
/// Null pointers, a negative variation and zero codes leave members out.
[[nodiscard]] std::string writeStateJson(double rate, double depth, double wet, std::int32_t variation,
                                         const CcMap* ccMap, std::uint32_t samplerAssetFault,
                                         std::uint32_t samplerZoneProgram, const BankStateRefOut* bank,
                                         const SamplerPadOverrides* padOverrides,
                                         const AuthoredStateOut* authored);
/// Reads one whole state document.
[[nodiscard]] bool parseStateJson(const char* text, std::size_t length, StateChunk& out);
/// One state object at the cursor (the bridge's "state" member); `depth` is
/// the object's nesting level inside its document.
[[nodiscard]] bool parseStateObject(JsonReader& reader, StateChunk& out, int depth);

[[nodiscard]] bool bankSourceNameKnown(const char* name);
[[nodiscard]] bool samplerZoneProgramNameKnown(const char* name);
/// The program a name stands for; unknown names give 0.
[[nodiscard]] std::uint32_t samplerZoneProgramFromName(const char* name);
/// The name written for a program; 8 or more gives "legacy-single-zone".
[[nodiscard]] const char* samplerZoneProgramName(std::uint32_t program);
/// The name of a fault code, or null for none and unknown codes.
[[nodiscard]] const char* samplerAssetFaultName(std::uint32_t code);
/// The code of a fault name; false for unknown names.
[[nodiscard]] bool samplerAssetFaultFromName(const char* name, std::uint32_t& code);

}  // namespace talvo
