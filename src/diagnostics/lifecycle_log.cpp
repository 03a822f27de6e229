#include "diagnostics/lifecycle_log.h"

#include <cstring>

#include "diagnostics/monotonic_clock.h"
#include "diagnostics/text_field.h"

namespace talvo {
namespace {

constexpr const char* kKindNames[] = {
    "created",
    "configured",
    "activated",
    "deactivated",
    "reset",
    "destroyed",
    "editorOpened",
    "editorClosed",
    "editorError",
    "stateSaved",
    "stateRestored",
    "presetLoaded",
    "presetSaved",
    "latencyChanged",
    "tailChanged",
    "tempoChanged",
    "timeSignatureChanged",
    "sampleRateChanged",
    "blockSizeChanged",
    "busLayoutChanged",
    "processModeChanged",
    "bypassChanged",
    "ccMapChanged",
    "stimulus",
    "runtimeDiagnostic",
};
constexpr std::size_t kKindCount = sizeof(kKindNames) / sizeof(kKindNames[0]);
static_assert(kKindCount == static_cast<std::size_t>(DiagnosticLifecycleKind::runtimeDiagnostic) + 1);

}  // namespace

const char* diagnosticLifecycleKindName(DiagnosticLifecycleKind kind) {
  const auto index = static_cast<std::size_t>(kind);
  return index < kKindCount ? kKindNames[index] : nullptr;
}

bool diagnosticLifecycleKindFromName(const char* name, DiagnosticLifecycleKind& kind) {
  if (name == nullptr) return false;
  for (std::size_t i = 0; i < kKindCount; ++i) {
    if (std::strcmp(name, kKindNames[i]) == 0) {
      kind = static_cast<DiagnosticLifecycleKind>(i);
      return true;
    }
  }
  return false;
}

void DiagnosticLifecycleEvent::clear() {
  for (DiagnosticLifecycleField& field : fields)
    field = DiagnosticLifecycleField{};
  fieldCount = 0;
}

namespace {

DiagnosticLifecycleField* appendField(DiagnosticLifecycleEvent& event, const char* name,
                                      DiagnosticFieldType type) {
  if (event.fieldCount >= DiagnosticLifecycleEvent::kMaxFields) return nullptr;
  DiagnosticLifecycleField& field = event.fields[event.fieldCount++];
  field = DiagnosticLifecycleField{};
  copyTextField(field.name, name);
  field.type = type;
  return &field;
}

}  // namespace

DiagnosticLifecycleEvent& DiagnosticLifecycleEvent::addNumber(const char* name, double value) {
  if (DiagnosticLifecycleField* field = appendField(*this, name, DiagnosticFieldType::number)) {
    field->numberValue = value;
  }
  return *this;
}

DiagnosticLifecycleEvent& DiagnosticLifecycleEvent::addString(const char* name, const char* text) {
  if (DiagnosticLifecycleField* field = appendField(*this, name, DiagnosticFieldType::string)) {
    copyTextField(field->stringValue, text);
  }
  return *this;
}

DiagnosticLifecycleEvent& DiagnosticLifecycleEvent::addBool(const char* name, bool value) {
  if (DiagnosticLifecycleField* field = appendField(*this, name, DiagnosticFieldType::boolean)) {
    field->boolValue = value;
  }
  return *this;
}

DiagnosticLifecycleEvent& DiagnosticLifecycleEvent::addNull(const char* name) {
  appendField(*this, name, DiagnosticFieldType::null);
  return *this;
}

DiagnosticLifecycleLog::DiagnosticLifecycleLog() : createdNs_(monotonicNanoseconds()) {}

double DiagnosticLifecycleLog::nowMs() const {
  const std::int64_t now = monotonicNanoseconds();
  if (now <= createdNs_) return 0.0;
  return static_cast<double>(now - createdNs_) / 1000000.0;
}

DiagnosticLifecycleEvent& DiagnosticLifecycleLog::record(DiagnosticLifecycleKind kind, std::int64_t frame) {
  if (count_ == kCapacity) {
    head_ = (head_ + 1) % kCapacity;
    count_ = kCapacity - 1;
    ++dropped_;
  }
  DiagnosticLifecycleEvent& event = events_[(head_ + count_) % kCapacity];
  event.clear();
  event.seq = ++lastSequence_;
  event.timeMs = nowMs();
  event.atFrame = frame;
  event.kind = kind;
  ++count_;
  return event;
}

const DiagnosticLifecycleEvent& DiagnosticLifecycleLog::at(std::uint32_t index) const {
  if (index >= count_) index = 0;
  return events_[(head_ + index) % kCapacity];
}

}  // namespace talvo
