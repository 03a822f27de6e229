#pragma once
// One message from the editor page, read into a flat record that holds every
// field any message type may carry; the dispatcher reads the fields its type
// uses. Main thread only. Every reader here parses into a fresh value and
// hands it over only on success: on false its output is untouched.
#include <cstddef>
#include <cstdint>
#include <string>

#include "bridge/json_read.h"
#include "ccmap/cc_map.h"
#include "state/pad_overrides.h"
#include "state/state_chunk.h"

namespace talvo {

enum class DiagnosticOp : std::uint8_t { none = 0, subscribe = 1, unsubscribe = 2, stimulus = 3 };

/// Bits of the diagnostic feeds a page may subscribe to.
enum : std::uint32_t {
  kFeedHost = 1,
  kFeedTransport = 2,
  kFeedMidiIn = 4,
  kFeedMidiOut = 8,
  kFeedMeters = 16,
  kFeedScope = 32,
  kFeedLifecycle = 64,
  kFeedCounters = 128,
  kFeedParams = 256,
  kFeedPresets = 512,
  kFeedClock = 1024,
};

/// A diagnostic stimulus the page may describe; no message fills it yet.
struct DiagnosticStimulusFact {
  double frequencyHz = 440.0;
  double tempoBpm = 120.0;
  std::int32_t timeSignatureNumerator = 4;
  std::int32_t timeSignatureDenominator = 4;
};

struct BridgeMessage {
  std::string type;
  std::string path;
  std::string id;
  std::string source;
  std::string bankPath;
  std::string url;
  std::string sha256;
  std::string instrument;
  double value = 0.0;
  bool hasValue = false;
  double note = 0.0;
  double velocity = 0.0;
  StateChunk state;
  bool hasState = false;
  CcMap ccMap;
  bool hasCcMap = false;
  SamplerPadOverrides pads;
  bool hasPads = false;
  DiagnosticOp diagnosticOp = DiagnosticOp::none;
  std::uint32_t feeds = 0;
  double hz = 0.0;
  std::string stimulusKind;
  DiagnosticStimulusFact stimulusFact;
};

/// True when the text is one well-formed message object.
[[nodiscard]] bool parseBridgeMessage(const char* text, std::size_t length, BridgeMessage& out);
/// An array of feed names ORed into `bits`; unknown names add nothing.
[[nodiscard]] bool parseDiagnosticFeedArray(JsonReader& reader, std::uint32_t& bits);
/// {"kind":"..."}; other members are skipped and `fact` keeps its defaults.
[[nodiscard]] bool parseDiagnosticStimulus(JsonReader& reader, std::string& kind,
                                           DiagnosticStimulusFact& fact);
/// The bit of one feed name, or 0.
[[nodiscard]] std::uint32_t diagnosticFeedBit(const std::string& name);

}  // namespace talvo
