// talvo-host on a plug-in that is not ours: the broken test plug-in in its
// honest gain modes, with and without a controller of its own.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <functional>
#include <string>

#include "host/tool_run.h"

namespace talvo::test {
namespace {

TEST(ForeignPlugin, InfoListsTheParametersOfItsOwnControllerOrSaysItHasNone) {
  const std::pair<std::string, std::string> cases[] = {
      {"gain",
       "bus: audio input 0 \"In\", 2 channels, main, default-active\n"
       "bus: audio output 0 \"Out\", 2 channels, main, default-active\n"
       "parameters (controller):\n"
       "  10 \"Gain\" -60 .. 12 dB, default 0 (normalized 0.8333333333333334), 0 steps, flags 0x1, "
       "automatable\n"
       "  11 \"Invert\" 0 .. 1, default 0 (normalized 0), 1 steps, flags 0x1, automatable\n"},
      {"mono-gain",
       "parameters: none listed, as the plug-in has no controller; --set and --automate name them by\n"
       "  numeric id with normalized values (0 .. 1)\n"},
  };
  for (const auto& [mode, words] : cases) {
    const ToolRun info = runTool("info " + broken(mode));
    EXPECT_EQ(info.status, 0) << info.output;
    EXPECT_NE(info.output.find(words), std::string::npos) << info.output;
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
      {"gain", 2, "x.flac", "--bits 16", 2, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, "; FLAC 16-bit", same},
      {"gain", 1, "x.wav", "", 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT,
       "; mono input fed to each of the plug-in's 2 input channels",
       [](const float* f, int) { return f[0]; }},
      {"mono-gain", 2, "x.wav", "", 1, SF_FORMAT_WAV | SF_FORMAT_FLOAT,
       "; stereo input mixed down to the plug-in's mono input",
       [](const float* f, int) { return (f[0] + f[1]) / 2; }},
      {"gain", 4, "x.aiff", "--mix-down", 2, SF_FORMAT_AIFF | SF_FORMAT_FLOAT,
       "; 4-channel input mixed down to the plug-in's stereo input",
       [](const float* f, int c) { return (f[c] + f[c + 2]) / 2; }},
      // Named by its title, or without a controller by its id with a normalized value (-6 dB).
      {"gain", 2, "x.wav", "--set gain=-6.0206", 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT, "",
       [](const float* f, int c) { return f[c] * 0.5f; }},
      {"mono-gain", 1, "x.wav", "--set 10=0.75", 1, SF_FORMAT_WAV | SF_FORMAT_FLOAT, "",
       [](const float* f, int) { return f[0] * 0.501187f; }},
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
        const bool close = std::isnan(want) ? std::isnan(got) : std::fabs(got - want) <= 1.0f / (1 << 15);
        ASSERT_TRUE(close) << "frame " << i << ", channel " << ch << ": " << got << " for " << want;
      }
    }
  }
}

}  // namespace
}  // namespace talvo::test
