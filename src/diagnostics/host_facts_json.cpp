// The host document, the delta between two host records, the change
// classifier and the host-changed message.
#include <string>

#include "bridge/json_write.h"
#include "diagnostics/host_facts.h"
#include "diagnostics/text_field.h"

namespace talvo {
namespace {

const char* validatorName(std::uint8_t kind) {
  switch (kind) {
    case kValidatorPluginval:
      return "pluginval";
    case kValidatorClapValidator:
      return "clap-validator";
    case kValidatorAuval:
      return "auval";
    case kValidatorSteinberg:
      return "steinberg-validator";
    case kValidatorTalvoProbe:
      return "talvo-probe";
    default:
      return nullptr;
  }
}

const char* processModeName(std::uint8_t mode) {
  switch (mode) {
    case kProcessModeOffline:
      return "offline";
    case kProcessModePrefetch:
      return "prefetch";
    default:
      return "realtime";
  }
}

std::uint32_t busCountOf(const HostFacts& facts) {
  return facts.busCount < HostFacts::kMaxBuses ? facts.busCount : HostFacts::kMaxBuses;
}

// Each member is written with its leading comma; the caller drops the first.
void appendMember(std::string& out, const char* name) {
  out += ",\"";
  out += name;
  out += "\":";
}

void appendText(std::string& out, const char* name, const char* text) {
  appendMember(out, name);
  jsonAppendQuoted(out, text);
}

void appendInteger(std::string& out, const char* name, long long value) {
  appendMember(out, name);
  out += std::to_string(value);
}

void appendDouble(std::string& out, const char* name, double value) {
  appendMember(out, name);
  jsonAppendNumber(out, value);
}

void appendTail(std::string& out, const HostFacts& facts) {
  appendMember(out, "tailSamples");
  if (facts.tailKind == kTailInfinite) {
    out += "\"infinite\"";
  } else if (facts.tailKind == kTailSamples) {
    out += std::to_string(facts.tailSamples);
  } else {
    out += "\"unreported\"";
  }
}

void appendBuses(std::string& out, const HostFacts& facts) {
  appendMember(out, "buses");
  out += '[';
  for (std::uint32_t i = 0; i < busCountOf(facts); ++i) {
    const HostBusFact& bus = facts.buses[i];
    if (i > 0) out += ',';
    out += "{\"id\":";
    jsonAppendQuoted(out, bus.id);
    out += bus.isInput ? ",\"direction\":\"input\"" : ",\"direction\":\"output\"";
    out += ",\"channels\":";
    out += std::to_string(bus.channels);
    out += bus.active ? ",\"active\":true" : ",\"active\":false";
    if (bus.layout[0] != '\0') appendText(out, "layout", bus.layout);
    out += '}';
  }
  out += ']';
}

void appendBypassed(std::string& out, const HostFacts& facts) {
  appendMember(out, "bypassed");
  out += facts.bypassed ? "true" : "false";
}

// Opens the object over members written with leading commas.
void wrap(std::string& out, const std::string& members) {
  out += '{';
  out.append(members, 1, std::string::npos);
  out += '}';
}

bool sameBus(const HostBusFact& a, const HostBusFact& b) {
  return (a.isInput != 0) == (b.isInput != 0) && a.channels == b.channels &&
         (a.active != 0) == (b.active != 0) && textFieldsEqual(a.id, b.id) &&
         textFieldsEqual(a.layout, b.layout);
}

bool busesDiffer(const HostFacts& previous, const HostFacts& next) {
  if (previous.busCount != next.busCount) return true;
  for (std::uint32_t i = 0; i < busCountOf(next); ++i) {
    if (!sameBus(previous.buses[i], next.buses[i])) return true;
  }
  return false;
}

bool tailDiffers(const HostFacts& previous, const HostFacts& next) {
  return previous.tailKind != next.tailKind || previous.tailSamples != next.tailSamples;
}

bool bypassDiffers(const HostFacts& previous, const HostFacts& next) {
  return (next.bypassKnown == 1 && previous.bypassKnown != 1) || previous.bypassed != next.bypassed;
}

}  // namespace

void writeDiagnosticHostJson(std::string& out, const HostFacts& facts) {
  std::string members;
  if (facts.hostName[0] != '\0') appendText(members, "hostName", facts.hostName);
  if (facts.hostVersion[0] != '\0') appendText(members, "hostVersion", facts.hostVersion);
  if (facts.hostPath[0] != '\0') appendText(members, "hostPath", facts.hostPath);
  if (const char* validator = validatorName(facts.validatorKind))
    appendText(members, "validatorHost", validator);
  appendDouble(members, "sampleRate", facts.sampleRate);
  appendInteger(members, "maxBlockFrames", facts.maxBlockFrames);
  if (facts.lastBlockFrames >= 0) appendInteger(members, "lastBlockFrames", facts.lastBlockFrames);
  appendText(members, "processMode", processModeName(facts.processMode));
  appendInteger(members, "sampleSize", facts.sampleSize);
  appendInteger(members, "latencySamples", facts.latencySamples);
  appendTail(members, facts);
  if (facts.internalSampleRate > 0.0) appendDouble(members, "internalSampleRate", facts.internalSampleRate);
  appendBuses(members, facts);
  if (facts.bypassKnown == 1) appendBypassed(members, facts);
  wrap(out, members);
}

bool writeDiagnosticHostDeltaJson(std::string& out, const HostFacts& previous, const HostFacts& next) {
  std::string members;
  if (previous.sampleRate != next.sampleRate) appendDouble(members, "sampleRate", next.sampleRate);
  if (previous.maxBlockFrames != next.maxBlockFrames) {
    appendInteger(members, "maxBlockFrames", next.maxBlockFrames);
  }
  if (previous.lastBlockFrames != next.lastBlockFrames && next.lastBlockFrames >= 0) {
    appendInteger(members, "lastBlockFrames", next.lastBlockFrames);
  }
  if (previous.processMode != next.processMode) {
    appendText(members, "processMode", processModeName(next.processMode));
  }
  if (previous.sampleSize != next.sampleSize) appendInteger(members, "sampleSize", next.sampleSize);
  if (previous.latencySamples != next.latencySamples) {
    appendInteger(members, "latencySamples", next.latencySamples);
  }
  if (tailDiffers(previous, next)) appendTail(members, next);
  if (previous.internalSampleRate != next.internalSampleRate && next.internalSampleRate > 0.0) {
    appendDouble(members, "internalSampleRate", next.internalSampleRate);
  }
  if (busesDiffer(previous, next)) appendBuses(members, next);
  if (bypassDiffers(previous, next)) appendBypassed(members, next);
  if (members.empty()) return false;
  wrap(out, members);
  return true;
}

const char* diagnosticHostChangeKind(const HostFacts& previous, const HostFacts& next) {
  if (previous.sampleRate != next.sampleRate) return "sampleRateChanged";
  if (previous.maxBlockFrames != next.maxBlockFrames) return "blockSizeChanged";
  if (busesDiffer(previous, next)) return "busLayoutChanged";
  if (previous.latencySamples != next.latencySamples) return "latencyChanged";
  if (tailDiffers(previous, next)) return "tailChanged";
  if (previous.processMode != next.processMode) return "processModeChanged";
  if (bypassDiffers(previous, next)) return "bypassChanged";
  if (previous.lastBlockFrames != next.lastBlockFrames) return "blockSizeChanged";
  if (previous.sampleSize != next.sampleSize) return "configured";
  if (previous.internalSampleRate != next.internalSampleRate) return "sampleRateChanged";
  return nullptr;
}

bool writeDiagnosticHostChangedJson(std::string& out, const HostFacts& previous, const HostFacts& next,
                                    std::uint32_t sequence, double timeMs) {
  std::string delta;
  if (!writeDiagnosticHostDeltaJson(delta, previous, next)) return false;
  out += "{\"type\":\"talvo.hostChanged\",\"host\":";
  out += delta;
  if (const char* kind = diagnosticHostChangeKind(previous, next)) {
    out += ",\"event\":{\"seq\":";
    out += std::to_string(sequence);
    out += ",\"timeMs\":";
    jsonAppendNumber(out, timeMs);
    out += ",\"kind\":";
    jsonAppendQuoted(out, kind);
    out += '}';
  }
  out += '}';
  return true;
}

}  // namespace talvo
