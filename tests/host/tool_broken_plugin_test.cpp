// talvo-host on plug-ins that are not ours: the broken test plug-in in its
// honest gain modes, validate against each of its faults, and bad input and
// lying plug-ins, which end in one line on standard error and no file left.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <limits>
#include <string>
#include <vector>

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
    const ScratchDir work;
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

ToolRun validate(const std::string& bundle) {
  return runTool("validate " + bundle + " --strictness 10 --seed 7");
}

TEST(ValidateTool, OrielPassesEveryCheckAtTheHighestStrictness) {
  const ToolRun result = validate(TALVO_BUNDLE_PATH);
  EXPECT_EQ(result.status, 0) << result.output;
  EXPECT_NE(result.output.find("\n26 passed, 0 failed\n"), std::string::npos) << result.output;
}

TEST(ValidateTool, EachCheckFailsOnTheFaultItLooksFor) {
  const std::pair<const char*, const char*> cases[] = {
      // mode, the line that must appear; the honest modes pass everything.
      {"gain", "\n23 passed, 0 failed\n"},
      {"mono-gain", "\n17 passed, 0 failed\n"},
      {"entry-fails", "FAIL  factory and classes: ModuleEntry of "},
      {"bus-channels", "FAIL  bus scanning: the plug-in claims 1048576 channels on audio input bus 0"},
      {"param-ids", "FAIL  parameter scanning: two parameters have the id 10\n"},
      {"abort-on-suspend", "FAIL  suspend and resume: the plug-in crashed the host (Aborted)\n"},
      {"latency-0x80000000", "FAIL  process formats: the plug-in reports a latency of 2147483648 frames"},
      {"nan", "FAIL  variable and odd block sizes: the output holds a NaN or infinite sample"},
      {"silence-lie", "FAIL  silence flags: output bus 0 channel 0 is flagged silent but holds"},
      {"zero-frame",
       "FAIL  zero-frame parameter flush: the processor refuses a zero-frame block without buffers\n"},
      {"thread-bound", "FAIL  processing on another thread: the output on another thread differs"},
      {"state-forgets",
       "FAIL  state round trip: the state saved after restoring differs from the one restored"},
      {"state-half",
       "FAIL  garbage and truncated state: a refused state cut to 8 bytes changed the plug-in's state\n"},
      {"global-state", "FAIL  many instances at once: instance 0 of 32 differs from an instance alone"},
  };
  for (const auto& [mode, line] : cases) {
    const ToolRun result = validate(broken(mode));
    EXPECT_EQ(result.status, std::string(line).find("FAIL") == 0 ? 1 : 0) << mode << "\n" << result.output;
    EXPECT_NE(result.output.find(line), std::string::npos) << mode << "\n" << result.output;
  }
}

std::vector<std::string> names(const ScratchDir& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(BadInput, EachCaseFailsWithOneLineAndLeavesNoFileBehind) {
  const ScratchDir work;
  writeAudio(work / "in.wav", noise(48000.0, 0.25, 2));
  writeAudio(work / "quad.wav", noise(48000.0, 0.25, 4));
  Audio nan = noise(48000.0, 0.25, 2);
  nan.samples[100] = std::numeric_limits<float>::quiet_NaN();
  nan.samples[101] = std::numeric_limits<float>::infinity();
  writeAudio(work / "nan.wav", nan);
  std::filesystem::create_directory(work / "folder");
  work.write("kept.wav", "an earlier render");
  const std::vector<std::string> inputs = names(work);

  const std::string oriel = TALVO_BUNDLE_PATH;
  const std::string in = " --in " + work / "in.wav";
  const std::string out = " --out " + work / "never.wav";
  const struct {
    std::string arguments;
    int status;
    std::string words;
  } cases[] = {
      // Paths that are no bundle never reach the dynamic loader's search path.
      {"info ''", 1, "no bundle given"},
      {"info libc.so.6", 1, "cannot open libc.so.6: No such file"},
      {"info /dev/zero", 1, "/dev/zero is neither a bundle directory nor a module file"},
      {"info " + work / "folder", 1, "is not a VST3 bundle: it has no module Contents/"},
      {"info " + work / "in.wav", 1, "cannot load"},
      // Plug-ins that fail or lie.
      {"info " + broken("entry-fails"), 1, "entry-fails.so failed"},
      {"info " + broken("classes"), 1,
       "the factory claims 2147483647 classes; this host believes at most 1024"},
      {"info " + broken("bus-count"), 1, "claims 2147483647 audio output buses"},
      {"render " + broken("bus-channels") + in + out, 1, "claims 1048576 channels on audio input bus 0"},
      {"info " + broken("latency-0xFFFFFFFF"), 1, "latency of 4294967295 frames at 48000 Hz"},
      {"render " + broken("latency-0x80000000") + in + out + " --align", 1, "latency of 2147483648 frames"},
      {"render " + broken("nan") + in + " --out " + work / "kept.wav", 1,
       "non-finite samples (NaN or infinity): 24000 in the plug-in's output; nothing written"},
      {"render " + broken("gain") + " --in " + work / "nan.wav" + out, 1,
       ": 2 in the input, 2 in the plug-in's output"},
      {"render " + broken("state-seek") + in + out + " --state-out " + work / "never.state", 1,
       "state passes the 16 MiB"},
      // Command lines.
      {"frobnicate", 2, "unknown verb \"frobnicate\"; the verbs are info, render, validate"},
      {"render " + oriel + in + " --block", 2, "render: --block: 1 required FRAMES missing"},
      {"info " + oriel + " --bogus", 2, "info: the following argument was not expected: --bogus"},
      {"render " + oriel + in + out + " --tail nan", 2, "\"nan\" is not a number in [0 - 3600]"},
      // Files and options.
      {"render " + oriel + in + out + " --state-in /dev/zero", 1, "/dev/zero is larger than 16 MiB"},
      {"render " + oriel + in + out + " --state-in " + work / "folder", 1, "folder: it is a directory"},
      {"render " + oriel + in + out + " --state-in " + work / "in.wav", 1,
       "the plug-in refused the state in"},
      {"render " + oriel + in + " --out " + work / "in.wav", 2, "--out names the input file"},
      {"render " + oriel + in + " --out " + work / "never.mp3", 2, "cannot tell the format of"},
      {"render " + oriel + in + " --out " + work / "never.ogg --bits 24", 2, "Ogg Vorbis has no sample size"},
      {"render " + oriel + in + out + " --block 100000", 1,
       "the plug-in takes blocks of at most 16384 frames at 48000 Hz; --block 100000 is more"},
      {"render " + oriel + " --in " + work / "quad.wav" + out, 1,
       "the input has 4 channels but the plug-in's input takes 2; --mix-down"},
      {"render " + oriel + " --in " + work / "absent.wav" + out, 1, "cannot read"},
      {"render " + oriel + in + out + " --set oriel.speed=1", 2, "oriel.speed"},
      {"render " + oriel + in + out + " --automate oriel.wet=0:1 --automate oriel.wet=1:0", 2,
       "automated twice"},
  };
  for (const auto& c : cases) {
    const ToolRun result = runTool(c.arguments);
    EXPECT_EQ(result.status, c.status) << c.arguments << "\n" << result.output;
    EXPECT_EQ(result.output.rfind("talvo-plugin-shell: ", 0), 0u) << result.output;
    EXPECT_NE(result.output.find(c.words), std::string::npos) << result.output;
    EXPECT_EQ(std::count(result.output.begin(), result.output.end(), '\n'), 1) << result.output;
  }
  EXPECT_EQ(names(work), inputs) << "no output and no temporary file is left";
  std::ifstream kept(work / "kept.wav");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "an earlier render");
}

TEST(BadInput, HelpAndTheVersionAreNoErrors) {
  for (const char* arguments : {"--help", "render --help", "validate --help", "--version"}) {
    const ToolRun result = runTool(arguments);
    EXPECT_EQ(result.status, 0) << arguments << "\n" << result.output;
    EXPECT_NE(result.output.find("talvo-host"), std::string::npos) << result.output;
  }
}

}  // namespace
}  // namespace talvo::test
