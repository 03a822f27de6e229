#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "bank_writer.h"
#include "banks/wav_decode.h"

using namespace talvo;
using namespace talvo::test;

namespace {

WavAudio decodeOk(const Bytes& bytes) {
  WavAudio audio;
  std::string error;
  EXPECT_TRUE(decodeWav(bytes, audio, error)) << error;
  return audio;
}

std::string decodeError(const Bytes& bytes) {
  WavAudio audio;
  std::string error;
  EXPECT_FALSE(decodeWav(bytes, audio, error));
  return error;
}

Bytes simple(const Bytes& fmt, const Bytes& data) {
  return riffWave({{"fmt ", fmt}, {"data", data}});
}

constexpr float kStep = 1.0f / 32768.0f;

}  // namespace

TEST(WavDecode, Pcm16MonoLandsOnThe16BitGrid) {
  const WavAudio audio = decodeOk(simple(fmtBody(1, 1, 44100, 16), pcm16({0, 16384, 32767, -32768, 100})));
  EXPECT_EQ(audio.sampleRate, 44100.0);
  // In at 32767, out over 32768: full-scale 16-bit values move one step inwards.
  EXPECT_EQ(audio.samples, (std::vector<float>{0.0f, 0.5f, 32766 * kStep, -32767 * kStep, 100 * kStep}));
}

TEST(WavDecode, Pcm24IsSignExtendedAndQuantised) {
  const WavAudio audio =
      decodeOk(simple(fmtBody(1, 1, 96000, 24), pcm24({8388607, -8388608, 256, -32768, 0x7FFF})));
  EXPECT_EQ(audio.samples,
            (std::vector<float>{32767 * kStep, -32767 * kStep, 1 * kStep, -128 * kStep, 128 * kStep}));
}

TEST(WavDecode, FloatIsClampedToTheGrid) {
  const WavAudio audio = decodeOk(simple(fmtBody(3, 1, 48000, 32), float32({0.25f, 1.5f, -2.0f, 1.0f})));
  EXPECT_EQ(audio.samples, (std::vector<float>{0.25f, 32767 * kStep, -1.0f, 32767 * kStep}));
}

TEST(WavDecode, NanFloatSampleIsStoredAsSilence) {
  const WavAudio audio = decodeOk(simple(fmtBody(3, 1, 48000, 32), float32({std::nanf(""), 0.5f})));
  EXPECT_EQ(audio.samples, (std::vector<float>{0.0f, 0.5f}));
}

TEST(WavDecode, StereoIsAveragedToMono) {
  const WavAudio a = decodeOk(simple(fmtBody(1, 2, 44100, 16), pcm16({32767, -32768, 1000, 3000})));
  EXPECT_EQ(a.samples, (std::vector<float>{0.0f, 2000 * kStep}));
  const WavAudio b = decodeOk(simple(fmtBody(1, 2, 44100, 24), pcm24({8388607, 8388607, -4194304, 0})));
  EXPECT_EQ(b.samples, (std::vector<float>{32767 * kStep, -8192 * kStep}));
  const WavAudio c = decodeOk(simple(fmtBody(3, 2, 44100, 32), float32({0.5f, -0.25f})));
  EXPECT_EQ(c.samples, (std::vector<float>{0.125f}));
}

TEST(WavDecode, ZeroSampleRateReadsAs48000) {
  EXPECT_EQ(decodeOk(simple(fmtBody(1, 1, 0, 16), pcm16({1}))).sampleRate, 48000.0);
}

TEST(WavDecode, ExtensibleFilesUseTheSubFormatTag) {
  EXPECT_EQ(decodeOk(simple(extensibleFmtBody(1, 1, 44100, 16), pcm16({16384}))).samples,
            std::vector<float>{0.5f});
  EXPECT_EQ(decodeOk(simple(extensibleFmtBody(3, 2, 44100, 32), float32({0.5f, 0.5f}))).samples,
            std::vector<float>{0.5f});
  EXPECT_EQ(decodeError(simple(extensibleFmtBody(2, 1, 44100, 16), pcm16({1}))),
            "unsupported WAV format tag 2 / 16-bit");
  // Without the 40-byte extension the tag stays the extensible marker.
  EXPECT_EQ(decodeError(simple(fmtBody(0xFFFE, 1, 44100, 16), pcm16({1}))),
            "unsupported WAV format tag 65534 / 16-bit");
}

TEST(WavDecode, TruncatedFinalDataChunkDecodesTheBytesPresent) {
  Bytes bytes = riffWave({{"fmt ", fmtBody(1, 1, 44100, 16)}, {"data", pcm16({16384, -16384, 8192}), 1000}});
  bytes.push_back(0x55);  // half a frame more: ignored
  EXPECT_EQ(decodeOk(bytes).samples, (std::vector<float>{0.5f, -0.5f, 0.25f}));
}

TEST(WavDecode, OversizedChunkAfterDataEndsTheWalkKeepingTheData) {
  const Bytes bytes = riffWave(
      {{"fmt ", fmtBody(1, 1, 44100, 16)}, {"data", pcm16({8192})}, {"LIST", {1, 2, 3, 4}, 0xFFFFFFFF}});
  EXPECT_EQ(decodeOk(bytes).samples, std::vector<float>{0.25f});
}

TEST(WavDecode, OddSizedChunkIsFollowedByItsPadByte) {
  const Bytes bytes = riffWave({{"fmt ", fmtBody(1, 1, 44100, 16)},
                                {"LIST", {'I', 'N', 'F', 'O', 'x'}},
                                {"data", pcm16({16384, 8192})}});
  EXPECT_EQ(decodeOk(bytes).samples, (std::vector<float>{0.5f, 0.25f}));
}

TEST(WavDecode, LaterChunksReplaceEarlierOnesAndShortFormatIsIgnored) {
  const Bytes bytes = riffWave({{"fmt ", fmtBody(1, 1, 22050, 16)},
                                {"data", pcm16({1, 2, 3})},
                                {"fmt ", fmtBody(3, 1, 32000, 32)},
                                {"fmt ", {2, 0, 2, 0, 0, 0, 0, 0}},
                                {"data", float32({0.25f})}});
  const WavAudio audio = decodeOk(bytes);
  EXPECT_EQ(audio.sampleRate, 32000.0);
  EXPECT_EQ(audio.samples, std::vector<float>{0.25f});
}

TEST(WavDecode, RefusesWhatIsNotRiffWave) {
  Bytes valid = simple(fmtBody(1, 1, 44100, 16), pcm16({1, 2}));
  ASSERT_EQ(valid.size(), 48u);
  EXPECT_EQ(decodeError(Bytes(valid.begin(), valid.begin() + 43)), "not a RIFF/WAVE file");
  Bytes rifx = valid;
  rifx[3] = 'X';
  EXPECT_EQ(decodeError(rifx), "not a RIFF/WAVE file");
  Bytes avi = valid;
  avi[8] = 'A';
  EXPECT_EQ(decodeError(avi), "not a RIFF/WAVE file");
  EXPECT_EQ(decodeError(Bytes()), "not a RIFF/WAVE file");
}

TEST(WavDecode, ReportsEachFailureWithItsMessage) {
  const Bytes pad(32, 0);
  EXPECT_EQ(decodeError(riffWave({{"fmt ", fmtBody(1, 1, 44100, 16)}, {"JUNK", pad}})), "no data chunk");
  EXPECT_EQ(decodeError(riffWave({{"fmt ", fmtBody(1, 1, 44100, 16)}, {"data", {}}, {"JUNK", pad}})),
            "no data chunk");
  EXPECT_EQ(decodeError(riffWave({{"data", pad}, {"JUNK", pad}})), "unsupported channel count 0");
  EXPECT_EQ(decodeError(simple(fmtBody(1, 3, 44100, 16), pad)), "unsupported channel count 3");
  EXPECT_EQ(decodeError(simple(fmtBody(1, 1, 44100, 4), pad)), "empty or unreadable data chunk");
  EXPECT_EQ(decodeError(simple(fmtBody(1, 2, 44100, 24), Bytes(5, 0))), "empty or unreadable data chunk");
  EXPECT_EQ(decodeError(simple(fmtBody(1, 1, 44100, 8), pad)), "unsupported WAV format tag 1 / 8-bit");
  EXPECT_EQ(decodeError(simple(fmtBody(1, 1, 44100, 32), pad)), "unsupported WAV format tag 1 / 32-bit");
  EXPECT_EQ(decodeError(simple(fmtBody(3, 1, 44100, 64), pad)), "unsupported WAV format tag 3 / 64-bit");
}

TEST(WavDecode, GridRoundingMatchesRoundHalfAwayFromZero) {
  // Every 24-bit value near the halves of the 16-bit grid, plus floats that
  // land on or next to a half, against the definition written with round().
  std::vector<std::int32_t> ints;
  std::vector<float> floats;
  for (std::int32_t k = -32768; k <= 32767; k += 97) {
    const std::int32_t half = static_cast<std::int32_t>((k + 0.5) * 8388608.0 / 32767.0);
    for (std::int32_t d = -2; d <= 2; ++d)
      ints.push_back(std::clamp(half + d, -8388608, 8388607));
    const float f = static_cast<float>((k + 0.5) / 32767.0);
    floats.insert(floats.end(), {f, std::nextafter(f, 0.0f), std::nextafter(f, 2.0f), -f});
  }
  const auto expected = [](double value) {
    return static_cast<float>(std::clamp(std::round(value * 32767.0), -32768.0, 32767.0) / 32768.0);
  };
  const WavAudio a = decodeOk(simple(fmtBody(1, 1, 48000, 24), pcm24(ints)));
  for (std::size_t i = 0; i < ints.size(); ++i)
    ASSERT_EQ(a.samples[i], expected(ints[i] / 8388608.0)) << ints[i];
  const WavAudio b = decodeOk(simple(fmtBody(3, 1, 48000, 32), float32(floats)));
  for (std::size_t i = 0; i < floats.size(); ++i)
    ASSERT_EQ(b.samples[i], expected(floats[i])) << floats[i];
}
