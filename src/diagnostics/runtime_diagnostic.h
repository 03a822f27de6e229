#pragma once
// Structured runtime diagnostics: the fixed record, its 32-record ring and the
// code, severity and phase vocabularies. Plain C records so reports can copy
// the ring by value and C-facing code can share it.
#include <cstdint>

extern "C" {

enum : std::uint32_t {
  TALVO_RUNTIME_DIAGNOSTIC_CAPACITY = 32,
  TALVO_RUNTIME_DIAGNOSTIC_MESSAGE_BYTES = 192,
  TALVO_RUNTIME_DIAGNOSTIC_DETAIL_BYTES = 128,
};

/// One stored diagnostic. Texts are NUL-terminated; an empty detail means none.
struct talvo_runtime_diagnostic {
  std::uint32_t sequence;
  std::uint32_t code;     // TALVO_DIAG_*; outside 1..28 reads as "runtime.unknown"
  std::uint8_t severity;  // TALVO_SEVERITY_*
  std::uint8_t phase;     // TALVO_PHASE_*
  std::uint8_t flags;     // always 0
  std::uint8_t reserved;  // alignment
  char message[TALVO_RUNTIME_DIAGNOSTIC_MESSAGE_BYTES];
  char detail[TALVO_RUNTIME_DIAGNOSTIC_DETAIL_BYTES];
};

/// Keeps the first 32 records of an engine's life and counts the rest as dropped.
struct talvo_runtime_diagnostic_ring {
  std::uint32_t nextSequence = 1;        // taken by every recording attempt
  std::uint32_t dropped = 0;             // attempts that found the ring full
  std::uint32_t firstErrorSequence = 0;  // first stored record with severity >= 2; 0 = none
  std::uint32_t count = 0;               // stored records, 0..32
  talvo_runtime_diagnostic records[TALVO_RUNTIME_DIAGNOSTIC_CAPACITY] = {};
};

enum : std::uint32_t {
  TALVO_DIAG_KERNEL_CREATE_FAILED = 1,
  TALVO_DIAG_RATE_ADAPTER_INIT_FAILED = 2,
  TALVO_DIAG_UNSUPPORTED_PROCESSING_CONFIGURATION = 3,
  TALVO_DIAG_PROCESS_FAILED = 4,
  TALVO_DIAG_SUSPICIOUS_SILENCE = 5,
  TALVO_DIAG_PRESET_BANK_MISMATCH = 6,
  TALVO_DIAG_PRESET_PROCESSOR_APPLY_FAILED = 7,
  TALVO_DIAG_STATE_DECODE_FAILED = 8,
  TALVO_DIAG_STATE_RESTORE_FAILED = 9,
  TALVO_DIAG_EDITOR_BUNDLE_IDENTITY_MISMATCH = 10,
  TALVO_DIAG_EDITOR_BRIDGE_TIMEOUT = 11,
  TALVO_DIAG_INSTALL_ARTIFACT_STALE = 12,
  TALVO_DIAG_INSTALL_DUPLICATE_SCAN_CANDIDATE = 13,
  TALVO_DIAG_INVALID_CONFIGURATION = 14,
  TALVO_DIAG_ENGINE_UNAVAILABLE = 15,
  TALVO_DIAG_BUILD_DEPENDENCY_MISSING = 16,
  TALVO_DIAG_BUILD_ARTIFACT_MISSING = 17,
  TALVO_DIAG_HOST_VALIDATOR_MISSING = 18,
  TALVO_DIAG_REALTIME_VIOLATION = 19,
  TALVO_DIAG_NONFINITE_AUDIO = 20,
  TALVO_DIAG_CALLBACK_MISSING = 21,
  TALVO_DIAG_EVENT_REJECTED = 22,
  TALVO_DIAG_HOST_CONNECTION_FAILED = 23,
  TALVO_DIAG_CLOSED = 24,
  TALVO_DIAG_DIAGNOSTICS_OVERFLOW = 25,
  TALVO_DIAG_UNKNOWN = 26,
  TALVO_DIAG_BANK_MISSING = 27,
  TALVO_DIAG_BANK_HASH_MISMATCH = 28,
};

enum : std::uint8_t {
  TALVO_SEVERITY_INFO = 0,
  TALVO_SEVERITY_WARNING = 1,
  TALVO_SEVERITY_ERROR = 2,
  TALVO_SEVERITY_FATAL = 3,
};

enum : std::uint8_t {
  TALVO_PHASE_BUILD = 0,
  TALVO_PHASE_PACKAGE = 1,
  TALVO_PHASE_INSTALL = 2,
  TALVO_PHASE_SCAN = 3,
  TALVO_PHASE_LOAD = 4,
  TALVO_PHASE_CONFIGURE = 5,
  TALVO_PHASE_ACTIVATE = 6,
  TALVO_PHASE_PROCESS = 7,
  TALVO_PHASE_PRESET = 8,
  TALVO_PHASE_STATE = 9,
  TALVO_PHASE_EDITOR = 10,
  TALVO_PHASE_SHUTDOWN = 11,
};

}  // extern "C"

namespace talvo {

/// Wire name of a code; "runtime.unknown" outside 1..28.
[[nodiscard]] const char* runtimeDiagnosticCodeName(std::uint32_t code);
/// "info", "warning", "error", "fatal"; above 3 reads as "error".
[[nodiscard]] const char* runtimeDiagnosticSeverityName(std::uint8_t severity);
/// Phase name; above 11 reads as "process".
[[nodiscard]] const char* runtimeDiagnosticPhaseName(std::uint8_t phase);

// Main thread only. Both store the record when the ring has room (texts cut to
// 191 and 127 characters, null taken as empty), otherwise count it as dropped;
// either way the attempt takes one sequence number, which is returned.

/// Sets firstErrorSequence for the first stored record of severity 2 or more.
std::uint32_t recordRuntimeDiagnostic(talvo_runtime_diagnostic_ring& ring, std::uint32_t code,
                                      std::uint8_t severity, std::uint8_t phase, const char* message,
                                      const char* detail);
/// Bank failures mark the first error whatever their severity.
std::uint32_t recordBankDiagnostic(talvo_runtime_diagnostic_ring& ring, std::uint32_t code,
                                   std::uint8_t severity, std::uint8_t phase, const char* message,
                                   const char* detail);
/// The record that stands for `lost` realtime entries that found the queue
/// full (a warning; never marks the first error).
std::uint32_t recordRealtimeOverflow(talvo_runtime_diagnostic_ring& ring, std::uint32_t lost);

}  // namespace talvo
