#include <cmath>
#include <utility>

#include "banks/bank_stage.h"
#include "banks/wav_decode.h"

namespace talvo {
namespace {

// Pool offsets and zone positions are 32-bit, so the pool can never hold more
// frames than that, whatever the caller's capacity.
constexpr std::uint64_t kMaxPoolFrames = 0xFFFFFFFFu;

bool present(const JsonValue& zone, const char* key) {
  const JsonValue* member = zone.find(key);
  return member && member->kind != JsonValue::kNull;
}

// Frame counts and group numbers: other types read as 0, negatives and NaN
// become 0, fractions are dropped and huge values saturate.
std::uint32_t frameValue(const JsonValue& zone, const char* key) {
  const JsonValue* member = zone.find(key);
  if (!member || !member->isNumber()) return 0;
  const double v = member->number;
  if (!(v >= 0.0)) return 0;
  if (v >= 4294967296.0) return 0xFFFFFFFFu;
  return static_cast<std::uint32_t>(v);
}

// MIDI keys and velocities: rounded half up and kept within 0..127.
std::uint32_t midiValue(const JsonValue& zone, const char* key, std::uint32_t fallback) {
  const JsonValue* member = zone.find(key);
  if (!member || !member->isNumber()) return fallback;
  const double v = member->number;
  if (!(v > 0.0)) return 0;
  if (v > 127.0) return 127;
  return static_cast<std::uint32_t>(std::floor(v + 0.5));
}

double numberValue(const JsonValue& zone, const char* key, double fallback) {
  const JsonValue* member = zone.find(key);
  return member && member->isNumber() ? member->number : fallback;
}

bool boolValue(const JsonValue& zone, const char* key, bool fallback) {
  const JsonValue* member = zone.find(key);
  return member && member->kind == JsonValue::kBool ? member->boolean : fallback;
}

void applyLoop(const JsonValue& zone, std::uint32_t start, StagedZone& out) {
  if (zone.str("loopMode", "none") != "forward") return;
  if (!present(zone, "loopStartFrame") || !present(zone, "loopEndFrame")) return;
  const std::uint32_t loopStart = frameValue(zone, "loopStartFrame");
  const std::uint32_t loopEnd = frameValue(zone, "loopEndFrame");
  out.declaredLoopStart = loopStart;
  out.declaredLoopEnd = loopEnd;
  // A loop outside the played region is dropped without complaint.
  if (loopStart < start || loopEnd <= loopStart || loopEnd - start > out.frameCount) return;
  out.loopMode = 1;
  out.loopStart = loopStart - start;
  out.loopEnd = loopEnd - start;
  const std::uint32_t crossfade = frameValue(zone, "loopCrossfadeFrames");
  out.declaredCrossfade = crossfade;
  out.loopCrossfade = crossfade <= out.loopEnd - out.loopStart ? crossfade : 0;
}

StagedZone buildZone(const JsonValue& zone, std::uint32_t offset, const WavLayout& layout) {
  StagedZone out;
  out.id = zone.str("id", "");
  const auto frames = static_cast<std::uint32_t>(layout.frames);
  out.assetOffset = out.zoneStart = offset;
  out.assetFrames = out.frameCount = frames;
  out.sampleRate = layout.sampleRate;
  std::uint32_t start = 0;
  if (present(zone, "startFrame")) {
    // A start beyond the asset is ignored.
    start = frameValue(zone, "startFrame");
    if (start >= frames) start = 0;
    out.zoneStart += start;
    out.frameCount -= start;
  }
  if (present(zone, "endFrame")) {
    const std::uint32_t end = frameValue(zone, "endFrame");
    if (end > start && end - start < out.frameCount) out.frameCount = end - start;
  }
  out.lowKey = midiValue(zone, "lowKey", 0);
  out.highKey = midiValue(zone, "highKey", 127);
  out.rootKey = midiValue(zone, "rootKey", 60);
  out.lowVelocity = midiValue(zone, "lowVelocity", 0);
  out.highVelocity = midiValue(zone, "highVelocity", 127);
  out.keyTracking = boolValue(zone, "keyTracking", true) ? 1 : 0;
  out.reverse = boolValue(zone, "reverse", false);
  out.gain = numberValue(zone, "gain", 1.0);
  out.pan = numberValue(zone, "pan", 0.0);
  out.fineTuneCents = numberValue(zone, "fineTuneCents", 0.0);
  out.attackSeconds = numberValue(zone, "attackSeconds", 0.001);
  out.releaseSeconds = numberValue(zone, "releaseSeconds", 0.05);
  out.filterCutoffHz = numberValue(zone, "filterCutoffHz", 0.0);
  out.filterResonance = numberValue(zone, "filterResonance", 0.0);
  out.roundRobinGroup = frameValue(zone, "roundRobinGroup");
  out.chokeGroup = frameValue(zone, "chokeGroup");
  out.trigger = triggerCode(zone.str("trigger", "attack"));
  applyLoop(zone, start, out);
  return out;
}

}  // namespace

bool stageZones(const JsonValue& zones, const VerifiedAssets& assets, std::uint64_t arenaFrames,
                RuntimeBankLoad& load) {
  // Decode pass, first half: every used asset is checked once, in order of
  // first use, so its frame count is known before any sample is converted.
  struct UsedAsset {
    const VerifiedAsset* asset;
    WavLayout layout;
    std::uint32_t offset;
  };
  std::map<std::string, UsedAsset> used;
  std::vector<UsedAsset*> firstUse;
  for (const JsonValue& zone : zones.elements) {
    if (!zone.isObject()) continue;
    const std::string assetId = zone.str("assetId", "");
    const auto asset = assets.find(assetId);
    if (assetId.empty() || asset == assets.end()) {
      failLoad(load, RuntimeBankOutcome::kBankMalformed,
               joinText("zone \"", zone.str("id", ""), "\" names asset \"", assetId,
                        "\" which the assetTable does not declare"));
      return false;
    }
    if (used.count(assetId) != 0) continue;
    UsedAsset& entry = used[assetId];
    entry.asset = &asset->second;
    std::string error;
    if (!inspectWav(asset->second.bytes, entry.layout, error)) {
      failLoad(load, RuntimeBankOutcome::kBankUnsupportedCodec, joinText("asset \"", assetId, "\": ", error));
      return false;
    }
    firstUse.push_back(&entry);
  }

  // Pool pass: assets laid end to end in order of first use. The capacity is
  // checked before the pool is sized, so an oversized bank costs no memory.
  const std::uint64_t capacity =
      arenaFrames != 0 && arenaFrames < kMaxPoolFrames ? arenaFrames : kMaxPoolFrames;
  std::uint64_t poolFrames = 0;
  for (UsedAsset* entry : firstUse) {
    entry->offset = static_cast<std::uint32_t>(poolFrames);
    poolFrames += entry->layout.frames;
    if (poolFrames > capacity) {
      const std::uint64_t published = arenaFrames != 0 ? arenaFrames : capacity;
      failLoad(load, RuntimeBankOutcome::kBankTooLarge,
               joinText("bank needs ", std::to_string(poolFrames), " arena frames, the kernel published ",
                        std::to_string(published)));
      return false;
    }
  }
  // Decode pass, second half: straight into the pool, no intermediate copy.
  StagedBank& bank = load.bank;
  bank.samplePool.resize(static_cast<std::size_t>(poolFrames));
  for (const UsedAsset* entry : firstUse) {
    decodeWavFrames(entry->asset->bytes, entry->layout, bank.samplePool.data() + entry->offset);
  }

  // Build pass: one zone per zone object, in document order.
  for (const JsonValue& zone : zones.elements) {
    if (!zone.isObject()) continue;
    const UsedAsset& entry = used.at(zone.str("assetId", ""));
    bank.zones.push_back(buildZone(zone, entry.offset, entry.layout));
  }
  if (!bank.zones.empty()) bank.sampleRate = bank.zones.front().sampleRate;
  return true;
}

}  // namespace talvo
