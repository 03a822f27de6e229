#pragma once
// What the plug-in knows about its host and processing configuration. The
// processor sends the record byte for byte to the controller, so its layout is
// a wire format: little-endian, natural alignment, exactly 1312 bytes. Padding
// is spelled out and zeroed so a copied record compares equal byte for byte.
// The reader hands a record over only on success: on false its output is
// untouched.
#include <cstddef>
#include <cstdint>
#include <string>

namespace talvo {

/// One bus as the host arranged it (68 bytes).
struct HostBusFact {
  char id[32] = {};  // "in0", "out0", ...
  std::uint8_t isInput = 0;
  std::uint8_t padding0[3] = {};
  std::uint32_t channels = 0;
  std::uint8_t active = 0;
  char layout[24] = {};  // "stereo", "mono" or empty
  std::uint8_t padding1[3] = {};
};

enum : std::uint8_t {
  kValidatorNone = 0,  // an ordinary host
  kValidatorPluginval = 1,
  kValidatorClapValidator = 2,
  kValidatorAuval = 3,
  kValidatorSteinberg = 4,
  kValidatorTalvoProbe = 5,
};

enum : std::uint8_t { kProcessModeRealtime = 0, kProcessModeOffline = 1, kProcessModePrefetch = 2 };
enum : std::uint8_t { kTailUnreported = 0, kTailSamples = 1, kTailInfinite = 2 };

struct HostFacts {
  static constexpr std::uint32_t kMaxBuses = 8;

  char hostName[128] = {};
  char hostVersion[64] = {};
  char hostPath[512] = {};
  std::uint8_t validatorKind = kValidatorNone;
  std::uint8_t padding0[7] = {};
  double sampleRate = 0.0;
  std::int32_t maxBlockFrames = 0;
  std::int32_t lastBlockFrames = -1;  // -1: no block seen yet
  std::uint8_t processMode = kProcessModeRealtime;
  std::uint8_t padding1[3] = {};  // the mode is a 4-byte field of which only the low byte counts
  std::int32_t sampleSize = 32;
  std::int32_t latencySamples = 0;
  std::uint8_t tailKind = kTailUnreported;
  std::uint8_t padding2[3] = {};
  std::uint32_t tailSamples = 0;
  std::uint8_t padding3[4] = {};
  double internalSampleRate = 0.0;  // 0: not reported
  std::uint8_t bypassKnown = 0;
  std::uint8_t bypassed = 0;
  std::uint8_t padding4[2] = {};
  HostBusFact buses[kMaxBuses] = {};
  std::uint32_t busCount = 0;

  /// Appends a bus; ignored when 8 exist. Id cut to 31 bytes, layout to 23;
  /// null texts give empty fields.
  void addBus(const char* id, bool isInput, std::uint32_t channels, bool active, const char* layout);
};

static_assert(sizeof(HostBusFact) == 68);
static_assert(offsetof(HostBusFact, id) == 0);
static_assert(offsetof(HostBusFact, isInput) == 32);
static_assert(offsetof(HostBusFact, channels) == 36);
static_assert(offsetof(HostBusFact, active) == 40);
static_assert(offsetof(HostBusFact, layout) == 41);

static_assert(sizeof(HostFacts) == 1312);
static_assert(offsetof(HostFacts, hostName) == 0);
static_assert(offsetof(HostFacts, hostVersion) == 128);
static_assert(offsetof(HostFacts, hostPath) == 192);
static_assert(offsetof(HostFacts, validatorKind) == 704);
static_assert(offsetof(HostFacts, sampleRate) == 712);
static_assert(offsetof(HostFacts, maxBlockFrames) == 720);
static_assert(offsetof(HostFacts, lastBlockFrames) == 724);
static_assert(offsetof(HostFacts, processMode) == 728);
static_assert(offsetof(HostFacts, sampleSize) == 732);
static_assert(offsetof(HostFacts, latencySamples) == 736);
static_assert(offsetof(HostFacts, tailKind) == 740);
static_assert(offsetof(HostFacts, tailSamples) == 744);
static_assert(offsetof(HostFacts, internalSampleRate) == 752);
static_assert(offsetof(HostFacts, bypassKnown) == 760);
static_assert(offsetof(HostFacts, bypassed) == 761);
static_assert(offsetof(HostFacts, buses) == 764);
static_assert(offsetof(HostFacts, busCount) == 1308);

/// Reads a record received as raw bytes; false unless `size` is exactly 1312. Text fields are forced to end
/// in NUL and busCount is clamped to 8, so a damaged message cannot make the writers read past a field.
[[nodiscard]] bool readHostFacts(const void* bytes, std::size_t size, HostFacts& out);

/// Appends the host document.
void writeDiagnosticHostJson(std::string& out, const HostFacts& facts);
/// Appends {members that differ, with next's values}; false and nothing
/// appended when nothing differs. Host identity is never part of a delta.
bool writeDiagnosticHostDeltaJson(std::string& out, const HostFacts& previous, const HostFacts& next);
/// The lifecycle kind name that best describes the change, or null.
[[nodiscard]] const char* diagnosticHostChangeKind(const HostFacts& previous, const HostFacts& next);
/// Appends the "talvo.hostChanged" message; false and nothing appended when
/// the delta is empty.
bool writeDiagnosticHostChangedJson(std::string& out, const HostFacts& previous, const HostFacts& next,
                                    std::uint32_t sequence, double timeMs);

}  // namespace talvo
