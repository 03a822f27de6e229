// talvo-host end to end on the built bundle: renders must not depend on the
// block size and are delayed by exactly the latency the plug-in reports;
// states and sound packs reach the plug-in as a host hands them over.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <tuple>

#include "banks/bank_writer.h"
#include "bridge/golden.h"
#include "host/tool_run.h"

namespace talvo::host {
namespace {

using test::Audio;
using test::readAudio;
using test::runTool;
using test::ToolRun;

// Per process, since ctest runs the cases of this file side by side.
std::unique_ptr<test::ScratchDir> gWork;

std::string workFile(const std::string& name) {
  return *gWork / name;
}

void write(const std::string& name, const Audio& audio) {
  test::writeAudio(workFile(name), audio);
}

Audio read(const std::string& name) {
  return readAudio(workFile(name));
}

// `talvo-host render` of the work file `in` into the work file `out`.
ToolRun render(const std::string& in, const std::string& out, const std::string& arguments) {
  return runTool("render " TALVO_BUNDLE_PATH " --in " + workFile(in) + " --out " + workFile(out) + " " +
                 arguments);
}

int reportedLatency(const std::string& summary) {
  const std::size_t at = summary.find("latency ");
  return at == std::string::npos ? -1 : std::atoi(summary.c_str() + at + 8);
}

class RenderTool : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    gWork = std::make_unique<test::ScratchDir>();
    write("in.wav", test::noise(44100.0, 10, 2));
  }
  static void TearDownTestSuite() { gWork.reset(); }
};

TEST_F(RenderTool, OutputDoesNotDependOnTheBlockSize) {
  for (std::string extra :
       {"", "--automate oriel.rate=0:0.5,2.5:8,7:1 --automate oriel.wet=1:1,9:0.2 --set oriel.depth=0.6"}) {
    SCOPED_TRACE(extra);
    const ToolRun small = render("in.wav", "250.wav", extra + " --block 250");
    ASSERT_EQ(small.status, 0) << small.output;
    const ToolRun large = render("in.wav", "1024.wav", extra + " --block 1024");
    ASSERT_EQ(large.status, 0) << large.output;
    const Audio a = read("250.wav");
    ASSERT_EQ(a.channels, 2);
    ASSERT_EQ(a.frames(), 441000 + reportedLatency(small.output)) << small.output;
    EXPECT_TRUE(a.samples == read("1024.wav").samples);
    EXPECT_NE(a.samples[20000], read("in.wav").samples[20000]) << "the effect did something";
  }
}

// Energy centre of the first channel's response to one click, in frames.
double clickCentre(const Audio& audio) {
  double weight = 0, moment = 0;
  for (std::int64_t i = 0; i < audio.frames(); ++i) {
    const double x = audio.samples[static_cast<std::size_t>(i * audio.channels)];
    weight += x * x;
    moment += x * x * static_cast<double>(i);
  }
  return weight > 0 ? moment / weight : -1.0;
}

TEST_F(RenderTool, OutputIsDelayedByTheReportedLatencyUnlessAligned) {
  Audio click{std::vector<float>(44100), 1, 44100.0};
  click.samples[10000] = 0.5f;
  write("click.wav", click);
  // Fully dry, so only the rate adapter's delay remains. The true delay is
  // fractional; the reported one is that delay rounded up.
  const ToolRun raw = render("click.wav", "raw.wav", "--set oriel.wet=0 --block 300");
  ASSERT_EQ(raw.status, 0) << raw.output;
  const int latency = reportedLatency(raw.output);
  ASSERT_EQ(latency, 35) << raw.output;
  const Audio out = read("raw.wav");
  EXPECT_EQ(out.frames(), 44100 + latency);
  EXPECT_GT(clickCentre(out) - 10000.0, latency - 1.0);
  EXPECT_LE(clickCentre(out) - 10000.0, latency);

  const ToolRun aligned = render("click.wav", "aligned.wav", "--set oriel.wet=0 --block 300 --align");
  ASSERT_EQ(aligned.status, 0) << aligned.output;
  const Audio lined = read("aligned.wav");
  EXPECT_EQ(lined.frames(), 44100);
  EXPECT_GT(clickCentre(lined) - 10000.0, -1.0);
  EXPECT_LE(clickCentre(lined) - 10000.0, 0.0);
}

TEST_F(RenderTool, SavedStateReproducesTheSettingsItWasSavedWith) {
  const ToolRun first = render(
      "in.wav", "set.wav",
      "--set oriel.depth=0.8 --set oriel.rate=11 --set oriel.wet=0.6 --state-out " + workFile("state"));
  ASSERT_EQ(first.status, 0) << first.output;
  const ToolRun second = render("in.wav", "restored.wav", "--state-in " + workFile("state"));
  ASSERT_EQ(second.status, 0) << second.output;
  EXPECT_TRUE(read("set.wav").samples == read("restored.wav").samples);
}

TEST_F(RenderTool, InfoDescribesTheBundleAsOneLineOfJson) {
  const ToolRun info = runTool("info " TALVO_BUNDLE_PATH " --json --rate 96000");
  ASSERT_EQ(info.status, 0) << info.output;
  ASSERT_EQ(std::count(info.output.begin(), info.output.end(), '\n'), 1);
  talvo::test::expectGolden("talvo_host_info_96k.json", info.output.substr(0, info.output.size() - 1));
}

TEST_F(RenderTool, BridgeAnswersEachPageMessageOnItsOwnLine) {
  gWork->write("page.txt", R"({"type":"talvo.ready"}
{"type":"talvo.setParam","path":"oriel.depth","value":0.25}
{"type":"talvo.getState"})");
  const ToolRun bridge = runTool("bridge " TALVO_BUNDLE_PATH " < " + workFile("page.txt"));
  ASSERT_EQ(bridge.status, 0) << bridge.output;
  const std::size_t helloEnd = bridge.output.find('\n');
  ASSERT_EQ(bridge.output.rfind(R"({"type":"talvo.hello",)", 0), 0u) << bridge.output;
  EXPECT_EQ(bridge.output.substr(helloEnd + 1),
            R"({"type":"talvo.state","state":{"params":{"oriel.rate":5,"oriel.depth":0.25,"oriel.wet":1}}})"
            "\n");
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
    const ToolRun result = runTool("bank " TALVO_BUNDLE_PATH " " + arguments);
    EXPECT_EQ(result.status, status) << result.output;
    EXPECT_NE(result.output.find(words), std::string::npos) << result.output;
  }
}

}  // namespace
}  // namespace talvo::host
