#pragma once
// Whole-file audio reading and writing through libsndfile.
#include <cstdint>
#include <string>
#include <vector>

namespace talvo::host {

struct AudioData {
  std::vector<float> samples;  // interleaved
  std::int32_t channels = 0;
  double sampleRate = 0.0;
  [[nodiscard]] std::int64_t frames() const {
    return channels > 0 ? static_cast<std::int64_t>(samples.size()) / channels : 0;
  }
};

/// Any format libsndfile reads; false with a reason otherwise.
[[nodiscard]] bool readAudioFile(const std::string& path, AudioData& out, std::string& error);
/// A 32-bit float WAV file, so nothing the plug-in produced is clipped or rounded.
[[nodiscard]] bool writeAudioFile(const std::string& path, const AudioData& audio, std::string& error);

}  // namespace talvo::host
