// The built processor's lifecycle and setup rules, as a host meets them:
// repeated initialization, sample sizes, bus arrangements, latency per rate,
// and the refusal of an oversized block with its health report.
#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "host/bundle_session.h"
#include "hosting/host_context.h"
#include "pluginterfaces/vst/vstspeaker.h"

namespace talvo::host {
namespace {

using Steinberg::kResultFalse;
using Steinberg::kResultOk;
using Steinberg::kResultTrue;
using namespace Steinberg::Vst;

std::unique_ptr<PluginInstance> instanceOrFail() {
  std::string error;
  auto instance = test::newInstance(error);
  EXPECT_NE(instance, nullptr) << error;
  return instance;
}

TEST(ProcessorLifecycle, InitializeAndTerminateRepeatCleanly) {
  std::string error;
  PluginModule* module = test::bundleModule(error);
  ASSERT_NE(module, nullptr) << error;
  const ClassRecord* processorClass = findClass(test::bundleFactory(), "Audio Module Class");
  ASSERT_NE(processorClass, nullptr);
  Steinberg::TUID cid;
  std::memcpy(cid, processorClass->cid.data(), 16);
  void* object = nullptr;
  ASSERT_EQ(module->factory()->createInstance(cid, IComponent::iid.toTUID(), &object), kResultOk);
  auto* component = static_cast<IComponent*>(object);
  HostContext context;
  for (int round = 0; round < 3; ++round) {
    ASSERT_EQ(component->initialize(&context), kResultOk) << "round " << round;
    // Buses are added once per initialize, never accumulated across rounds.
    EXPECT_EQ(component->getBusCount(kAudio, kInput), 1);
    EXPECT_EQ(component->getBusCount(kAudio, kOutput), 1);
    EXPECT_EQ(component->getBusCount(kEvent, kInput), 0);
    EXPECT_EQ(component->getBusCount(kEvent, kOutput), 0);
    BusInfo info{};
    ASSERT_EQ(component->getBusInfo(kAudio, kInput, 0, info), kResultOk);
    EXPECT_EQ(info.channelCount, 2);
    EXPECT_EQ(info.busType, kMain);
    EXPECT_NE(info.flags & BusInfo::kDefaultActive, 0u);
    EXPECT_EQ(component->terminate(), kResultOk) << "round " << round;
  }
  component->release();
}

TEST(ProcessorSetup, OnlyThirtyTwoBitSamplesAreAccepted) {
  auto instance = instanceOrFail();
  ASSERT_NE(instance, nullptr);
  EXPECT_EQ(instance->processor()->canProcessSampleSize(kSample32), kResultTrue);
  EXPECT_EQ(instance->processor()->canProcessSampleSize(kSample64), kResultFalse);
  EXPECT_EQ(instance->processor()->canProcessSampleSize(7), kResultFalse);
}

TEST(ProcessorSetup, BusArrangementsAcceptOnlyOneStereoInputAndOutput) {
  auto instance = instanceOrFail();
  ASSERT_NE(instance, nullptr);
  IAudioProcessor* p = instance->processor();
  SpeakerArrangement stereo = SpeakerArr::kStereo;
  SpeakerArrangement mono = SpeakerArr::kMono;
  SpeakerArrangement twoStereo[] = {SpeakerArr::kStereo, SpeakerArr::kStereo};

  EXPECT_EQ(p->setBusArrangements(&stereo, 1, &mono, 1), kResultFalse);
  EXPECT_EQ(p->setBusArrangements(&mono, 1, &stereo, 1), kResultFalse);
  EXPECT_EQ(p->setBusArrangements(twoStereo, 2, &stereo, 1), kResultFalse);
  EXPECT_EQ(p->setBusArrangements(&stereo, 1, twoStereo, 2), kResultFalse);
  EXPECT_EQ(p->setBusArrangements(nullptr, 1, &stereo, 1), kResultFalse);
  EXPECT_EQ(p->setBusArrangements(&stereo, 0, &stereo, 1), kResultFalse);
  // A refused request changed nothing.
  SpeakerArrangement current = 0;
  ASSERT_EQ(p->getBusArrangement(kOutput, 0, current), kResultOk);
  EXPECT_EQ(current, SpeakerArr::kStereo);
  EXPECT_EQ(p->setBusArrangements(&stereo, 1, &stereo, 1), kResultOk);
}

TEST(ProcessorSetup, LatencyMatchesTheRateAdapterDelayAtEachRate) {
  const std::pair<double, Steinberg::uint32> cases[] = {{48000.0, 0}, {44100.0, 35}, {96000.0, 56}};
  for (auto [rate, latency] : cases) {
    auto instance = instanceOrFail();
    ASSERT_NE(instance, nullptr);
    std::string error;
    ASSERT_TRUE(instance->start(rate, 512, kRealtime, error)) << error;
    EXPECT_EQ(instance->processor()->getLatencySamples(), latency) << rate << " Hz";
    instance->stop();
  }
}

std::vector<RecordedMessage> healthReports(const PluginInstance& instance) {
  return instance.processorMessages().messagesWithId("talvo.runtimeDiagnostics");
}

TEST(ProcessorSetup, OversizedBlockIsRefusedWithAFailedHealthReport) {
  auto instance = instanceOrFail();
  ASSERT_NE(instance, nullptr);
  ProcessSetup setup{kRealtime, kSample32, 16385, 48000.0};
  EXPECT_EQ(instance->processor()->setupProcessing(setup), kResultFalse);
  auto reports = healthReports(*instance);
  ASSERT_EQ(reports.size(), 1u);
  ASSERT_TRUE(reports[0].hasJson);
  EXPECT_NE(reports[0].json.find("\"lifecycle\":\"failed\""), std::string::npos) << reports[0].json;

  // Activating with the refused setup is refused again, with another report.
  EXPECT_EQ(instance->component()->setActive(true), kResultFalse);
  EXPECT_EQ(healthReports(*instance).size(), 2u);

  instance->clearProcessorMessages();
  setup.maxSamplesPerBlock = 16384;
  EXPECT_EQ(instance->processor()->setupProcessing(setup), kResultOk);
  EXPECT_EQ(instance->component()->setActive(true), kResultOk);
  EXPECT_TRUE(healthReports(*instance).empty());
  EXPECT_EQ(instance->component()->setActive(false), kResultOk);
}

// Offsets inside the record the processor sends as "talvo.diag.hostFacts".
constexpr std::size_t kFactsSize = 1312;
constexpr std::size_t kSampleRateAt = 712;
constexpr std::size_t kMaxBlockAt = 720;
constexpr std::size_t kBusesAt = 764;
constexpr std::size_t kBusSize = 68;
constexpr std::size_t kBusCountAt = 1308;

template <typename T>
T readAt(const std::string& bytes, std::size_t offset) {
  T value{};
  std::memcpy(&value, bytes.data() + offset, sizeof value);
  return value;
}

TEST(ProcessorHostFacts, SetupSendsTheRecordWithStereoBuses) {
  auto instance = instanceOrFail();
  ASSERT_NE(instance, nullptr);
  ProcessSetup setup{kOffline, kSample32, 333, 44100.0};
  ASSERT_EQ(instance->processor()->setupProcessing(setup), kResultOk);
  auto facts = instance->processorMessages().messagesWithId("talvo.diag.hostFacts");
  ASSERT_FALSE(facts.empty());
  const std::string& bytes = facts.back().json;
  ASSERT_EQ(bytes.size(), kFactsSize);
  EXPECT_EQ(readAt<double>(bytes, kSampleRateAt), 44100.0);
  EXPECT_EQ(readAt<std::int32_t>(bytes, kMaxBlockAt), 333);
  ASSERT_EQ(readAt<std::uint32_t>(bytes, kBusCountAt), 2u);
  const char* names[] = {"in0", "out0"};
  for (std::size_t bus = 0; bus < 2; ++bus) {
    const std::size_t at = kBusesAt + bus * kBusSize;
    EXPECT_STREQ(bytes.data() + at, names[bus]);
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[at + 32]), bus == 0 ? 1 : 0);
    EXPECT_EQ(readAt<std::uint32_t>(bytes, at + 36), 2u);
    EXPECT_STREQ(bytes.data() + at + 41, "stereo");
  }
}

}  // namespace
}  // namespace talvo::host
