// talvo-host end to end on the built bundle: the render output must not
// depend on the block size (with and without automation), it must be delayed
// by exactly the latency the plug-in reports, and states and sound packs
// reach the plug-in as a host would hand them over.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <tuple>

#include "banks/bank_writer.h"
#include "talvo_host/audio_file.h"

namespace talvo::host {
namespace {

struct RunResult {
  int status = -1;
  std::string output;  // standard output and standard error together
};

RunResult run(const std::string& arguments) {
  std::string command = std::string(TALVO_BINARY_DIR) + "/talvo-host " + arguments + " 2>&1";
  RunResult result;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
    result.output += buffer;
  int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string bundle() {
  return TALVO_BUNDLE_PATH;
}

// Per process, since ctest runs the cases of this file side by side; removed
// when the suite ends.
std::set<std::string>& workFiles() {
  static std::set<std::string> files;
  return files;
}

std::string workFile(const std::string& name) {
  std::string path = testing::TempDir() + "talvo_render_" + std::to_string(getpid()) + "_" + name;
  workFiles().insert(path);
  return path;
}

// Ten seconds of stereo at 44100 Hz: a few partials and deterministic noise,
// different in each channel.
AudioData testSignal() {
  AudioData audio;
  audio.channels = 2;
  audio.sampleRate = 44100.0;
  const std::int64_t frames = 441000;
  audio.samples.resize(static_cast<std::size_t>(frames * 2));
  std::uint32_t noise = 12345;
  for (std::int64_t i = 0; i < frames; ++i) {
    double t = static_cast<double>(i) / audio.sampleRate;
    noise = noise * 1664525u + 1013904223u;
    double n = (static_cast<double>(noise >> 8) / 16777216.0 - 0.5) * 0.1;
    audio.samples[static_cast<std::size_t>(2 * i)] =
        static_cast<float>(0.4 * std::sin(2 * M_PI * 220 * t) + 0.2 * std::sin(2 * M_PI * 3150 * t) + n);
    audio.samples[static_cast<std::size_t>(2 * i + 1)] =
        static_cast<float>(0.3 * std::sin(2 * M_PI * 510 * t) - n);
  }
  return audio;
}

AudioData readOrFail(const std::string& path) {
  AudioData audio;
  std::string error;
  EXPECT_TRUE(readAudioFile(path, audio, error)) << error;
  return audio;
}

// `talvo-host render` of the work file `in` with further `arguments`.
RunResult render(const std::string& in, const std::string& arguments) {
  return run("render " + bundle() + " --in " + workFile(in) + " " + arguments);
}

int reportedLatency(const std::string& summary) {
  std::size_t at = summary.find("latency ");
  return at == std::string::npos ? -1 : std::atoi(summary.c_str() + at + 8);
}

class RenderTool : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    ASSERT_TRUE(writeAudioFile(workFile("in.wav"), testSignal(), error)) << error;
  }
  static void TearDownTestSuite() {
    for (const std::string& path : workFiles())
      std::remove(path.c_str());
  }
};

TEST_F(RenderTool, OutputDoesNotDependOnTheBlockSize) {
  const char* automation =
      "--automate oriel.rate=0:0.5,2.5:8,7:1 --automate oriel.wet=1:1,9:0.2 --set oriel.depth=0.6 ";
  for (std::string extra : {"", automation}) {
    RunResult small = render("in.wav", extra + "--block 256 --out " + workFile("256.wav"));
    ASSERT_EQ(small.status, 0) << small.output;
    RunResult large = render("in.wav", extra + "--block 1024 --out " + workFile("1024.wav"));
    ASSERT_EQ(large.status, 0) << large.output;
    AudioData a = readOrFail(workFile("256.wav"));
    AudioData b = readOrFail(workFile("1024.wav"));
    ASSERT_EQ(a.channels, 2);
    ASSERT_EQ(a.frames(), 441000 + reportedLatency(small.output)) << small.output;
    ASSERT_EQ(a.samples.size(), b.samples.size());
    EXPECT_TRUE(a.samples == b.samples) << (extra.empty() ? "without automation" : "with automation");
    // The effect did something: the output is not the input passed through.
    AudioData in = readOrFail(workFile("in.wav"));
    EXPECT_NE(a.samples[20000], in.samples[20000]);
  }
}

// Energy centre of the output's response to one click, in frames.
double clickCentre(const AudioData& audio) {
  double weight = 0, moment = 0;
  for (std::int64_t i = 0; i < audio.frames(); ++i) {
    double x = audio.samples[static_cast<std::size_t>(i * audio.channels)];
    weight += x * x;
    moment += x * x * static_cast<double>(i);
  }
  return weight > 0 ? moment / weight : -1.0;
}

TEST_F(RenderTool, OutputIsDelayedByTheReportedLatency) {
  AudioData click;
  click.channels = 1;
  click.sampleRate = 44100.0;
  click.samples.assign(44100, 0.0f);
  const std::int64_t at = 10000;
  click.samples[at] = 0.5f;
  std::string error;
  ASSERT_TRUE(writeAudioFile(workFile("click.wav"), click, error)) << error;

  // Fully dry, so only the rate adapter's delay remains.
  const std::string base = "--set oriel.wet=0 --block 300 ";
  RunResult raw = render("click.wav", base + "--out " + workFile("click_raw.wav"));
  ASSERT_EQ(raw.status, 0) << raw.output;
  const int latency = reportedLatency(raw.output);
  ASSERT_EQ(latency, 35) << raw.output;
  AudioData out = readOrFail(workFile("click_raw.wav"));
  EXPECT_EQ(out.frames(), 44100 + latency);
  // The true delay is fractional; the reported one is that delay rounded up.
  double delay = clickCentre(out) - static_cast<double>(at);
  EXPECT_GT(delay, latency - 1.0);
  EXPECT_LE(delay, static_cast<double>(latency));

  RunResult aligned = render("click.wav", base + "--align --out " + workFile("click_aligned.wav"));
  ASSERT_EQ(aligned.status, 0) << aligned.output;
  AudioData lined = readOrFail(workFile("click_aligned.wav"));
  EXPECT_EQ(lined.frames(), 44100);
  double residual = clickCentre(lined) - static_cast<double>(at);
  EXPECT_GT(residual, -1.0);
  EXPECT_LE(residual, 0.0);
}

// Mix 0 set from the command line or by a state given before the render.
TEST_F(RenderTool, AtTheKernelRateADrySignalPassesUnchanged) {
  AudioData in = testSignal();
  in.sampleRate = 48000.0;
  in.samples.resize(2 * 48000);
  std::string error;
  ASSERT_TRUE(writeAudioFile(workFile("in48.wav"), in, error)) << error;
  std::ofstream(workFile("dry.json")) << R"({"params":{"oriel.wet":0}})";
  for (const std::string& dry : {std::string("--set oriel.wet=0"), "--state-in " + workFile("dry.json")}) {
    RunResult result = render("in48.wav", dry + " --out " + workFile("out48.wav"));
    ASSERT_EQ(result.status, 0) << result.output;
    EXPECT_EQ(reportedLatency(result.output), 0);
    AudioData out = readOrFail(workFile("out48.wav"));
    ASSERT_EQ(out.frames(), in.frames());
    // The kernel is mono: both outputs carry the first input channel.
    for (std::size_t i = 0; i < out.samples.size(); ++i)
      ASSERT_EQ(out.samples[i], in.samples[i & ~std::size_t{1}]) << dry << ", sample " << i;
  }
}

TEST_F(RenderTool, SavedStateReproducesTheSettingsItWasSavedWith) {
  RunResult first = render("in.wav", "--set oriel.depth=0.8 --set oriel.rate=11 --set oriel.wet=0.6 --out " +
                                         workFile("set.wav") + " --state-out " + workFile("state"));
  ASSERT_EQ(first.status, 0) << first.output;
  RunResult second =
      render("in.wav", "--state-in " + workFile("state") + " --out " + workFile("restored.wav"));
  ASSERT_EQ(second.status, 0) << second.output;
  AudioData a = readOrFail(workFile("set.wav"));
  AudioData b = readOrFail(workFile("restored.wav"));
  ASSERT_EQ(a.samples.size(), b.samples.size());
  EXPECT_TRUE(a.samples == b.samples);
}

TEST_F(RenderTool, InfoReportsClassesBusesParametersAndLatencyAsJson) {
  RunResult info = run("info " + bundle() + " --json --rate 96000");
  ASSERT_EQ(info.status, 0) << info.output;
  const std::string& json = info.output;
  EXPECT_NE(json.find("\"cid\":\"88D15B9289D15D2586D1586C87D159FF\",\"name\":\"Oriel\""), std::string::npos)
      << json;
  EXPECT_NE(json.find("\"name\":\"Stereo In\",\"channels\":2"), std::string::npos) << json;
  EXPECT_NE(json.find("\"path\":\"oriel.rate\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"latency\":{\"sampleRate\":96000,\"samples\":56}"), std::string::npos) << json;
  EXPECT_EQ(std::count(json.begin(), json.end(), '\n'), 1);
}

TEST_F(RenderTool, BadArgumentsFailWithOneLineAndNoOutputFile) {
  std::string out = workFile("never.wav");
  std::remove(out.c_str());
  RunResult unknown = render("in.wav", "--out " + out + " --set oriel.speed=1");
  EXPECT_EQ(unknown.status, 2);
  EXPECT_EQ(unknown.output.rfind("talvo-plugin-shell: ", 0), 0u) << unknown.output;
  EXPECT_EQ(std::count(unknown.output.begin(), unknown.output.end(), '\n'), 1);
  RunResult twice = render("in.wav", "--out " + out + " --automate oriel.wet=0:1 --automate oriel.wet=1:0");
  EXPECT_EQ(twice.status, 2) << twice.output;
  RunResult missing = render("absent.wav", "--out " + out);
  EXPECT_EQ(missing.status, 1);
  RunResult notBundle = run("info " + workFile("in.wav"));
  EXPECT_EQ(notBundle.status, 1);
  RunResult notState = render("in.wav", "--out " + out + " --state-in " + workFile("in.wav"));
  EXPECT_EQ(notState.status, 1);
  EXPECT_EQ(notState.output,
            "talvo-plugin-shell: the plug-in refused the state in " + workFile("in.wav") + "\n");
  EXPECT_EQ(std::fopen(out.c_str(), "rb"), nullptr);
}

TEST_F(RenderTool, BankSaysWhatThePluginAnsweredAndFailsForAMissingOrBrokenPack) {
  const talvo::test::TempBank good, broken;
  good.pack();
  broken.pack();
  broken.write("bank.json", std::string("{\"format\":"));
  const std::tuple<std::string, int, std::string> cases[] = {
      // arguments, exit status, words
      {good.dir(), 0,
       "so its engine refused to stage it)\ndetail: the engine refused the staged bank (arena capacity)\n"
       "instrument: the pack's first instrument or kit\n"},
      {good.dir() + "/gone --instrument piano", 1, "/gone/bank.json\ninstrument: piano, as requested\n"},
      {broken.dir(), 1, "is broken)\ndetail: bank.json is not a JSON object\ninstrument: the pack's first"},
  };
  for (const auto& [arguments, status, words] : cases) {
    RunResult result = run("bank " + bundle() + " " + arguments);
    EXPECT_EQ(result.status, status) << result.output;
    EXPECT_NE(result.output.find(words), std::string::npos) << result.output;
  }
}

}  // namespace
}  // namespace talvo::host
