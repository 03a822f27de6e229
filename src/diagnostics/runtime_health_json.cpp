#include "diagnostics/runtime_health_json.h"

#include "bridge/json_write.h"

namespace talvo {
namespace {

void appendUnsigned(std::string& out, std::uint32_t value) {
  out += std::to_string(value);
}

}  // namespace

void appendRuntimeDiagnosticJson(std::string& out, const talvo_runtime_diagnostic& record,
                                 const char* moduleId, const char* version, double sampleRate,
                                 int maxBlockFrames) {
  out += "{\"format\":\"talvo-plugin-runtime-diagnostic/v1\",\"schemaVersion\":1,\"sequence\":";
  appendUnsigned(out, record.sequence);
  out += ",\"code\":";
  jsonAppendQuoted(out, runtimeDiagnosticCodeName(record.code));
  out += ",\"severity\":";
  jsonAppendQuoted(out, runtimeDiagnosticSeverityName(record.severity));
  out += ",\"phase\":";
  jsonAppendQuoted(out, runtimeDiagnosticPhaseName(record.phase));
  out += ",\"component\":\"shell\",\"message\":";
  jsonAppendQuoted(out, record.message);
  out += record.severity < TALVO_SEVERITY_ERROR ? ",\"recoverable\":true" : ",\"recoverable\":false";
  out += ",\"identity\":{\"moduleId\":";
  jsonAppendQuoted(out, moduleId != nullptr ? moduleId : "unknown");
  out += ",\"version\":";
  jsonAppendQuoted(out, version != nullptr ? version : "unknown");
  out += ",\"target\":\"vst3\"},\"configuration\":{\"sampleRate\":";
  jsonAppendNumber(out, sampleRate);
  out += ",\"maxBlockFrames\":";
  out += std::to_string(maxBlockFrames);
  out += "},\"occurrence\":{\"count\":1}";
  if (record.detail[0] != '\0') {
    out += ",\"context\":{\"detail\":";
    jsonAppendQuoted(out, record.detail);
    out += '}';
  }
  out += '}';
}

std::string writeRuntimeHealthJson(const talvo_runtime_diagnostic_ring& ring, const char* moduleId,
                                   const char* version, double sampleRate, int maxBlockFrames, bool failed) {
  // A corrupted count must not walk past the records.
  const std::uint32_t count =
      ring.count < TALVO_RUNTIME_DIAGNOSTIC_CAPACITY ? ring.count : TALVO_RUNTIME_DIAGNOSTIC_CAPACITY;
  bool anyError = false;
  bool anyWarning = false;
  const talvo_runtime_diagnostic* firstError = nullptr;
  for (std::uint32_t i = 0; i < count; ++i) {
    const talvo_runtime_diagnostic& record = ring.records[i];
    anyError = anyError || record.severity >= TALVO_SEVERITY_ERROR;
    anyWarning = anyWarning || record.severity == TALVO_SEVERITY_WARNING;
    if (firstError == nullptr && ring.firstErrorSequence != 0 && record.sequence == ring.firstErrorSequence) {
      firstError = &record;
    }
  }
  const char* status = "healthy";
  if (failed || anyError) {
    status = "failed";
  } else if (ring.dropped != 0 || anyWarning) {
    status = "degraded";
  }

  std::string out;
  out.reserve(512 + count * 640);
  out += "{\"format\":\"talvo-runtime-health/v1\",\"schemaVersion\":1,\"instanceId\":\"vst3\",\"lifecycle\":";
  out += failed ? "\"failed\"" : "\"configured\"";
  out += ",\"status\":\"";
  out += status;
  out += "\",\"counters\":{\"diagnostics\":";
  appendUnsigned(out, ring.count);
  out += ",\"diagnostics.dropped\":";
  appendUnsigned(out, ring.dropped);
  out += "},\"diagnostics\":[";
  for (std::uint32_t i = 0; i < count; ++i) {
    if (i > 0) out += ',';
    appendRuntimeDiagnosticJson(out, ring.records[i], moduleId, version, sampleRate, maxBlockFrames);
  }
  out += ']';
  if (firstError != nullptr) {
    out += ",\"firstError\":";
    appendRuntimeDiagnosticJson(out, *firstError, moduleId, version, sampleRate, maxBlockFrames);
  }
  out += '}';
  return out;
}

}  // namespace talvo
