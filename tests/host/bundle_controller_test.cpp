// The built bundle's processor and controller connected through the host's
// proxies: what the page and the host set reaches both, and the ear.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "host/bundle_session.h"
#include "hosting/offline_render.h"
#include "params/params.h"

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
  std::string state;
  ASSERT_TRUE(instance->getState(state));
  EXPECT_NE(state.find(R"("ccMap":)" + map), std::string::npos) << state;
}

TEST(BundleController, ARestoredComponentStateLeavesBothComponentsAgreeing) {
  const auto instance = test::newInstance();
  ASSERT_NE(instance, nullptr);
  const std::string state =
      R"({"params":{"oriel.rate":10,"oriel.depth":0.5,"oriel.wet":0.25},"variation":16})";
  ASSERT_TRUE(instance->setState(state));
  std::string saved;
  ASSERT_TRUE(instance->getState(saved));
  EXPECT_EQ(saved, state);
  const double plain[] = {10, 0.5, 0.25};
  for (std::uint32_t id = 0; id < TALVO_PARAM_COUNT; ++id)
    EXPECT_EQ(instance->controller()->getParamNormalized(id),
              talvo_param_normalize(&TALVO_PARAMS[id], plain[id]));
}

TEST(BundleController, AParameterThePageSetsIsHeardInTheNextRenderedBlock) {
  const auto instance = test::newInstance();
  ASSERT_NE(instance, nullptr);
  std::vector<float> input(2048);
  for (std::size_t i = 0; i < input.size(); ++i)
    input[i] = static_cast<float>(std::sin(0.05 * static_cast<double>(i)));
  RenderSettings settings;
  std::vector<float> output;
  RenderReport report;
  std::string error;
  ASSERT_TRUE(renderInterleaved(*instance, input, 1, 48000.0, settings, output, report, {}, error)) << error;
  output.resize(input.size() * 2);
  EXPECT_NE(output[2 * 1000], input[1000]) << "fully wet: the delayed signal";
  // All dry from the first block on.
  sendFromPage(*instance, R"({"type":"talvo.setParam","path":"oriel.wet","value":0})");
  ASSERT_TRUE(renderInterleaved(*instance, input, 1, 48000.0, settings, output, report, {}, error)) << error;
  for (std::size_t i = 0; i < input.size(); i += 97)
    EXPECT_FLOAT_EQ(output[2 * i], input[i]) << i;
}

}  // namespace
}  // namespace talvo::host
