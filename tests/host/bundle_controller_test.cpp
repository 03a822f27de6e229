// The built bundle's processor and controller connected through the host's
// proxies: what the page and the host set reaches both, and the ear; and the
// exported function that finds the bundle's UI from inside it. Its classes and
// identifiers show in talvo-host's info document.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "host/bundle_session.h"
#include "hosting/automation.h"
#include "hosting/offline_render.h"
#include "hosting/param_changes.h"
#include "hosting/process_buffers.h"

namespace talvo::host {
namespace {

using Steinberg::kResultOk;

// Hands one page message to the instance's controller through the bundle's exported function.
void sendFromPage(PluginInstance& instance, const std::string& json) {
  using DeliverFn = int (*)(Steinberg::FUnknown*, const char*, std::size_t);
  auto deliver =
      reinterpret_cast<DeliverFn>(test::bundleModule()->symbol("talvoDeliverDiagnosticBridgeMessage"));
  ASSERT_NE(deliver, nullptr);
  ASSERT_EQ(deliver(instance.controller(), json.data(), json.size()), 1);
}

TEST(BundleController, ACcMapSetFromThePageReachesTheProcessorsSavedState) {
  const auto instance = test::newInstance();
  ASSERT_NE(instance, nullptr);
  const std::string map = R"({"version":1,"bindings":[{"cc":74,"path":"oriel.depth"}]})";
  sendFromPage(*instance, R"({"type":"talvo.setCcMap","map":)" + map + "}");
  std::string state, error;
  ASSERT_TRUE(instance->getState(state, error)) << error;
  EXPECT_NE(state.find(R"("ccMap":)" + map), std::string::npos) << state;
}

TEST(BundleController, AParameterIsNamedByIdPathOrTitleAndItsValueMustBeInRange) {
  const auto instance = test::newInstance();
  ASSERT_NE(instance, nullptr);
  const ParameterDirectory directory(instance->controller());
  const struct {
    const char* text;
    Steinberg::Vst::ParamID id;
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
       "unknown parameter \"oriel.speed\"; the plug-in's parameters are \"Rate\" (0), \"Depth\" (1), \"Mix\" "
       "(2), "
       "\"Factory Presets\" (1057030145)"},
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

TEST(BundleController, AParameterThePageSetsIsHeardInTheNextBlock) {
  const auto instance = test::newInstance();
  ASSERT_NE(instance, nullptr);
  std::string error;
  ASSERT_TRUE(instance->start(48000.0, 256, Steinberg::Vst::kRealtime, error)) << error;
  ProcessBuffers buffers(2, 2, 256);
  ParameterChanges changes(blockParameterCapacity(*instance), 1);
  // One block as a host plays it: the controller's edits, then the audio.
  const auto playBlock = [&] {
    changes.clear();
    ASSERT_TRUE(instance->componentHandler().drainInto(changes));
    for (int c = 0; c < 2; ++c) {
      for (int i = 0; i < 256; ++i)
        buffers.input(c)[i] = static_cast<float>(std::sin(0.05 * i));
    }
    ASSERT_EQ(
        instance->processor()->process(buffers.prepare(256, &changes, nullptr, Steinberg::Vst::kRealtime)),
        kResultOk);
  };
  playBlock();
  EXPECT_NE(buffers.output(0)[200], buffers.input(0)[200]) << "fully wet: the delayed signal";
  sendFromPage(*instance, R"({"type":"talvo.setParam","path":"oriel.wet","value":0})");
  playBlock();
  for (int i = 0; i < 256; i += 17)
    EXPECT_FLOAT_EQ(buffers.output(0)[i], buffers.input(0)[i]) << "all dry, frame " << i;
}

TEST(BundleExports, UiRootForDiagnosticsFindsTheBundlesUiDirectory) {
  auto uiRoot =
      reinterpret_cast<const char* (*)()>(test::bundleModule()->symbol("talvoPluginUiRootForDiagnostics"));
  ASSERT_NE(uiRoot, nullptr);
  EXPECT_TRUE(std::filesystem::equivalent(uiRoot(), TALVO_BUNDLE_PATH "/Contents/Resources/ui")) << uiRoot();
}

}  // namespace
}  // namespace talvo::host
