#include <iterator>
#include <limits>
#include <string>

#include "diagnostics/host_facts.h"
#include "pluginterfaces/vst/vstspeaker.h"
#include "processor/processor_fixture.h"

namespace talvo::test {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

std::string busName(const BusInfo& info) {
  std::string name;
  for (int i = 0; i < 128 && info.name[i] != 0; ++i)
    name += static_cast<char>(info.name[i]);
  return name;
}

HostFacts lastHostFacts(const host::ConnectionProxy& peer) {
  const auto sent = peer.messagesWithId("talvo.diag.hostFacts");
  HostFacts facts;
  EXPECT_FALSE(sent.empty());
  if (!sent.empty()) {
    EXPECT_EQ(sent.back().json.size(), sizeof(HostFacts));
    EXPECT_TRUE(readHostFacts(sent.back().json.data(), sent.back().json.size(), facts));
  }
  return facts;
}

TEST_F(ProcessorTest, InitializeAddsNamedStereoBusesOnlyOnce) {
  // The base refuses a second host context; its answer comes back unchanged.
  EXPECT_EQ(processor_->initialize(host_.get()), kResultFalse);
  EXPECT_EQ(processor_->getBusCount(kAudio, kInput), 1);
  EXPECT_EQ(processor_->getBusCount(kAudio, kOutput), 1);
  BusInfo in{}, out{};
  ASSERT_EQ(processor_->getBusInfo(kAudio, kInput, 0, in), kResultTrue);
  ASSERT_EQ(processor_->getBusInfo(kAudio, kOutput, 0, out), kResultTrue);
  EXPECT_EQ(busName(in), "Stereo In");
  EXPECT_EQ(busName(out), "Stereo Out");
  EXPECT_EQ(out.channelCount, 2);
  EXPECT_EQ(out.flags, static_cast<uint32>(BusInfo::kDefaultActive));
}

TEST_F(ProcessorTest, RefusedArrangementsAndSampleSizesChangeNothingAndTellNobody) {
  SpeakerArrangement stereo = SpeakerArr::kStereo;
  EXPECT_EQ(processor_->setBusArrangements(&stereo, 1, nullptr, 1), kResultFalse);
  EXPECT_EQ(setup(48000.0, 512, kSample64), kResultFalse);
  EXPECT_TRUE(peer_->messages().empty());

  EXPECT_EQ(processor_->setBusArrangements(&stereo, 1, &stereo, 1), kResultOk);
  EXPECT_EQ(sent("talvo.diag.hostFacts"), 1u);
}

TEST_F(ProcessorTest, InvalidSetupsAreRefusedEachWithAFailedHealthReport) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const struct {
    double rate;
    int32 maxBlock;
  } refused[] = {{48000.0, 16385}, {48000.0, 0}, {0.0, 512}, {-44100.0, 512}, {kNaN, 512}, {kInf, 512}};
  std::size_t count = 0;
  for (const auto& s : refused) {
    EXPECT_EQ(setup(s.rate, s.maxBlock), kResultFalse) << s.rate << " Hz, " << s.maxBlock << " frames";
    const auto reports = peer_->messagesWithId("talvo.runtimeDiagnostics");
    ASSERT_EQ(reports.size(), ++count);
    const std::string& json = reports.back().json;
    EXPECT_NE(json.find("\"lifecycle\":\"failed\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"code\":\"runtime.invalid-configuration\""), std::string::npos) << json;
    EXPECT_EQ(json.find('\0'), std::string::npos) << "text payloads carry no terminator";
  }
  EXPECT_EQ(sent("talvo.diag.hostFacts"), 0u);
}

TEST_F(ProcessorTest, ReportsNoMessagesWithoutAPeer) {
  peer_->disconnect(nullptr);
  EXPECT_EQ(setup(48000.0, 16385), kResultFalse);
  EXPECT_EQ(setup(48000.0, 512), kResultOk);
  EXPECT_TRUE(peer_->messages().empty());
  peer_->connect(nullptr);
}

TEST_F(ProcessorTest, ActivationWithoutSetupUsesTheStoredDefaults) {
  // Some hosts activate first; the default setup must still configure the engine.
  EXPECT_EQ(processor_->setActive(true), kResultOk);
  EXPECT_TRUE(processor_->engine().ready());
}

TEST_F(ProcessorTest, LatencyMatchesTheRateAdapterAndOutlastsDeactivation) {
  const struct {
    double rate;
    uint32 latency;
  } cases[] = {{48000.0, 0}, {44100.0, 35}, {96000.0, 56}, {88200.0, 53}, {22050.0, 26}};
  for (const auto& c : cases) {
    start(c.rate, 512);
    ASSERT_EQ(processor_->setActive(false), kResultOk);
    EXPECT_TRUE(processor_->engine().ready());
    EXPECT_EQ(processor_->engine().hostRate(), c.rate);
    EXPECT_EQ(processor_->getLatencySamples(), c.latency) << c.rate << " Hz";
    // The engine measures its own adapter; the two must agree.
    EXPECT_EQ(processor_->engine().latencySamples(), static_cast<int>(c.latency)) << c.rate << " Hz";
    EXPECT_EQ(lastHostFacts(*peer_).latencySamples, static_cast<int32>(c.latency)) << c.rate << " Hz";
  }
  EXPECT_EQ(sent("talvo.diag.hostFacts"), 3 * std::size(cases)) << "setup, activation, deactivation";
  EXPECT_EQ(sent("talvo.runtimeDiagnostics"), 0u);
}

TEST_F(ProcessorTest, HostFactsCarryTheSetupAndKeepTheKnownHostIdentity) {
  processor_->learnHost("Studio", "12.1", kValidatorPluginval);
  ASSERT_EQ(setup(44100.0, 256, kSample32, kOffline), kResultOk);
  ASSERT_EQ(processor_->setActive(true), kResultOk);

  const HostFacts facts = lastHostFacts(*peer_);
  EXPECT_STREQ(facts.hostName, "Studio");
  EXPECT_STREQ(facts.hostVersion, "12.1");
  EXPECT_EQ(facts.validatorKind, kValidatorPluginval);
  EXPECT_STREQ(facts.hostPath, "") << "the path is not carried over";
  EXPECT_EQ(facts.sampleRate, 44100.0);
  EXPECT_EQ(facts.maxBlockFrames, 256);
  EXPECT_EQ(facts.sampleSize, 32);
  EXPECT_EQ(facts.processMode, kProcessModeOffline);
  EXPECT_EQ(facts.lastBlockFrames, -1);
  ASSERT_EQ(facts.busCount, 2u) << "buses are captured afresh, not appended";
  const char* ids[] = {"in0", "out0"};
  for (std::uint32_t b = 0; b < 2; ++b) {
    EXPECT_STREQ(facts.buses[b].id, ids[b]);
    EXPECT_EQ(facts.buses[b].isInput, b == 0 ? 1 : 0);
    EXPECT_EQ(facts.buses[b].channels, 2u);
    EXPECT_STREQ(facts.buses[b].layout, "stereo");
  }
}

}  // namespace
}  // namespace talvo::test
