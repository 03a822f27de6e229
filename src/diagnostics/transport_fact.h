#pragma once
// The host transport as seen at one audio block. Travels from processor to
// controller as a raw copy, so the layout is a wire format: little-endian,
// exactly 88 bytes, padding spelled out and zeroed. The reader hands a fact
// over only on success: on false its output is untouched.
#include <cstddef>
#include <cstdint>
#include <string>

namespace talvo {

enum : std::uint8_t { kTransportSourceNone = 0, kTransportSourceHost = 1, kTransportSourceInternal = 2 };

struct TransportFact {
  std::uint64_t atFrame = 0;
  std::uint8_t source = kTransportSourceNone;
  std::uint8_t playing = 0;
  std::uint8_t recording = 0;
  std::uint8_t looping = 0;
  // Which values the host actually supplied.
  std::uint8_t hasTempo = 0;
  std::uint8_t hasTimeSignature = 0;
  std::uint8_t hasPosition = 0;
  std::uint8_t hasLoop = 0;
  std::uint8_t canSetTempo = 0;
  std::uint8_t padding[7] = {};
  double tempo = 120.0;
  std::int32_t numerator = 4;
  std::int32_t denominator = 4;
  double ppqPosition = 0.0;
  double barPositionPpq = 0.0;
  double loopStartPpq = 0.0;
  double loopEndPpq = 0.0;
  double sampleRate = 0.0;
  std::int64_t projectTimeSamples = 0;

  /// True when anything but the position in time differs (atFrame, ppqPosition,
  /// barPositionPpq and projectTimeSamples are ignored); doubles compared exactly.
  [[nodiscard]] bool differsFrom(const TransportFact& other) const;
};

static_assert(sizeof(TransportFact) == 88);
static_assert(offsetof(TransportFact, atFrame) == 0);
static_assert(offsetof(TransportFact, source) == 8);
static_assert(offsetof(TransportFact, playing) == 9);
static_assert(offsetof(TransportFact, recording) == 10);
static_assert(offsetof(TransportFact, looping) == 11);
static_assert(offsetof(TransportFact, hasTempo) == 12);
static_assert(offsetof(TransportFact, hasTimeSignature) == 13);
static_assert(offsetof(TransportFact, hasPosition) == 14);
static_assert(offsetof(TransportFact, hasLoop) == 15);
static_assert(offsetof(TransportFact, canSetTempo) == 16);
static_assert(offsetof(TransportFact, tempo) == 24);
static_assert(offsetof(TransportFact, numerator) == 32);
static_assert(offsetof(TransportFact, denominator) == 36);
static_assert(offsetof(TransportFact, ppqPosition) == 40);
static_assert(offsetof(TransportFact, barPositionPpq) == 48);
static_assert(offsetof(TransportFact, loopStartPpq) == 56);
static_assert(offsetof(TransportFact, loopEndPpq) == 64);
static_assert(offsetof(TransportFact, sampleRate) == 72);
static_assert(offsetof(TransportFact, projectTimeSamples) == 80);

/// Reads a fact received as raw bytes; false unless `size` is exactly 88.
[[nodiscard]] bool readTransportFact(const void* bytes, std::size_t size, TransportFact& out);

/// Appends the "talvo.transport" document.
void writeDiagnosticTransportJson(std::string& out, const TransportFact& fact);

}  // namespace talvo
