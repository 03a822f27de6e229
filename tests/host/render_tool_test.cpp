// talvo-host end to end on the built bundle: renders must not depend on the
// block size and are delayed by exactly the latency the plug-in reports;
// states and sound packs reach the plug-in as a host hands them over.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <tuple>

#include "banks/bank_writer.h"
#include "bridge/golden.h"
#include "talvo_host/audio_file.h"

namespace talvo::host {
namespace {

struct RunResult {
  int status = -1;
  std::string output;  // standard output and standard error together
};

RunResult run(const std::string& arguments) {
  RunResult result;
  FILE* pipe = popen((std::string(TALVO_BINARY_DIR) + "/talvo-host " + arguments + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
    result.output += buffer;
  const int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

// Per process, since ctest runs the cases of this file side by side; removed
// when the suite ends.
std::set<std::string> gWorkFiles;

std::string workFile(const std::string& name) {
  const std::string path = testing::TempDir() + "talvo_render_" + std::to_string(getpid()) + "_" + name;
  gWorkFiles.insert(path);
  return path;
}

// `seconds` of stereo noise below full scale, different in each channel.
AudioData testSignal(double rate, int seconds) {
  AudioData audio;
  audio.channels = 2;
  audio.sampleRate = rate;
  audio.samples.resize(static_cast<std::size_t>(rate) * static_cast<std::size_t>(seconds) * 2);
  std::uint32_t noise = 12345;
  for (float& sample : audio.samples) {
    noise = noise * 1664525u + 1013904223u;
    sample = static_cast<float>(noise >> 8) / 16777216.0f - 0.5f;
  }
  return audio;
}

void write(const std::string& name, const AudioData& audio) {
  std::string error;
  ASSERT_TRUE(writeAudioFile(workFile(name), audio, error)) << error;
}

AudioData read(const std::string& name) {
  AudioData audio;
  std::string error;
  EXPECT_TRUE(readAudioFile(workFile(name), audio, error)) << error;
  return audio;
}

// `talvo-host render` of the work file `in` into the work file `out`.
RunResult render(const std::string& in, const std::string& out, const std::string& arguments) {
  return run("render " TALVO_BUNDLE_PATH " --in " + workFile(in) + " --out " + workFile(out) + " " +
             arguments);
}

int reportedLatency(const std::string& summary) {
  const std::size_t at = summary.find("latency ");
  return at == std::string::npos ? -1 : std::atoi(summary.c_str() + at + 8);
}

class RenderTool : public testing::Test {
 protected:
  static void SetUpTestSuite() { write("in.wav", testSignal(44100.0, 10)); }
  static void TearDownTestSuite() {
    for (const std::string& path : gWorkFiles)
      std::remove(path.c_str());
  }
};

TEST_F(RenderTool, OutputDoesNotDependOnTheBlockSize) {
  for (std::string extra :
       {"", "--automate oriel.rate=0:0.5,2.5:8,7:1 --automate oriel.wet=1:1,9:0.2 --set oriel.depth=0.6"}) {
    SCOPED_TRACE(extra);
    const RunResult small = render("in.wav", "250.wav", extra + " --block 250");
    ASSERT_EQ(small.status, 0) << small.output;
    const RunResult large = render("in.wav", "1024.wav", extra + " --block 1024");
    ASSERT_EQ(large.status, 0) << large.output;
    const AudioData a = read("250.wav");
    ASSERT_EQ(a.channels, 2);
    ASSERT_EQ(a.frames(), 441000 + reportedLatency(small.output)) << small.output;
    EXPECT_TRUE(a.samples == read("1024.wav").samples);
    EXPECT_NE(a.samples[20000], read("in.wav").samples[20000]) << "the effect did something";
  }
}

// Energy centre of the first channel's response to one click, in frames.
double clickCentre(const AudioData& audio) {
  double weight = 0, moment = 0;
  for (std::int64_t i = 0; i < audio.frames(); ++i) {
    const double x = audio.samples[static_cast<std::size_t>(i * audio.channels)];
    weight += x * x;
    moment += x * x * static_cast<double>(i);
  }
  return weight > 0 ? moment / weight : -1.0;
}

TEST_F(RenderTool, OutputIsDelayedByTheReportedLatencyUnlessAligned) {
  AudioData click;
  click.channels = 1;
  click.sampleRate = 44100.0;
  click.samples.assign(44100, 0.0f);
  click.samples[10000] = 0.5f;
  write("click.wav", click);
  // Fully dry, so only the rate adapter's delay remains. The true delay is
  // fractional; the reported one is that delay rounded up.
  const RunResult raw = render("click.wav", "raw.wav", "--set oriel.wet=0 --block 300");
  ASSERT_EQ(raw.status, 0) << raw.output;
  const int latency = reportedLatency(raw.output);
  ASSERT_EQ(latency, 35) << raw.output;
  const AudioData out = read("raw.wav");
  EXPECT_EQ(out.frames(), 44100 + latency);
  EXPECT_GT(clickCentre(out) - 10000.0, latency - 1.0);
  EXPECT_LE(clickCentre(out) - 10000.0, latency);

  const RunResult aligned = render("click.wav", "aligned.wav", "--set oriel.wet=0 --block 300 --align");
  ASSERT_EQ(aligned.status, 0) << aligned.output;
  const AudioData lined = read("aligned.wav");
  EXPECT_EQ(lined.frames(), 44100);
  EXPECT_GT(clickCentre(lined) - 10000.0, -1.0);
  EXPECT_LE(clickCentre(lined) - 10000.0, 0.0);
}

// Mix 0 from the command line, or from a state handed over before the render.
TEST_F(RenderTool, AtTheKernelRateADrySignalPassesUnchangedFromTheFirstChannel) {
  const AudioData in = testSignal(48000.0, 1);
  write("in48.wav", in);
  std::ofstream(workFile("dry.json")) << R"({"params":{"oriel.wet":0}})";
  for (const std::string& dry : {std::string("--set oriel.wet=0"), "--state-in " + workFile("dry.json")}) {
    const RunResult result = render("in48.wav", "out48.wav", dry);
    ASSERT_EQ(result.status, 0) << result.output;
    EXPECT_EQ(reportedLatency(result.output), 0);
    const AudioData out = read("out48.wav");
    ASSERT_EQ(out.samples.size(), in.samples.size());
    for (std::size_t i = 0; i < out.samples.size(); ++i)
      ASSERT_EQ(out.samples[i], in.samples[i & ~std::size_t{1}]) << dry << ", sample " << i;
  }
}

TEST_F(RenderTool, SavedStateReproducesTheSettingsItWasSavedWith) {
  const RunResult first = render(
      "in.wav", "set.wav",
      "--set oriel.depth=0.8 --set oriel.rate=11 --set oriel.wet=0.6 --state-out " + workFile("state"));
  ASSERT_EQ(first.status, 0) << first.output;
  const RunResult second = render("in.wav", "restored.wav", "--state-in " + workFile("state"));
  ASSERT_EQ(second.status, 0) << second.output;
  EXPECT_TRUE(read("set.wav").samples == read("restored.wav").samples);
}

TEST_F(RenderTool, InfoDescribesTheBundleAsOneLineOfJson) {
  const RunResult info = run("info " TALVO_BUNDLE_PATH " --json --rate 96000");
  ASSERT_EQ(info.status, 0) << info.output;
  ASSERT_EQ(std::count(info.output.begin(), info.output.end(), '\n'), 1);
  talvo::test::expectGolden("talvo_host_info_96k.json", info.output.substr(0, info.output.size() - 1));
}

TEST_F(RenderTool, BadArgumentsFailWithOneLineAndNoOutputFile) {
  const struct {
    std::string arguments;
    int status;
  } cases[] = {
      {"render " TALVO_BUNDLE_PATH " --in " + workFile("in.wav") + " --set oriel.speed=1", 2},
      {"render " TALVO_BUNDLE_PATH " --in " + workFile("in.wav") +
           " --automate oriel.wet=0:1 --automate oriel.wet=1:0",
       2},
      {"render " TALVO_BUNDLE_PATH " --in " + workFile("absent.wav"), 1},
      // Not a state: refused before any audio file is written.
      {"render " TALVO_BUNDLE_PATH " --in " + workFile("in.wav") + " --state-in " + workFile("in.wav"), 1},
  };
  for (const auto& c : cases) {
    const RunResult result = run(c.arguments + " --out " + workFile("never.wav"));
    EXPECT_EQ(result.status, c.status) << c.arguments;
    EXPECT_EQ(result.output.rfind("talvo-plugin-shell: ", 0), 0u) << result.output;
    EXPECT_EQ(std::count(result.output.begin(), result.output.end(), '\n'), 1) << result.output;
  }
  EXPECT_EQ(run("info " + workFile("in.wav")).status, 1);
  EXPECT_EQ(std::fopen(workFile("never.wav").c_str(), "rb"), nullptr);
}

TEST_F(RenderTool, BankSaysWhatThePluginAnsweredAndFailsForAMissingOrBrokenPack) {
  const talvo::test::TempBank good, broken;
  good.pack();
  broken.pack();
  broken.write("bank.json", std::string("{\"format\":"));
  const std::tuple<std::string, int, std::string> cases[] = {
      // arguments, exit status, words
      {good.dir(), 0, "(arena capacity)\ninstrument: the pack's first instrument or kit\n"},
      {good.dir() + "/gone --instrument piano", 1, "/gone/bank.json\ninstrument: piano, as requested\n"},
      {broken.dir(), 1, "is broken)\ndetail: bank.json is not a JSON object\n"},
  };
  for (const auto& [arguments, status, words] : cases) {
    const RunResult result = run("bank " TALVO_BUNDLE_PATH " " + arguments);
    EXPECT_EQ(result.status, status) << result.output;
    EXPECT_NE(result.output.find(words), std::string::npos) << result.output;
  }
}

}  // namespace
}  // namespace talvo::host
