#pragma once
// Checks shared by the document fuzz targets: what one parse produced, written
// back by our writers, must parse again to the same values. A failed check
// names itself on stderr and aborts, which the fuzzer reports as a crash.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ccmap/cc_map.h"
#include "state/pad_overrides.h"
#include "state/state_chunk.h"

namespace talvo::fuzz {

inline void require(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "round trip broke: %s\n", what);
    std::abort();
  }
}

/// Text as it reads back after writing: cut at the first NUL (writers take C
/// strings), control bytes without a short escape turned into the "?" their
/// \u escapes read as.
inline std::string afterRoundTrip(const char* text) {
  std::string out(text);
  for (char& c : out) {
    if (static_cast<unsigned char>(c) < 0x20 && !std::strchr("\b\f\n\r\t", c)) c = '?';
  }
  return out;
}

inline bool hasControlBytes(const char* text) {
  return afterRoundTrip(text) != text;
}

inline void requireSameCcMap(const CcMap& a, const CcMap& b) {
  require(a.count == b.count, "cc map binding count");
  for (std::uint32_t i = 0; i < a.count; ++i) {
    const CcBinding& x = a.bindings[i];
    const CcBinding& y = b.bindings[i];
    require(x.param == y.param && x.cc == y.cc && x.channel == y.channel, "cc binding target");
    require(x.curve == y.curve && x.valueMode == y.valueMode && x.takeover == y.takeover, "cc binding modes");
    require(x.enabled == y.enabled && x.hasMin == y.hasMin && x.hasMax == y.hasMax, "cc binding flags");
    require((!x.hasMin || x.min == y.min) && (!x.hasMax || x.max == y.max), "cc binding range");
  }
}

/// `b` must equal `a` without the entries the writer leaves out.
inline void requireSamePads(const SamplerPadOverrides& a, const SamplerPadOverrides& b) {
  std::size_t j = 0;
  for (const SamplerPadOverride& x : a) {
    if (x.key.empty()) continue;
    require(j < b.size(), "pad count");
    const SamplerPadOverride& y = b[j++];
    require(x.key == y.key && x.mask == y.mask, "pad key or mask");
    for (const PadOverrideField& field : kPadOverrideFields) {
      require(x.*(field.value) == y.*(field.value), field.name);
    }
  }
  require(j == b.size(), "pad count");
}

/// Writes `first`, reads that back into a value `same` must accept, and writes it again: the same bytes.
template <typename T>
void requireRoundTrip(const T& first, bool (*parse)(const char*, std::size_t, T&),
                      void (*write)(std::string&, const T&), void (*same)(const T&, const T&)) {
  std::string text, again;
  write(text, first);
  T second;
  require(parse(text.data(), text.size(), second), "written text reads back");
  same(first, second);
  write(again, second);
  require(again == text, "written twice gives the same bytes");
}

inline std::string writeStateFrom(const StateChunk& s) {
  const BankStateRefOut bank{s.bankId,       s.bankVersion,    s.bankSha256, s.bankSource,
                             s.bankPresetId, s.bankInstrument, s.bankLocator};
  const AuthoredStateOut authored{s.authoredBytes.data(), s.authoredBytes.size(), s.authoredVersion};
  return writeStateJson(s.params[0], s.params[1], s.params[2], s.variation, s.hasCcMap ? &s.ccMap : nullptr,
                        s.hasSamplerAssetFault ? s.samplerAssetFault : 0,
                        s.hasSamplerZoneProgram ? s.samplerZoneProgram : 0, s.hasBank ? &bank : nullptr,
                        s.hasPadOverrides ? &s.padOverrides : nullptr,
                        s.hasAuthoredState ? &authored : nullptr);
}

inline bool bankHasControlBytes(const StateChunk& s) {
  return s.hasBank && (hasControlBytes(s.bankId) || hasControlBytes(s.bankVersion) ||
                       hasControlBytes(s.bankSha256) || hasControlBytes(s.bankPresetId) ||
                       hasControlBytes(s.bankInstrument) || hasControlBytes(s.bankLocator));
}

/// `b` was read from what the writer made of `a`.
inline void requireSameState(const StateChunk& a, const StateChunk& b) {
  for (int i = 0; i < 3; ++i) {
    // Every parameter is written; non-finite ones as null, which reads as absent.
    if (a.paramPresent[i] && std::isfinite(a.params[i])) {
      require(b.paramPresent[i] && b.params[i] == a.params[i], "parameter value");
    }
  }
  require(b.variation == (a.variation >= 0 ? a.variation : -1), "variation");
  require(a.hasCcMap == b.hasCcMap, "cc map presence");
  if (a.hasCcMap) requireSameCcMap(a.ccMap, b.ccMap);
  require(a.hasSamplerAssetFault == b.hasSamplerAssetFault && a.samplerAssetFault == b.samplerAssetFault,
          "asset fault");
  // Program 0 is also the writer's "none".
  const bool zoneWritten = a.hasSamplerZoneProgram && a.samplerZoneProgram != 0;
  require(b.hasSamplerZoneProgram == zoneWritten &&
              (!zoneWritten || a.samplerZoneProgram == b.samplerZoneProgram),
          "zone program");
  requireSamePads(a.hasPadOverrides ? a.padOverrides : SamplerPadOverrides(), b.padOverrides);
  require(a.hasAuthoredState == b.hasAuthoredState && a.authoredBytes == b.authoredBytes &&
              a.authoredVersion == b.authoredVersion,
          "authored state");
  require(a.hasBank == b.hasBank, "bank presence");
  if (!a.hasBank) return;
  require(afterRoundTrip(a.bankId) == b.bankId && afterRoundTrip(a.bankVersion) == b.bankVersion &&
              afterRoundTrip(a.bankSha256) == b.bankSha256 &&
              afterRoundTrip(a.bankInstrument) == b.bankInstrument,
          "bank texts");
  require(std::strcmp(b.bankSource, a.bankSource[0] ? a.bankSource : "embedded") == 0, "bank source");
  require(a.hasBankLocator == b.hasBankLocator && afterRoundTrip(a.bankLocator) == b.bankLocator,
          "bank locator");
  require(a.hasBankPresetId == b.hasBankPresetId && afterRoundTrip(a.bankPresetId) == b.bankPresetId,
          "bank preset");
}

/// Writes, reads back, compares; the second writing must equal the first
/// unless texts changed on the way (control bytes), then the third the second.
inline void requireStateRoundTrip(const StateChunk& first) {
  const std::string text = writeStateFrom(first);
  StateChunk second;
  require(parseStateJson(text.data(), text.size(), second), "written state reads back");
  requireSameState(first, second);
  const std::string again = writeStateFrom(second);
  if (!bankHasControlBytes(first)) {
    require(again == text, "state written twice gives the same bytes");
    return;
  }
  StateChunk third;
  require(parseStateJson(again.data(), again.size(), third), "state rewritten reads back");
  require(writeStateFrom(third) == again, "state written thrice gives the same bytes");
}

}  // namespace talvo::fuzz
