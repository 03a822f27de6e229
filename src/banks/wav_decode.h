#pragma once
// Decoding of the WAV assets of a sound pack into one mono channel of floats.
// Main thread only (it runs while a bank loads); it never touches a file.
// Every reader here parses into a fresh value and hands it over only on
// success: on false its output is untouched and `error` holds the reason.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace talvo {

/// One decoded asset: a mono sample per frame and the file's sample rate.
struct WavAudio {
  std::vector<float> samples;
  double sampleRate = 48000.0;
};

/// What the chunk walk and the format checks learn about a file before any
/// sample is converted; `frames` samples will be produced.
struct WavLayout {
  std::size_t frames = 0;
  double sampleRate = 48000.0;
  std::size_t dataStart = 0;
  std::uint16_t stride = 0;
  std::uint16_t channels = 0;
  std::uint16_t formatTag = 0;
  std::uint16_t bitsPerSample = 0;
};

/// Every check decodeWav makes, with the same messages, without decoding.
[[nodiscard]] bool inspectWav(const std::vector<std::uint8_t>& bytes, WavLayout& layout, std::string& error);
/// Converts the frames of a file that `inspectWav` accepted into `out`, which
/// has room for `layout.frames` samples. Lets a caller decode in place.
void decodeWavFrames(const std::vector<std::uint8_t>& bytes, const WavLayout& layout, float* out);

/// Decodes 16-bit and 24-bit PCM and 32-bit float files with one or two
/// channels (plain or extensible format). Stereo is averaged to mono and every
/// sample lands on the 16-bit grid.
[[nodiscard]] bool decodeWav(const std::vector<std::uint8_t>& bytes, WavAudio& audio, std::string& error);

}  // namespace talvo
