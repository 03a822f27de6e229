#pragma once
// Decoding of the WAV assets of a sound pack into one mono channel of floats.
// Main thread only (it runs while a bank loads); it never touches a file.
#include <cstdint>
#include <string>
#include <vector>

namespace talvo {

/// One decoded asset: a mono sample per frame and the file's sample rate.
struct WavAudio {
  std::vector<float> samples;
  double sampleRate = 48000.0;
};

/// Decodes 16-bit and 24-bit PCM and 32-bit float files with one or two
/// channels (plain or extensible format). Stereo is averaged to mono and every
/// sample lands on the 16-bit grid. On false `error` holds the reason and
/// `audio` must not be used.
[[nodiscard]] bool decodeWav(const std::vector<std::uint8_t>& bytes, WavAudio& audio, std::string& error);

}  // namespace talvo
