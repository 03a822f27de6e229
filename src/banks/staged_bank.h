#pragma once
// A fully loaded sample bank. Built once on the main thread by
// loadRuntimeBank, never changed afterwards, and handed around as a
// StagedBankPtr so the audio thread can read it without copies or locks.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace talvo {

/// Load result; the wire names come from runtimeBankOutcomeName.
enum class RuntimeBankOutcome : std::uint8_t {
  kOk = 0,
  kBankMissing = 1,
  kBankHashMismatch = 2,
  kBankMalformed = 3,
  kBankUnsupportedCodec = 4,
  kBankTooLarge = 5,
  kBankInstrumentUnknown = 6,
};

/// "ok", "bank-missing", …; any value above 6 reads as "bank-missing".
[[nodiscard]] const char* runtimeBankOutcomeName(RuntimeBankOutcome outcome);

/// "release" 1, "legato" 2, anything else (the default "attack" included) 0.
[[nodiscard]] std::uint32_t triggerCode(const std::string& trigger);

/// Marks a frame value that the instrument document did not give.
inline constexpr std::uint32_t kStagedFrameUnset = 0xFFFFFFFF;

struct StagedPositioning {
  std::string id;
  std::string name;
  std::string list;  // "instruments" or "kits"
};

struct StagedPreset {
  std::string id;
  std::string name;
  std::string instrument;
  std::vector<std::pair<std::string, double>> params;  // ascending key order
};

/// One playable zone; frame positions index the bank's samplePool.
struct StagedZone {
  std::string id;
  std::uint32_t assetOffset = 0;
  std::uint32_t assetFrames = 0;
  std::uint32_t declaredLoopStart = kStagedFrameUnset;
  std::uint32_t declaredLoopEnd = kStagedFrameUnset;
  std::uint32_t declaredCrossfade = kStagedFrameUnset;
  std::uint32_t zoneStart = 0;
  std::uint32_t frameCount = 0;
  double sampleRate = 48000.0;
  std::uint32_t lowKey = 0;
  std::uint32_t highKey = 127;
  std::uint32_t rootKey = 60;
  std::uint32_t keyTracking = 1;
  std::uint32_t lowVelocity = 0;
  std::uint32_t highVelocity = 127;
  double gain = 1.0;
  double pan = 0.0;
  double fineTuneCents = 0.0;
  std::uint32_t roundRobinGroup = 0;
  std::uint32_t chokeGroup = 0;
  std::uint32_t trigger = 0;
  std::uint32_t loopMode = 0;  // 1: forward loop
  std::uint32_t loopStart = 0;
  std::uint32_t loopEnd = 0;  // exclusive
  std::uint32_t loopCrossfade = 0;
  double attackSeconds = 0.001;
  double releaseSeconds = 0.05;
  bool reverse = false;
  double filterCutoffHz = 0.0;
  double filterResonance = 0.0;
};

struct StagedBank {
  std::string id;
  std::string version;
  std::string instrumentId;
  std::string instrumentName;
  std::string instrumentList;
  std::vector<StagedPositioning> positionings;
  std::vector<StagedPreset> presets;
  std::string manifestSha256;
  std::string name;
  std::vector<float> samplePool;  // mono, every used asset end to end
  std::vector<StagedZone> zones;
  double sampleRate = 48000.0;
};

using StagedBankPtr = std::shared_ptr<const StagedBank>;

struct RuntimeBankLoad {
  RuntimeBankOutcome outcome = RuntimeBankOutcome::kBankMissing;
  StagedBank bank;    // usable only when outcome is kOk
  std::string error;  // empty on success
};

}  // namespace talvo
