#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "bank_writer.h"
#include "banks/wav_decode.h"

using namespace talvo;
using namespace talvo::test;

namespace {

// Decodes a file that must be accepted and returns its samples in 16-bit grid
// steps, so every expectation below is a whole number.
std::vector<double> levels(const Bytes& bytes, double rate = 44100.0) {
  WavAudio audio;
  std::string error;
  EXPECT_TRUE(decodeWav(bytes, audio, error)) << error;
  EXPECT_EQ(audio.sampleRate, rate);
  std::vector<double> out;
  for (float sample : audio.samples)
    out.push_back(sample * 32768.0);
  return out;
}

Bytes patched(Bytes bytes, std::size_t at, std::uint8_t value) {
  bytes[at] = value;
  return bytes;
}

using Levels = std::vector<double>;

}  // namespace

TEST(WavDecode, EachEncodingLandsOnThe16BitGridAsMono) {
  // In at 32767, out over 32768: full-scale values move one step inwards.
  EXPECT_EQ(levels(wav(fmtBody(1, 1, 44100, 16), pcm({0, 16384, 32767, -32768, 100}, 2))),
            (Levels{0, 16384, 32766, -32767, 100}));
  // Floats clamp to full scale; a NaN sample is stored as silence.
  EXPECT_EQ(
      levels(wav(fmtBody(3, 1, 48000, 32), float32({0.25f, 1.5f, -2.0f, 1.0f, std::nanf(""), 0.5f})), 48000),
      (Levels{8192, 32767, -32768, 32767, 0, 16384}));
  EXPECT_EQ(levels(wav(fmtBody(1, 2, 44100, 16), pcm({32767, -32768, 1000, 3000}, 2))), (Levels{0, 2000}));
  EXPECT_EQ(levels(wav(fmtBody(1, 2, 44100, 24), pcm({8388607, 8388607, -4194304, 0}, 3))),
            (Levels{32767, -8192}));
  EXPECT_EQ(levels(wav(fmtBody(3, 2, 44100, 32), float32({0.5f, -0.25f}))), Levels{4096});
  EXPECT_EQ(levels(wav(fmtBody(1, 1, 0, 16), pcm({1}, 2)), 48000), Levels{1});  // rate 0 reads as 48000
  EXPECT_EQ(levels(wav(extensibleFmtBody(1, 1, 44100, 16), pcm({16384}, 2))), Levels{16384});
  EXPECT_EQ(levels(wav(extensibleFmtBody(3, 2, 44100, 32), float32({0.5f, 0.5f}))), Levels{16384});
}

TEST(WavDecode, ChunkWalkKeepsWhatIsReadable) {
  const Bytes fmt = fmtBody(1, 1, 44100, 16);
  // A final data chunk that declares more than is there, plus half a frame.
  Bytes truncated = riffWave({{"fmt ", fmt}, {"data", pcm({16384, -16384, 8192}, 2), 1000}});
  truncated.push_back(0x55);
  EXPECT_EQ(levels(truncated), (Levels{16384, -16384, 8192}));
  EXPECT_EQ(levels(riffWave({{"fmt ", fmt}, {"data", pcm({8192}, 2)}, {"LIST", {1, 2, 3, 4}, 0xFFFFFFFF}})),
            Levels{8192});
  EXPECT_EQ(
      levels(riffWave({{"fmt ", fmt}, {"LIST", {'I', 'N', 'F', 'O', 'x'}}, {"data", pcm({16384, 8192}, 2)}})),
      (Levels{16384, 8192}));
  // Later chunks replace earlier ones; a format chunk under 16 bytes is ignored.
  EXPECT_EQ(levels(riffWave({{"fmt ", fmt},
                             {"data", pcm({1, 2, 3}, 2)},
                             {"fmt ", fmtBody(3, 1, 32000, 32)},
                             {"fmt ", {2, 0, 2, 0, 0, 0, 0, 0}},
                             {"data", float32({0.25f})}}),
                   32000),
            Levels{8192});
}

TEST(WavDecode, ReportsEachFailureWithItsMessage) {
  const Bytes valid = wav(fmtBody(1, 1, 44100, 16), pcm({1, 2}, 2));  // 48 bytes
  const Bytes pad(32, 0);
  const std::pair<Bytes, const char*> cases[] = {
      {Bytes(valid.begin(), valid.begin() + 43), "not a RIFF/WAVE file"},
      {patched(valid, 3, 'X'), "not a RIFF/WAVE file"},
      {patched(valid, 8, 'A'), "not a RIFF/WAVE file"},
      {Bytes(), "not a RIFF/WAVE file"},
      {riffWave({{"fmt ", fmtBody(1, 1, 44100, 16)}, {"JUNK", pad}}), "no data chunk"},
      {riffWave({{"fmt ", fmtBody(1, 1, 44100, 16)}, {"data", {}}, {"JUNK", pad}}), "no data chunk"},
      {riffWave({{"data", pad}, {"JUNK", pad}}), "unsupported channel count 0"},
      {wav(fmtBody(1, 3, 44100, 16), pad), "unsupported channel count 3"},
      {wav(fmtBody(1, 1, 44100, 4), pad), "empty or unreadable data chunk"},
      {wav(fmtBody(1, 2, 44100, 24), Bytes(5, 0)), "empty or unreadable data chunk"},
      {wav(fmtBody(1, 1, 44100, 8), pad), "unsupported WAV format tag 1 / 8-bit"},
      {wav(fmtBody(1, 1, 44100, 32), pad), "unsupported WAV format tag 1 / 32-bit"},
      {wav(fmtBody(3, 1, 44100, 64), pad), "unsupported WAV format tag 3 / 64-bit"},
      {wav(extensibleFmtBody(2, 1, 44100, 16), pad), "unsupported WAV format tag 2 / 16-bit"},
      // Without the 40-byte extension the tag stays the extensible marker.
      {wav(fmtBody(0xFFFE, 1, 44100, 16), pad), "unsupported WAV format tag 65534 / 16-bit"},
  };
  for (const auto& [bytes, message] : cases) {
    WavAudio audio;
    std::string error;
    EXPECT_FALSE(decodeWav(bytes, audio, error)) << message;
    EXPECT_EQ(error, message);
  }
}

TEST(WavDecode, GridRoundingMatchesRoundHalfAwayFromZero) {
  // Every 24-bit value near the halves of the 16-bit grid, plus floats that
  // land on or next to a half, against the definition written with round().
  std::vector<std::int32_t> ints;
  std::vector<float> floats;
  for (std::int32_t k = -32768; k <= 32767; k += 97) {
    const auto half = static_cast<std::int32_t>((k + 0.5) * 8388608.0 / 32767.0);
    for (std::int32_t d = -2; d <= 2; ++d)
      ints.push_back(std::clamp(half + d, -8388608, 8388607));
    const float f = static_cast<float>((k + 0.5) / 32767.0);
    floats.insert(floats.end(), {f, std::nextafter(f, 0.0f), std::nextafter(f, 2.0f), -f});
  }
  const auto expected = [](double value) {
    return static_cast<float>(std::clamp(std::round(value * 32767.0), -32768.0, 32767.0) / 32768.0);
  };
  WavAudio a, b;
  std::string error;
  ASSERT_TRUE(decodeWav(wav(fmtBody(1, 1, 48000, 24), pcm(ints, 3)), a, error));
  ASSERT_TRUE(decodeWav(wav(fmtBody(3, 1, 48000, 32), float32(floats)), b, error));
  for (std::size_t i = 0; i < ints.size(); ++i)
    ASSERT_EQ(a.samples[i], expected(ints[i] / 8388608.0)) << ints[i];
  for (std::size_t i = 0; i < floats.size(); ++i)
    ASSERT_EQ(b.samples[i], expected(floats[i])) << floats[i];
}
