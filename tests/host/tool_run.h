#pragma once
// talvo-host run as a user runs it, and the audio files it reads and writes.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/scratch_dir.h"

namespace talvo::test {

struct ToolRun {
  int status = -1;
  std::string output;  // standard output and standard error together
};

/// Runs the built talvo-host with `arguments` (shell words).
ToolRun runTool(const std::string& arguments);
/// The bundle of the broken test plug-in in `mode` ("gain", "nan", ...).
inline std::string broken(const std::string& mode) {
  return std::string(TALVO_BROKEN_DIR) + "/" + mode + ".vst3";
}

struct Audio {
  std::vector<float> samples;  // interleaved
  int channels = 0;
  double sampleRate = 0.0;
  int format = 0;  // libsndfile's, as read
  [[nodiscard]] std::int64_t frames() const { return channels > 0 ? std::ssize(samples) / channels : 0; }
};

/// A whole file; fails the test when it cannot be read.
Audio readAudio(const std::filesystem::path& path);
/// A 32-bit float WAV file.
void writeAudio(const std::filesystem::path& path, const Audio& audio);
/// `seconds` of noise below full scale, different in every channel.
Audio noise(double rate, double seconds, int channels);

}  // namespace talvo::test
