#pragma once
// What the live verbs (bridge, edit) play through the plug-in in real time,
// over and over: the start of an audio file, or a test tone.
#include <cstdint>
#include <string>
#include <vector>

namespace talvo::host {

/// The block size the live verbs play in.
inline constexpr std::int32_t kLoopBlockFrames = 256;

struct LoopSignal {
  std::vector<float> samples;  // interleaved
  std::int32_t channels = 2;
  double sampleRate = 48000.0;
};

/// At most the first minute of `path`, held in memory; with no path, the test
/// tone at 48 kHz. False with a reason when the file cannot be read or is empty.
[[nodiscard]] bool loadLoopSignal(const std::string& path, LoopSignal& out, std::string& error);

}  // namespace talvo::host
