#include "diagnostics/runtime_diagnostic.h"

#include "diagnostics/text_field.h"

#include <cstddef>
#include <cstdio>
#include <cstring>

namespace talvo {
namespace {

constexpr const char* kCodeNames[] = {
    "runtime.kernel-create-failed",
    "runtime.rate-adapter-init-failed",
    "runtime.unsupported-processing-configuration",
    "runtime.process-failed",
    "runtime.suspicious-silence",
    "preset.bank-mismatch",
    "preset.processor-apply-failed",
    "state.decode-failed",
    "state.restore-failed",
    "editor.bundle-identity-mismatch",
    "editor.bridge-timeout",
    "install.artifact-stale",
    "install.duplicate-scan-candidate",
    "runtime.invalid-configuration",
    "runtime.engine-unavailable",
    "build.dependency-missing",
    "build.artifact-missing",
    "host.validator-missing",
    "runtime.realtime-violation",
    "runtime.nonfinite-audio",
    "runtime.callback-missing",
    "runtime.event-rejected",
    "runtime.host-connection-failed",
    "runtime.closed",
    "runtime.diagnostics-overflow",
    "runtime.unknown",
    "bank.missing",
    "bank.hash-mismatch",
};
static_assert(sizeof(kCodeNames) / sizeof(kCodeNames[0]) == TALVO_DIAG_BANK_HASH_MISMATCH);

constexpr const char* kSeverityNames[] = {"info", "warning", "error", "fatal"};
constexpr const char* kPhaseNames[] = {"build",    "package", "install", "scan",  "load",   "configure",
                                       "activate", "process", "preset",  "state", "editor", "shutdown"};

std::uint32_t store(talvo_runtime_diagnostic_ring& ring, std::uint32_t code, std::uint8_t severity,
                    std::uint8_t phase, const char* message, const char* detail, bool marksFirstError) {
  const std::uint32_t sequence = ring.nextSequence++;
  if (ring.count >= TALVO_RUNTIME_DIAGNOSTIC_CAPACITY) {
    ++ring.dropped;
    return sequence;
  }
  talvo_runtime_diagnostic& record = ring.records[ring.count++];
  record.sequence = sequence;
  record.code = code;
  record.severity = severity;
  record.phase = phase;
  record.flags = 0;
  record.reserved = 0;
  copyTextField(record.message, message);
  copyTextField(record.detail, detail);
  if (marksFirstError && ring.firstErrorSequence == 0) ring.firstErrorSequence = sequence;
  return sequence;
}

}  // namespace

const char* runtimeDiagnosticCodeName(std::uint32_t code) {
  if (code < 1 || code > TALVO_DIAG_BANK_HASH_MISMATCH) return "runtime.unknown";
  return kCodeNames[code - 1];
}

const char* runtimeDiagnosticSeverityName(std::uint8_t severity) {
  return severity <= TALVO_SEVERITY_FATAL ? kSeverityNames[severity] : "error";
}

const char* runtimeDiagnosticPhaseName(std::uint8_t phase) {
  return phase <= TALVO_PHASE_SHUTDOWN ? kPhaseNames[phase] : "process";
}

std::uint32_t recordRuntimeDiagnostic(talvo_runtime_diagnostic_ring& ring, std::uint32_t code,
                                      std::uint8_t severity, std::uint8_t phase, const char* message,
                                      const char* detail) {
  return store(ring, code, severity, phase, message, detail, severity >= TALVO_SEVERITY_ERROR);
}

std::uint32_t recordBankDiagnostic(talvo_runtime_diagnostic_ring& ring, std::uint32_t code,
                                   std::uint8_t severity, std::uint8_t phase, const char* message,
                                   const char* detail) {
  return store(ring, code, severity, phase, message, detail, true);
}

std::uint32_t recordRealtimeOverflow(talvo_runtime_diagnostic_ring& ring, std::uint32_t lost) {
  char detail[64];
  std::snprintf(detail, sizeof detail, "dropped=%u; source=audio callback", static_cast<unsigned>(lost));
  return store(ring, TALVO_DIAG_DIAGNOSTICS_OVERFLOW, TALVO_SEVERITY_WARNING, TALVO_PHASE_PROCESS,
               "audio diagnostic queue overflowed", detail, false);
}

}  // namespace talvo
