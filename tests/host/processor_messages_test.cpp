// The built processor answers the catalogue's messages through the host's connection.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "banks/bank_writer.h"
#include "host/bundle_session.h"

namespace talvo::host {
namespace {

using Steinberg::kResultFalse;
using Steinberg::kResultOk;

constexpr char kMap[] = R"({"version":1,"bindings":[{"cc":74,"path":"oriel.depth"}]})";
constexpr char kPads[] = R"({"kick":{"gain":0.5}})";

TEST(ProcessorMessages, EachMessageGetsItsResultAndOnlyLoadRequestsAreAnswered) {
  const auto instance = test::newInstance();
  ASSERT_NE(instance, nullptr);
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
      {"talvo.diag.presetLoaded", "factory", kResultOk, ""},
      // CC maps and pad overrides reach the saved state; malformed ones change nothing.
      {"talvo.ccMap", kMap, kResultOk, ""},
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
