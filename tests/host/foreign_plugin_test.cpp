// talvo-host on a plug-in that is not ours: the broken test plug-in in its
// honest gain modes, with and without a controller of its own.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <functional>
#include <string>

#include "host/tool_run.h"
#include "talvo_host/output_format.h"

namespace talvo::test {
namespace {

std::string broken(const std::string& mode) {
  return std::string(TALVO_BROKEN_DIR) + "/" + mode + ".vst3";
}

TEST(ForeignPlugin, InfoListsItsBusesAndTheParametersOfItsController) {
  const struct {
    std::string mode;
    std::string words;
  } cases[] = {
      {"gain", "bus: audio input 0 \"In\", 2 channels, main"},
      {"gain", "parameters (controller):\n  10              \"Gain\" -60 .. 12 dB, default 0"},
      {"gain", "  11              \"Invert\" 0 .. 1, default 0 (normalized 0), automatable"},
      {"mono-gain", "bus: audio output 0 \"Out\", 1 channel, main"},
  };
  for (const auto& c : cases) {
    const ToolRun info = runTool("info " + broken(c.mode));
    EXPECT_EQ(info.status, 0) << info.output;
    EXPECT_NE(info.output.find(c.words), std::string::npos) << info.output;
  }
}

TEST(ForeignPlugin, RendersWithTheChannelsMappedAsTheSummarySays) {
  using Expected = std::function<float(const float* frame, int channel)>;
  const Expected same = [](const float* f, int c) { return f[c]; };
  const struct {
    std::string mode;
    int inChannels;
    std::string out, arguments;
    int outChannels;
    int format;
    std::string words;
    Expected expected;
  } cases[] = {
      {"gain", 2, "x.wav", "--tail 0.5", 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT, "tail 24000 frames;", same},
      {"gain", 2, "x.flac", "", 2, SF_FORMAT_FLAC | SF_FORMAT_PCM_24, "; FLAC 24-bit", same},
      {"gain", 1, "x.wav", "", 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT,
       "; mono input fed to each of the plug-in's 2 input channels",
       [](const float* f, int) { return f[0]; }},
      {"mono-gain", 2, "x.wav", "", 1, SF_FORMAT_WAV | SF_FORMAT_FLOAT,
       "; stereo input mixed down to the plug-in's mono input",
       [](const float* f, int) { return (f[0] + f[1]) / 2; }},
      {"gain", 4, "x.aiff", "--mix-down", 2, SF_FORMAT_AIFF | SF_FORMAT_FLOAT,
       "; 4-channel input mixed down to the plug-in's stereo input",
       [](const float* f, int c) { return (f[c] + f[c + 2]) / 2; }},
      {"nan", 2, "x.wav", "--allow-nonfinite", 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT,
       "(NaN or infinity): 48000 in the plug-in's output, kept", [](const float*, int) { return NAN; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode + " " + c.arguments);
    const WorkFolder work;
    const Audio in = noise(48000.0, 0.5, c.inChannels);
    writeAudio(work / "in.wav", in);
    const ToolRun result = runTool("render " + broken(c.mode) + " --in " + work / "in.wav" + " --out " +
                                   work / c.out + " " + c.arguments);
    ASSERT_EQ(result.status, 0) << result.output;
    EXPECT_NE(result.output.find(c.words), std::string::npos) << result.output;
    const Audio out = readAudio(work / c.out);
    ASSERT_EQ(out.channels, c.outChannels);
    EXPECT_EQ(out.format, c.format);
    const std::int64_t tail = c.arguments.find("--tail") != std::string::npos ? 24000 : 0;
    ASSERT_EQ(out.frames(), in.frames() + tail);
    for (std::int64_t i = 0; i < out.frames(); ++i) {
      for (int ch = 0; ch < out.channels; ++ch) {
        const float got = out.samples[static_cast<std::size_t>(i * out.channels + ch)];
        const float want =
            i < in.frames() ? c.expected(&in.samples[static_cast<std::size_t>(i * in.channels)], ch) : 0;
        if (std::isnan(want)) {
          ASSERT_TRUE(std::isnan(got)) << "frame " << i;
        } else {
          ASSERT_NEAR(got, want, 1.0 / (1 << 23)) << "frame " << i << ", channel " << ch;
        }
      }
    }
  }
}

TEST(OutputFormat, ComesFromTheExtensionUnlessNamedAndRefusesSizesItCannotHold) {
  const struct {
    std::string path, format;
    int bits;
    std::string described;  // or the start of the refusal
  } cases[] = {
      {"a.WAV", "", 0, "WAV 32-bit float"},
      {"a.aif", "", 24, "AIFF 24-bit"},
      {"a.flac", "", 16, "FLAC 16-bit"},
      {"a.ogg", "", 0, "Ogg Vorbis"},
      {"dir.wav/a", "flac", 0, "FLAC 24-bit"},
      {"dir.wav/a", "", 0, "cannot tell the format of dir.wav/a"},
      {"a.wav", "mp3", 0, "unknown --format mp3"},
      {"a.flac", "", 32, "FLAC holds 16 or 24-bit samples, not 32"},
      {"a.wav", "", 8, "WAV holds 16, 24 or 32 (float)-bit samples, not 8"},
      {"a.ogg", "", 16, "Ogg Vorbis has no sample size to choose"},
  };
  for (const auto& c : cases) {
    host::OutputFormat format;
    std::string error;
    const bool chosen = host::chooseOutputFormat(c.path, c.format, c.bits, format, error);
    EXPECT_EQ(chosen ? format.description : error.substr(0, c.described.size()), c.described) << c.path;
  }
}

}  // namespace
}  // namespace talvo::test
