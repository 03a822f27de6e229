// What the controller makes of the processor's reports and of the host's name.
#include <cstring>
#include <string>
#include <tuple>

#include "controller/controller_fixture.h"
#include "controller/host_identity.h"

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
  report("talvo.diag.hostFacts", bytesOf(&facts, sizeof facts - 1));
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

}  // namespace
}  // namespace talvo::test
