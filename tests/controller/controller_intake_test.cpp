// What the controller takes in: the processor's reports, the host's name, its
// two state documents and the page's state restore.
#include <cstring>
#include <string>
#include <tuple>

#include "controller/controller_fixture.h"
#include "controller/host_identity.h"
#include "hosting/byte_stream.h"

namespace talvo::test {
namespace {

using namespace Steinberg;

std::string bytesOf(const void* record, std::size_t size) {
  return std::string(static_cast<const char*>(record), size);
}

class ControllerIntake : public ControllerTest {
 protected:
  void report(const char* id, const std::string& payload) {
    ASSERT_EQ(peer_->sendToSource(id, &payload), kResultOk) << id;
  }
};

TEST_F(ControllerIntake, HostChangesBecomeEventsAndReachThePageOnlyAfterTheHello) {
  send(R"({"type":"talvo.diag.subscribe","feeds":["lifecycle"]})");
  takePage();
  HostFacts facts;
  std::strcpy(facts.hostName, "not the host's name");
  facts.sampleRate = 44100;
  report("talvo.diag.hostFacts", bytesOf(&facts, sizeof facts));
  auto page = takePage();
  ASSERT_EQ(page.size(), 1u);
  EXPECT_NE(page[0].find(R"("kind":"sampleRateChanged","detail":{"sampleRate":44100,"previous":0}})"),
            std::string::npos)
      << page[0];
  send(R"({"type":"talvo.ready"})");
  EXPECT_NE(takePage().at(0).find(
                R"("host":{"hostName":"talvo-host","validatorHost":"talvo-probe","sampleRate":44100)"),
            std::string::npos);
  facts.sampleRate = 48000;
  report("talvo.diag.hostFacts", bytesOf(&facts, sizeof facts));
  page = takePage();
  ASSERT_EQ(page.size(), 2u);
  EXPECT_EQ(page[1], R"({"type":"talvo.hostChanged","host":{"sampleRate":48000},)"
                     R"("event":{"seq":1,"timeMs":0,"kind":"sampleRateChanged"}})");
}

TEST_F(ControllerIntake, TransportIsStreamedWhenItChangesAndTempoChangesAreRecorded) {
  send(R"({"type":"talvo.diag.subscribe","feeds":["transport","lifecycle"],"hz":10})");
  takePage();
  TransportFact fact;
  fact.hasTempo = 1;
  report("talvo.diag.transport", bytesOf(&fact, sizeof fact));
  report("talvo.diag.transport", bytesOf(&fact, sizeof fact));  // unchanged and stopped: not again
  report("talvo.diag.transport", bytesOf(&fact, sizeof fact) + "x");
  EXPECT_EQ(takePage().size(), 1u);
  fact.tempo = 90;
  report("talvo.diag.transport", bytesOf(&fact, sizeof fact));
  const auto page = takePage();
  ASSERT_EQ(page.size(), 2u);
  EXPECT_NE(page[0].find(R"("kind":"tempoChanged","detail":{"tempo":90,"previous":120}})"), std::string::npos)
      << page[0];
  EXPECT_EQ(page[1].rfind(R"({"type":"talvo.transport")", 0), 0u);
}

TEST(HostIdentity, TheFirstMatchingWordNamesTheValidator) {
  const std::tuple<const char*, std::uint8_t> hosts[] = {
      {"pluginval 1.0", kValidatorPluginval},
      {"clap-validator", kValidatorClapValidator},
      {"VST3 Validator", kValidatorSteinberg},
      {"Talvo probe", kValidatorTalvoProbe},
      {"auval", kValidatorAuval},
      {"A Studio", kValidatorNone},
      {nullptr, kValidatorNone},
  };
  for (const auto& [name, kind] : hosts)
    EXPECT_EQ(validatorKindForHostName(name), kind) << (name ? name : "null");
}

constexpr char kMap[] = R"({"version":1,"bindings":[{"cc":74,"path":"oriel.depth"}]})";

class ControllerState : public ControllerTest {
 protected:
  tresult restoreComponent(std::string bytes) {
    host::ByteStream stream(std::move(bytes));
    return controller_->setComponentState(&stream);
  }
  tresult restoreOwn(std::string bytes) {
    host::ByteStream stream(std::move(bytes));
    return controller_->setState(&stream);
  }
  std::string saved() {
    host::ByteStream stream;
    EXPECT_EQ(controller_->getState(&stream), kResultOk);
    return stream.bytes();
  }
};

TEST_F(ControllerState, AComponentStateWithOnlyAMapAdoptsItAndLeavesTheParameters) {
  EXPECT_EQ(saved(), "{}");
  ASSERT_EQ(restoreComponent(std::string(R"({"ccMap":)") + kMap + "}"), kResultOk);
  EXPECT_EQ(controller_->getParamNormalized(1), 0.1);
  EXPECT_EQ(takePage().at(0), std::string(R"({"type":"talvo.ccMapChanged","map":)") + kMap + "}");
  EXPECT_EQ(saved(), std::string(R"({"ccMap":)") + kMap + "}");
  // Unreadable documents change nothing; an empty controller state is no state.
  EXPECT_EQ(restoreComponent(R"({"params":{"oriel.depth":0.9})"), kResultFalse);
  EXPECT_EQ(restoreOwn(R"({"ccMap":[)"), kResultFalse);
  EXPECT_EQ(restoreOwn(""), kResultOk);
  EXPECT_EQ(controller_->getParamNormalized(1), 0.1);
  ASSERT_EQ(restoreComponent(R"({"params":{"oriel.rate":20,"oriel.depth":0.9,"oriel.wet":nan}})"), kResultOk);
  EXPECT_EQ(controller_->getParamNormalized(0), 1.0);
  EXPECT_EQ(controller_->getParamNormalized(1), 0.9);
  EXPECT_EQ(controller_->getParamNormalized(2), 1.0) << "a value that is no number is left alone";
}

TEST_F(ControllerState, ThePagesStateIsEditedInAsTheUsersAndItsPadsGoToTheProcessor) {
  send(R"({"type":"talvo.setState","state":{"params":{"oriel.depth":0.5},"sampler":{"v":1,)"
       R"("pads":{"kick":{"gain":0.5}}}}})");
  EXPECT_EQ(takeEdits(), "begin 1, perform 1 0.500000, end 1, ");
  EXPECT_EQ(takeSent(), "talvo.padOverrides ");
  const auto page = takePage();
  ASSERT_EQ(page.size(), 2u);
  EXPECT_EQ(page[0], R"({"type":"talvo.paramChanged","path":"oriel.depth","value":0.5,"normalized":0.5})");
  EXPECT_EQ(page[1].rfind(R"({"type":"talvo.bankState","reason":"restore")", 0), 0u) << page[1];
  EXPECT_EQ(saved(), R"({"sampler":{"v":1,"pads":{"kick":{"gain":0.5}}}})");
}

}  // namespace
}  // namespace talvo::test
