#pragma once
// The controller's bounded log of lifecycle events. Fixed-size: nothing is
// allocated after construction. Main thread only; no lock.
#include <cstddef>
#include <cstdint>
#include <string>

namespace talvo {

enum class DiagnosticLifecycleKind : std::uint8_t {
  created,
  configured,
  activated,
  deactivated,
  reset,
  destroyed,
  editorOpened,
  editorClosed,
  editorError,
  stateSaved,
  stateRestored,
  presetLoaded,
  presetSaved,
  latencyChanged,
  tailChanged,
  tempoChanged,
  timeSignatureChanged,
  sampleRateChanged,
  blockSizeChanged,
  busLayoutChanged,
  processModeChanged,
  bypassChanged,
  ccMapChanged,
  stimulus,
  runtimeDiagnostic,
};

/// The case-sensitive name, or null for a value outside the enumeration.
[[nodiscard]] const char* diagnosticLifecycleKindName(DiagnosticLifecycleKind kind);
/// True and the kind for an exact name; false for null or any other text.
[[nodiscard]] bool diagnosticLifecycleKindFromName(const char* name, DiagnosticLifecycleKind& kind);

enum class DiagnosticFieldType : std::uint8_t { null, number, string, boolean };

struct DiagnosticLifecycleField {
  char name[24] = {};
  DiagnosticFieldType type = DiagnosticFieldType::null;
  bool boolValue = false;
  double numberValue = 0.0;
  char stringValue[64] = {};
};

struct DiagnosticLifecycleEvent {
  static constexpr std::uint32_t kMaxFields = 6;

  std::uint32_t seq = 0;
  double timeMs = 0.0;
  std::int64_t atFrame = -1;  // -1: the event has no frame position
  DiagnosticLifecycleKind kind = DiagnosticLifecycleKind::created;
  DiagnosticLifecycleField fields[kMaxFields];
  std::uint32_t fieldCount = 0;

  // Each appends a field in order; ignored once 6 exist. Null names and texts
  // are taken as empty; names are cut to 23 bytes, texts to 63.
  DiagnosticLifecycleEvent& addNumber(const char* name, double value);
  DiagnosticLifecycleEvent& addString(const char* name, const char* text);
  DiagnosticLifecycleEvent& addBool(const char* name, bool value);
  DiagnosticLifecycleEvent& addNull(const char* name);

  /// Back to an empty event (no fields, empty texts).
  void clear();
};

class DiagnosticLifecycleLog {
 public:
  static constexpr std::uint32_t kCapacity = 256;

  DiagnosticLifecycleLog();

  /// Milliseconds since construction on the monotonic clock; 0 when the clock
  /// does not advance past the creation time.
  [[nodiscard]] double nowMs() const;
  /// Appends an event (overwriting the oldest when full) and returns it so
  /// fields can be added. `frame` is -1 when the event has no position.
  DiagnosticLifecycleEvent& record(DiagnosticLifecycleKind kind, std::int64_t frame = -1);
  /// The event at `index` counted from the oldest; an index at or beyond the
  /// count gives the oldest.
  [[nodiscard]] const DiagnosticLifecycleEvent& at(std::uint32_t index) const;

  [[nodiscard]] std::uint32_t count() const { return count_; }
  [[nodiscard]] std::uint32_t dropped() const { return dropped_; }
  [[nodiscard]] std::uint32_t lastSequence() const { return lastSequence_; }

 private:
  DiagnosticLifecycleEvent events_[kCapacity];
  std::uint32_t head_ = 0;
  std::uint32_t count_ = 0;
  std::uint32_t dropped_ = 0;
  std::uint32_t lastSequence_ = 0;
  std::int64_t createdNs_ = 0;
};

/// Appends one event object.
void writeDiagnosticLifecycleEventJson(std::string& out, const DiagnosticLifecycleEvent& event);
/// Appends {"type":"talvo.lifecycle","events":[...]} for at most 256
/// consecutive events, with "dropped" when not 0; false and nothing written for
/// a null pointer or no events.
bool writeDiagnosticLifecycleJson(std::string& out, const DiagnosticLifecycleEvent* events, std::size_t count,
                                  std::uint32_t dropped);
/// The same message for every held event, oldest first, with the log's dropped
/// count; false and nothing written for an empty log.
bool writeDiagnosticLifecycleReplayJson(std::string& out, const DiagnosticLifecycleLog& log);

}  // namespace talvo
