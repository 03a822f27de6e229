// Any byte string goes to the WAV decoder. Besides memory errors, a decoded
// sample off the 16-bit grid or outside full scale is a finding.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "banks/wav_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> bytes(data, data + size);
  talvo::WavAudio audio;
  std::string error;
  if (!talvo::decodeWav(bytes, audio, error)) {
    if (error.empty()) __builtin_trap();
    return 0;
  }
  if (audio.samples.empty() || !(audio.sampleRate > 0.0)) __builtin_trap();
  for (float sample : audio.samples) {
    const double level = static_cast<double>(sample) * 32768.0;
    if (!(level >= -32768.0 && level <= 32767.0) || level != std::floor(level)) __builtin_trap();
  }
  return 0;
}
