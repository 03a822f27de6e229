// The built bundle loaded through the hosting library: its processor and
// controller connected through the host's proxies, the processor's latency
// and parameter points on their exact frames, its answers to the catalogue's
// messages, and the exported function that finds the bundle's UI from inside
// it. Its classes and identifiers show in talvo-host's info document.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "banks/bank_writer.h"
#include "host/bundle_session.h"
#include "hosting/automation.h"
#include "hosting/param_changes.h"
#include "hosting/process_buffers.h"

namespace talvo::host {
namespace {

using namespace Steinberg::Vst;
using Steinberg::kResultFalse;
using Steinberg::kResultOk;

constexpr char kMap[] = R"({"version":1,"bindings":[{"cc":74,"path":"oriel.depth"}]})";
constexpr char kPads[] = R"({"kick":{"gain":0.5}})";

TEST(BundleController, AParameterIsNamedByIdPathOrTitleAndItsValueMustBeInRange) {
  const auto instance = test::newInstance();
  ASSERT_NE(instance, nullptr);
  const ParameterDirectory directory(instance->controller());
  const struct {
    const char* text;
    ParamID id;
    double normalized;
    const char* error;
  } cases[] = {
      {"oriel.rate=20", 0, 1.0, ""},
      {"Rate=0.1", 0, 0.0, ""},
      {"mix=0.25", 2, 0.25, ""},
      {"DryWetMix=1", 2, 1.0, ""},
      {"1=0.5", 1, 0.5, ""},
      {"oriel.rate=30", 0, 0, "Rate takes 0.1 .. 20 Hz; 30 is outside"},
      {"oriel.speed=1", 0, 0,
       "unknown parameter \"oriel.speed\"; the plug-in's parameters are \"Rate\" (0), \"Depth\" (1), "
       "\"Mix\" (2), \"Factory Presets\" (1057030145)"},
      {"3=0", 0, 0, "unknown parameter \"3\""},
  };
  for (const auto& c : cases) {
    ParamSetting setting;
    std::string error;
    EXPECT_EQ(parseSetting(directory, c.text, setting, error), *c.error == '\0') << c.text << ": " << error;
    EXPECT_NE(error.find(c.error), std::string::npos) << c.text << ": " << error;
    if (*c.error != '\0') continue;
    EXPECT_EQ(setting.id, c.id) << c.text;
    EXPECT_DOUBLE_EQ(setting.normalized, c.normalized) << c.text;
  }
}

TEST(BundleExports, UiRootForDiagnosticsFindsTheBundlesUiDirectory) {
  auto uiRoot =
      reinterpret_cast<const char* (*)()>(test::bundleModule()->symbol("talvoPluginUiRootForDiagnostics"));
  ASSERT_NE(uiRoot, nullptr);
  EXPECT_TRUE(std::filesystem::equivalent(uiRoot(), TALVO_BUNDLE_PATH "/Contents/Resources/ui")) << uiRoot();
}

// At the kernel's own rate there is no adapter; the other rates' latencies show in the render tool's tests.
TEST(BundleProcessor, NoLatencyAtTheKernelsOwnRate) {
  const auto instance = test::newInstance();
  ASSERT_NE(instance, nullptr);
  std::string error;
  ASSERT_TRUE(instance->start(48000.0, 512, kRealtime, error)) << error;
  EXPECT_EQ(instance->processor()->getLatencySamples(), 0u);
}

// A rising ramp below full scale, so the delay line never clips it.
float ramp(int frame) {
  return static_cast<float>(frame + 1) / 1024.0f;
}

TEST(BundleProcessor, WetChangesReachTheAudioAtTheirFrames) {
  constexpr int kBlock = 256;
  constexpr int kCentreDelay = 120;  // with depth 0 the wet path is the input delayed this much
  constexpr ParamID kDepth = 1, kWet = 2;
  // Wet steps after wet 0 at offset 0: on either side of and on the kernel's
  // chunk edge at 128, on the last frame, on and off again.
  const std::vector<std::pair<int, double>> cases[] = {{{1, 1.0}},   {{127, 1.0}},
                                                       {{128, 1.0}}, {{200, 1.0}},
                                                       {{255, 1.0}}, {{130, 1.0}, {140, 0.0}, {250, 1.0}}};
  ProcessBuffers buffers(2, 2, kBlock);
  for (int c = 0; c < 2; ++c)
    for (int i = 0; i < kBlock; ++i)
      buffers.input(c)[i] = ramp(i);
  for (const auto& wetSteps : cases) {
    SCOPED_TRACE("first step at " + std::to_string(wetSteps[0].first));
    auto instance = test::newInstance();
    ASSERT_NE(instance, nullptr);
    std::string error;
    ASSERT_TRUE(instance->start(48000.0, kBlock, kRealtime, error)) << error;
    ParameterChanges changes(2, 8);
    ASSERT_TRUE(changes.addPoint(kDepth, 0, 0.0));
    ASSERT_TRUE(changes.addPoint(kWet, 0, 0.0));
    for (auto [offset, wet] : wetSteps)
      ASSERT_TRUE(changes.addPoint(kWet, offset, wet));
    ASSERT_EQ(instance->processor()->process(buffers.prepare(kBlock, &changes, nullptr, kRealtime)),
              Steinberg::kResultOk);

    // Expected from the steps alone: the input while wet is 0, the input
    // delayed by the centre delay while wet is 1.
    double wet = 0.0;
    for (int i = 0; i < kBlock; ++i) {
      for (auto [offset, value] : wetSteps)
        if (offset == i) wet = value;
      const float expected = wet == 0.0 ? ramp(i) : (i >= kCentreDelay ? ramp(i - kCentreDelay) : 0.0f);
      ASSERT_EQ(buffers.output(0)[i], expected) << "frame " << i;
      ASSERT_EQ(buffers.output(1)[i], expected) << "frame " << i;
    }
  }
}

TEST(ProcessorMessages, EachMessageGetsItsResultAndOnlyLoadRequestsAreAnswered) {
  const auto instance = test::newInstance();
  ASSERT_NE(instance, nullptr);
  // A CC map the page sets reaches the processor through the controller and
  // the host's connection, to show in the saved state at the end.
  auto deliver = reinterpret_cast<int (*)(Steinberg::FUnknown*, const char*, std::size_t)>(
      test::bundleModule()->symbol("talvoDeliverDiagnosticBridgeMessage"));
  const std::string setMap = std::string(R"({"type":"talvo.setCcMap","map":)") + kMap + "}";
  ASSERT_EQ(deliver(instance->controller(), setMap.data(), setMap.size()), 1);
  const talvo::test::TempBank pack;
  pack.pack();
  const std::string reply = "talvo.runtimeBankResult ";
  const std::string report = "talvo.runtimeDiagnostics ";
  const std::string request = "\n" + pack.dir();  // no source: a user folder
  // Identifier, "json" attribute (null: none), result, what the processor sent back.
  const std::tuple<const char*, const char*, Steinberg::tresult, std::string> cases[] = {
      {"talvo.loadRuntimeBank", "hosted", kResultOk, reply + "bank-missing\n"},
      {"talvo.loadRuntimeBank", request.c_str(), kResultOk,
       report + reply + "bank-too-large\nthe engine refused the staged bank (arena capacity)"},
      {"talvo.loadRuntimeBank", nullptr, kResultOk, ""},
      {"talvo.diag.transportPoll", nullptr, kResultOk, ""},
      {"talvo.diag.feedDrain", nullptr, kResultOk, ""},
      {"talvo.diag.resetCounters", nullptr, kResultOk, ""},
      {"talvo.diag.presetLoaded", "factory", kResultOk, ""},
      // Pad overrides reach the saved state; malformed ones, and a malformed map, change nothing.
      {"talvo.ccMap", "{", kResultOk, ""},
      {"talvo.padOverrides", kPads, kResultOk, ""},
      {"talvo.padOverrides", "{", kResultOk, ""},
      {"talvo.stageResourceSlot", "{}", kResultFalse, ""},
      {"talvo.unknown", "{}", kResultFalse, ""},
  };
  for (const auto& [id, text, result, expected] : cases) {
    instance->clearProcessorMessages();
    const std::string json = text ? text : "";
    EXPECT_EQ(instance->sendToProcessor(id, text ? &json : nullptr), result) << id;
    std::string sent;
    for (const RecordedMessage& m : instance->processorMessages().messages()) {
      sent += m.id + " " + (m.id + " " == reply ? m.json : "");
      EXPECT_TRUE(m.id + " " != report || m.json.find(R"(\"source\":\"user-folder\")") != std::string::npos);
    }
    EXPECT_EQ(sent, expected) << id << " " << json;
  }

  std::string state, error;
  ASSERT_TRUE(instance->getState(state, error)) << error;
  EXPECT_EQ(state, R"({"params":{"oriel.rate":5,"oriel.depth":0.1,"oriel.wet":1},"variation":16,"ccMap":)" +
                       std::string(kMap) + R"(,"sampler":{"v":1,"pads":)" + kPads + "}}");
}

}  // namespace
}  // namespace talvo::host
