#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "diagnostics/host_facts.h"
#include "pluginterfaces/vst/vstspeaker.h"
#include "processor/processor_fixture.h"
#include "vst3/class_ids.h"

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

HostFacts lastHostFacts(const MessageRecorder& peer) {
  const auto sent = peer.withId("talvo.diag.hostFacts");
  HostFacts facts;
  EXPECT_FALSE(sent.empty());
  if (!sent.empty()) {
    EXPECT_EQ(sent.back().json.size(), sizeof(HostFacts));
    EXPECT_TRUE(readHostFacts(sent.back().json.data(), sent.back().json.size(), facts));
  }
  return facts;
}

TEST_F(ProcessorTest, InitializeAddsOneStereoInputAndOneStereoOutputAndNoEventBuses) {
  ASSERT_EQ(processor_->getBusCount(kAudio, kInput), 1);
  ASSERT_EQ(processor_->getBusCount(kAudio, kOutput), 1);
  EXPECT_EQ(processor_->getBusCount(kEvent, kInput), 0);
  EXPECT_EQ(processor_->getBusCount(kEvent, kOutput), 0);

  BusInfo in{}, out{};
  ASSERT_EQ(processor_->getBusInfo(kAudio, kInput, 0, in), kResultTrue);
  ASSERT_EQ(processor_->getBusInfo(kAudio, kOutput, 0, out), kResultTrue);
  EXPECT_EQ(busName(in), "Stereo In");
  EXPECT_EQ(busName(out), "Stereo Out");
  for (const BusInfo* info : {&in, &out}) {
    EXPECT_EQ(info->channelCount, 2);
    EXPECT_EQ(info->busType, kMain);
    EXPECT_EQ(info->flags, static_cast<uint32>(BusInfo::kDefaultActive));
  }
  SpeakerArrangement arr = 0;
  ASSERT_EQ(processor_->getBusArrangement(kOutput, 0, arr), kResultTrue);
  EXPECT_EQ(arr, SpeakerArr::kStereo);
}

TEST_F(ProcessorTest, RefusedSecondInitializeAddsNoBuses) {
  // The base refuses a second host context; its answer comes back unchanged.
  EXPECT_EQ(processor_->initialize(host_.get()), kResultFalse);
  EXPECT_EQ(processor_->getBusCount(kAudio, kInput), 1);
  EXPECT_EQ(processor_->getBusCount(kAudio, kOutput), 1);
}

TEST_F(ProcessorTest, NamesTheControllerClassByteForByte) {
  TUID cid{};
  ASSERT_EQ(processor_->getControllerClassId(cid), kResultTrue);
  const unsigned char expected[16] = {0x0B, 0x87, 0x53, 0x7E, 0x0C, 0x87, 0x55, 0x11,
                                      0x09, 0x87, 0x50, 0x58, 0x0A, 0x87, 0x51, 0xEB};
  EXPECT_EQ(std::memcmp(cid, expected, 16), 0);
}

TEST_F(ProcessorTest, ProcessesThirtyTwoBitSamplesOnly) {
  EXPECT_EQ(processor_->canProcessSampleSize(kSample32), kResultTrue);
  EXPECT_EQ(processor_->canProcessSampleSize(kSample64), kResultFalse);
  EXPECT_EQ(processor_->canProcessSampleSize(7), kResultFalse);
  // A 64-bit setup is refused before the engine is touched.
  EXPECT_EQ(setup(48000.0, 512, kSample64), kResultFalse);
  EXPECT_TRUE(peer_.messages.empty());
}

TEST_F(ProcessorTest, AcceptsOnlyOneStereoInputWithOneStereoOutput) {
  SpeakerArrangement stereo = SpeakerArr::kStereo, mono = SpeakerArr::kMono;
  SpeakerArrangement twoStereo[2] = {SpeakerArr::kStereo, SpeakerArr::kStereo};
  EXPECT_EQ(processor_->setBusArrangements(&stereo, 1, &mono, 1), kResultFalse);
  EXPECT_EQ(processor_->setBusArrangements(&mono, 1, &stereo, 1), kResultFalse);
  EXPECT_EQ(processor_->setBusArrangements(twoStereo, 2, &stereo, 1), kResultFalse);
  EXPECT_EQ(processor_->setBusArrangements(&stereo, 1, twoStereo, 2), kResultFalse);
  EXPECT_EQ(processor_->setBusArrangements(nullptr, 1, &stereo, 1), kResultFalse);
  EXPECT_EQ(processor_->setBusArrangements(&stereo, 1, nullptr, 1), kResultFalse);
  EXPECT_EQ(processor_->setBusArrangements(&stereo, 0, &stereo, 1), kResultFalse);
  // Refusals change nothing and tell nobody.
  SpeakerArrangement arr = 0;
  ASSERT_EQ(processor_->getBusArrangement(kOutput, 0, arr), kResultTrue);
  EXPECT_EQ(arr, SpeakerArr::kStereo);
  EXPECT_TRUE(peer_.messages.empty());

  EXPECT_EQ(processor_->setBusArrangements(&stereo, 1, &stereo, 1), kResultOk);
  EXPECT_EQ(peer_.withId("talvo.diag.hostFacts").size(), 1u);
}

TEST_F(ProcessorTest, OversizedBlockSetupIsRefusedWithAFailedHealthReport) {
  EXPECT_EQ(setup(48000.0, 16385), kResultFalse);
  const auto reports = peer_.withId("talvo.runtimeDiagnostics");
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].json.find("\"lifecycle\":\"failed\""), std::string::npos) << reports[0].json;
  EXPECT_NE(reports[0].json.find("\"code\":\"runtime.invalid-configuration\""), std::string::npos);
  EXPECT_EQ(reports[0].json.find('\0'), std::string::npos) << "text payloads carry no terminator";
  EXPECT_TRUE(peer_.withId("talvo.diag.hostFacts").empty());

  // The refused setup is the stored one, so activation is refused as well.
  EXPECT_EQ(processor_->setActive(true), kResultFalse);
  EXPECT_EQ(peer_.withId("talvo.runtimeDiagnostics").size(), 2u);

  EXPECT_EQ(setup(48000.0, 16384), kResultOk);
  EXPECT_EQ(processor_->setActive(true), kResultOk);
}

TEST_F(ProcessorTest, InvalidSampleRatesAreRefused) {
  EXPECT_EQ(setup(0.0, 512), kResultFalse);
  EXPECT_EQ(setup(-44100.0, 512), kResultFalse);
  EXPECT_EQ(setup(std::numeric_limits<double>::quiet_NaN(), 512), kResultFalse);
  EXPECT_EQ(setup(std::numeric_limits<double>::infinity(), 512), kResultFalse);
  EXPECT_EQ(setup(48000.0, 0), kResultFalse);
  EXPECT_EQ(peer_.withId("talvo.runtimeDiagnostics").size(), 5u);
}

TEST_F(ProcessorTest, SuccessfulSetupSendsHostFactsWithTheStereoBuses) {
  ASSERT_EQ(setup(44100.0, 256), kResultOk);
  const HostFacts facts = lastHostFacts(peer_);
  EXPECT_EQ(facts.sampleRate, 44100.0);
  EXPECT_EQ(facts.maxBlockFrames, 256);
  EXPECT_EQ(facts.sampleSize, 32);
  EXPECT_EQ(facts.processMode, kProcessModeRealtime);
  EXPECT_EQ(facts.latencySamples, 35);
  EXPECT_EQ(facts.lastBlockFrames, -1);
  ASSERT_EQ(facts.busCount, 2u);
  EXPECT_STREQ(facts.buses[0].id, "in0");
  EXPECT_EQ(facts.buses[0].isInput, 1);
  EXPECT_EQ(facts.buses[0].channels, 2u);
  EXPECT_STREQ(facts.buses[0].layout, "stereo");
  EXPECT_STREQ(facts.buses[1].id, "out0");
  EXPECT_EQ(facts.buses[1].isInput, 0);
  EXPECT_STREQ(facts.buses[1].layout, "stereo");
}

TEST_F(ProcessorTest, ActivationAndDeactivationEachSendHostFacts) {
  ASSERT_EQ(setup(48000.0, 512), kResultOk);
  ASSERT_EQ(processor_->setActive(true), kResultOk);
  ASSERT_EQ(processor_->setActive(false), kResultOk);
  EXPECT_EQ(peer_.withId("talvo.diag.hostFacts").size(), 3u);
  EXPECT_TRUE(peer_.withId("talvo.runtimeDiagnostics").empty());
}

TEST_F(ProcessorTest, DeactivationKeepsTheEngineConfigured) {
  start(96000.0, 256);
  ASSERT_EQ(processor_->setActive(false), kResultOk);
  EXPECT_TRUE(processor_->engine().ready());
  EXPECT_EQ(processor_->engine().hostRate(), 96000.0);
  EXPECT_EQ(processor_->getLatencySamples(), 56u);
}

// The controller fills in who the host is; a refresh must not forget it.
class IdentifiedProcessor : public TalvoProcessor {
 public:
  void learnHost(const char* name, const char* version, std::uint8_t validator) {
    std::strncpy(hostFacts_.hostName, name, sizeof hostFacts_.hostName - 1);
    std::strncpy(hostFacts_.hostVersion, version, sizeof hostFacts_.hostVersion - 1);
    std::strncpy(hostFacts_.hostPath, "/opt/host", sizeof hostFacts_.hostPath - 1);
    hostFacts_.validatorKind = validator;
  }
};

TEST(ProcessorHostFacts, RefreshKeepsTheKnownHostIdentityAndRecapturesTheRest) {
  auto host = std::make_unique<HostApplication>();
  MessageRecorder peer;
  IPtr<IdentifiedProcessor> processor = owned(new IdentifiedProcessor());
  ASSERT_EQ(processor->initialize(host.get()), kResultOk);
  processor->connect(&peer);
  processor->learnHost("Studio", "12.1", kValidatorPluginval);
  ProcessSetup setup{kOffline, kSample32, 128, 48000.0};
  ASSERT_EQ(processor->setupProcessing(setup), kResultOk);
  ASSERT_EQ(processor->setActive(true), kResultOk);

  const HostFacts facts = lastHostFacts(peer);
  EXPECT_STREQ(facts.hostName, "Studio");
  EXPECT_STREQ(facts.hostVersion, "12.1");
  EXPECT_EQ(facts.validatorKind, kValidatorPluginval);
  EXPECT_STREQ(facts.hostPath, "") << "the path is not carried over";
  EXPECT_EQ(facts.processMode, kProcessModeOffline);
  EXPECT_EQ(facts.busCount, 2u) << "buses are captured afresh, not appended";
  processor->setActive(false);
  processor->disconnect(&peer);
  processor->terminate();
}

TEST_F(ProcessorTest, ActivationWithoutSetupUsesTheStoredDefaults) {
  // Some hosts activate first; the default setup must still configure the engine.
  EXPECT_EQ(processor_->setActive(true), kResultOk);
  EXPECT_TRUE(processor_->engine().ready());
}

TEST_F(ProcessorTest, ReportsNoMessagesWithoutAPeer) {
  processor_->disconnect(&peer_);
  EXPECT_EQ(setup(48000.0, 16385), kResultFalse);
  EXPECT_EQ(setup(48000.0, 512), kResultOk);
  EXPECT_TRUE(peer_.messages.empty());
  processor_->connect(&peer_);
}

struct LatencyCase {
  double rate;
  uint32 latency;
};

class ProcessorLatency : public ProcessorTest, public ::testing::WithParamInterface<LatencyCase> {};

TEST_P(ProcessorLatency, MatchesTheRateAdapterDelay) {
  start(GetParam().rate, 512);
  EXPECT_EQ(processor_->getLatencySamples(), GetParam().latency);
  EXPECT_EQ(lastHostFacts(peer_).latencySamples, static_cast<int32>(GetParam().latency));
  // The engine measures its own adapter; the two must agree.
  EXPECT_EQ(processor_->engine().latencySamples(), static_cast<int>(GetParam().latency));
}

INSTANTIATE_TEST_SUITE_P(Rates, ProcessorLatency,
                         ::testing::Values(LatencyCase{48000.0, 0}, LatencyCase{44100.0, 35},
                                           LatencyCase{96000.0, 56}, LatencyCase{88200.0, 53},
                                           LatencyCase{22050.0, 26}));

}  // namespace
}  // namespace talvo::test
