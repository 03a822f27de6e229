#include "diagnostics/transport_fact.h"

#include <cmath>
#include <cstring>

#include "bridge/json_write.h"

namespace talvo {

bool TransportFact::differsFrom(const TransportFact& other) const {
  return source != other.source || playing != other.playing || recording != other.recording ||
         looping != other.looping || hasTempo != other.hasTempo ||
         hasTimeSignature != other.hasTimeSignature || hasPosition != other.hasPosition ||
         hasLoop != other.hasLoop || canSetTempo != other.canSetTempo || tempo != other.tempo ||
         numerator != other.numerator || denominator != other.denominator ||
         loopStartPpq != other.loopStartPpq || loopEndPpq != other.loopEndPpq ||
         sampleRate != other.sampleRate;
}

bool readTransportFact(const void* bytes, std::size_t size, TransportFact& out) {
  if (bytes == nullptr || size != sizeof(TransportFact)) return false;
  std::memcpy(&out, bytes, sizeof out);
  return true;
}

namespace {

void appendBool(std::string& out, const char* member, std::uint8_t value) {
  out += member;
  out += value ? "true" : "false";
}

void appendLoopBound(std::string& out, const TransportFact& fact, double value) {
  if (fact.hasLoop == 1 && std::isfinite(value)) {
    jsonAppendNumber(out, value);
  } else {
    out += "null";
  }
}

const char* sourceName(std::uint8_t source) {
  switch (source) {
    case kTransportSourceHost:
      return "host";
    case kTransportSourceInternal:
      return "internal";
    default:
      return "none";
  }
}

}  // namespace

void writeDiagnosticTransportJson(std::string& out, const TransportFact& fact) {
  out += "{\"type\":\"talvo.transport\",\"frame\":{\"atFrame\":";
  jsonAppendNumber(out, static_cast<double>(fact.atFrame));
  out += ",\"source\":\"";
  out += sourceName(fact.source);
  out += '"';
  appendBool(out, ",\"state\":{\"playing\":", fact.playing);
  appendBool(out, ",\"recording\":", fact.recording);
  appendBool(out, ",\"looping\":", fact.looping);
  out += ",\"tempo\":";
  jsonAppendNumber(out, fact.tempo);
  out += ",\"timeSignature\":{\"numerator\":";
  out += std::to_string(fact.numerator);
  out += ",\"denominator\":";
  out += std::to_string(fact.denominator);
  out += "},\"ppqPosition\":";
  jsonAppendNumber(out, fact.ppqPosition);
  out += ",\"barPositionPpq\":";
  jsonAppendNumber(out, fact.barPositionPpq);
  out += ",\"loopStartPpq\":";
  appendLoopBound(out, fact, fact.loopStartPpq);
  out += ",\"loopEndPpq\":";
  appendLoopBound(out, fact, fact.loopEndPpq);
  out += ",\"sampleRate\":";
  if (fact.sampleRate > 0.0 && !std::isinf(fact.sampleRate)) {
    jsonAppendNumber(out, fact.sampleRate);
  } else {
    out += "null";
  }
  out += ",\"projectTimeSamples\":";
  jsonAppendNumber(out, static_cast<double>(fact.projectTimeSamples));
  appendBool(out, "},\"capabilities\":{\"tempo\":", fact.hasTempo);
  appendBool(out, ",\"timeSignature\":", fact.hasTimeSignature);
  appendBool(out, ",\"position\":", fact.hasPosition);
  appendBool(out, ",\"loop\":", fact.hasLoop);
  appendBool(out, ",\"canSetTempo\":", fact.canSetTempo);
  out += "}}}";
}

}  // namespace talvo
