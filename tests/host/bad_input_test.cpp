// talvo-host attacked with bad input and with plug-ins that lie: every case
// ends in one line on standard error and a non-zero exit, never an abort, a
// hang or a success, and leaves no output file behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "host/tool_run.h"

namespace talvo::test {
namespace {

TEST(BadInput, EachCaseFailsWithOneLineAndLeavesNoFileBehind) {
  const WorkFolder work;
  writeAudio(work / "in.wav", noise(48000.0, 0.25, 2));
  writeAudio(work / "quad.wav", noise(48000.0, 0.25, 4));
  Audio nan = noise(48000.0, 0.25, 2);
  nan.samples[100] = std::numeric_limits<float>::quiet_NaN();
  nan.samples[101] = std::numeric_limits<float>::infinity();
  writeAudio(work / "nan.wav", nan);
  std::filesystem::create_directory(work / "folder");
  std::ofstream(work / "kept.wav") << "an earlier render";
  const std::vector<std::string> inputs = work.names();

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
  EXPECT_EQ(work.names(), inputs) << "no output and no temporary file is left";
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
