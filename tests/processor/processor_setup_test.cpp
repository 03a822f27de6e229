// The processor's lifecycle and setup rules as a host meets them: buses,
// arrangements, sample sizes, refused setups with their health reports, and
// the host facts sent after every change; and its state through the hosting
// library's stream and streams that misbehave.
#include <cstring>
#include <limits>
#include <string>

#include "diagnostics/host_facts.h"
#include "hosting/byte_stream.h"
#include "pluginterfaces/vst/vstspeaker.h"
#include "processor/processor_fixture.h"

namespace talvo::test {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

// Names, channels and flags of the buses show in talvo-host's info document.
TEST_F(ProcessorTest, InitializeAddsOneAudioBusEachWayInEveryRoundAndRefusesASecondContext) {
  // The base refuses a second host context; its answer comes back unchanged.
  EXPECT_EQ(processor_->initialize(host_.get()), kResultFalse);
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(processor_->getBusCount(kAudio, kInput), 1) << "round " << round;
    EXPECT_EQ(processor_->getBusCount(kAudio, kOutput), 1) << "round " << round;
    ASSERT_EQ(processor_->terminate(), kResultOk);
    ASSERT_EQ(processor_->initialize(host_.get()), kResultOk);
  }
}

TEST_F(ProcessorTest, OnlyOneStereoBusEachWayAndThirtyTwoBitSamplesAreAccepted) {
  SpeakerArrangement stereo = SpeakerArr::kStereo;
  SpeakerArrangement mono = SpeakerArr::kMono;
  SpeakerArrangement twoStereo[] = {SpeakerArr::kStereo, SpeakerArr::kStereo};
  const struct {
    SpeakerArrangement* in;
    int32 ins;
    SpeakerArrangement* out;
    int32 outs;
  } refused[] = {{&stereo, 1, &mono, 1},     {&mono, 1, &stereo, 1},   {twoStereo, 2, &stereo, 1},
                 {&stereo, 1, twoStereo, 2}, {nullptr, 1, &stereo, 1}, {&stereo, 0, &stereo, 1},
                 {&stereo, 1, nullptr, 1}};
  for (const auto& r : refused)
    EXPECT_EQ(processor_->setBusArrangements(r.in, r.ins, r.out, r.outs), kResultFalse);
  SpeakerArrangement current = 0;
  ASSERT_EQ(processor_->getBusArrangement(kOutput, 0, current), kResultOk);
  EXPECT_EQ(current, SpeakerArr::kStereo);
  EXPECT_EQ(processor_->canProcessSampleSize(kSample32), kResultTrue);
  EXPECT_EQ(processor_->canProcessSampleSize(kSample64), kResultFalse);
  EXPECT_EQ(setup(48000.0, 512, kSample64), kResultFalse);
  EXPECT_TRUE(peer_->messages().empty()) << "refusals change nothing and tell nobody";

  EXPECT_EQ(processor_->setBusArrangements(&stereo, 1, &stereo, 1), kResultOk);
  EXPECT_EQ(sent("talvo.diag.hostFacts"), 1u);
}

// Which formats the engine refuses is the engine's to test; here each refusal
// must reach the controller as a failed health report.
TEST_F(ProcessorTest, InvalidSetupsAreRefusedEachWithAFailedHealthReport) {
  const struct {
    double rate;
    int32 maxBlock;
  } refused[] = {{48000.0, 16385}, {std::numeric_limits<double>::quiet_NaN(), 512}};
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
  // Activating with the refused setup is refused again, with another report.
  EXPECT_EQ(processor_->setActive(true), kResultFalse);
  EXPECT_EQ(sent("talvo.runtimeDiagnostics"), count + 1);
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

TEST_F(ProcessorTest, HostFactsFollowSetupActivationAndDeactivationAndKeepTheKnownHost) {
  processor_->learnHost("Studio", "12.1", kValidatorPluginval);
  ASSERT_EQ(setup(44100.0, 256, kSample32, kOffline), kResultOk);
  ASSERT_EQ(processor_->setActive(true), kResultOk);
  ASSERT_EQ(processor_->setActive(false), kResultOk);
  EXPECT_TRUE(processor_->engine().ready()) << "deactivation keeps the setup";
  const auto sentFacts = peer_->messagesWithId("talvo.diag.hostFacts");
  ASSERT_EQ(sentFacts.size(), 3u);
  HostFacts facts;
  ASSERT_TRUE(readHostFacts(sentFacts.back().json.data(), sentFacts.back().json.size(), facts));
  EXPECT_STREQ(facts.hostName, "Studio");
  EXPECT_STREQ(facts.hostVersion, "12.1");
  EXPECT_EQ(facts.validatorKind, kValidatorPluginval);
  EXPECT_STREQ(facts.hostPath, "") << "the path is not carried over";
  EXPECT_EQ(facts.sampleRate, 44100.0);
  EXPECT_EQ(facts.maxBlockFrames, 256);
  EXPECT_EQ(facts.sampleSize, 32);
  EXPECT_EQ(facts.processMode, kProcessModeOffline);
  EXPECT_EQ(facts.latencySamples, 35);
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

constexpr char kDefaults[] = R"({"params":{"oriel.rate":5,"oriel.depth":0.1,"oriel.wet":1},"variation":16})";
constexpr char kMap[] = R"({"params":{"oriel.rate":0.5,"oriel.depth":0.25,"oriel.wet":0},"variation":3,)"
                        R"("ccMap":{"version":1,"bindings":[{"cc":74,"path":"oriel.depth"}]}})";
const std::string kMapAndPads =
    std::string(kMap, sizeof kMap - 2) + R"(,"sampler":{"v":1,"pads":{"kick":{"gain":0.5}}}})";

// Reads zeros for ever, as /dev/zero does, and takes only half of any write.
class OddStream final : public host::HostOwned<IBStream> {
 public:
  tresult PLUGIN_API read(void* buffer, int32 size, int32* got) override {
    std::memset(buffer, 0, static_cast<std::size_t>(size));
    *got = size;
    return kResultOk;
  }
  tresult PLUGIN_API write(void*, int32 size, int32* written) override {
    *written = size / 2;
    return kResultOk;
  }
  tresult PLUGIN_API seek(int64, int32, int64*) override { return kResultFalse; }
  tresult PLUGIN_API tell(int64*) override { return kResultFalse; }
};

class ProcessorState : public ProcessorTest {
 protected:
  std::string saved() {
    host::ByteStream stream;
    EXPECT_EQ(processor_->getState(&stream), kResultOk);
    return stream.bytes();
  }
  tresult restore(std::string bytes) {
    host::ByteStream stream(std::move(bytes));
    return processor_->setState(&stream);
  }
};

TEST_F(ProcessorState, SavedStatesRestoreToTheSameBytesAndAbsentBlocksClearOnlyThePads) {
  EXPECT_EQ(saved(), kDefaults);
  for (const std::string& state : {std::string(kDefaults), kMapAndPads}) {
    ASSERT_EQ(restore(state), kResultOk);
    EXPECT_EQ(saved(), state);
  }
  ASSERT_EQ(restore(R"({"params":{}})"), kResultOk);
  EXPECT_EQ(saved(), kMap) << "the stored map stays; the pads go";
  // A pad the writer would leave out does not keep the others from the engine.
  std::string blankKey = kMapAndPads;
  blankKey.insert(blankKey.find("\"kick\""), R"("":{"gain":2},)");
  ASSERT_EQ(restore(blankKey), kResultOk);
  EXPECT_EQ(saved(), kMapAndPads);
}

TEST_F(ProcessorState, UnreadableStatesAndShortWritesFailAndChangeNothing) {
  ASSERT_EQ(restore(kMapAndPads), kResultOk);
  const std::string tooLong = kDefaults + std::string(17 << 20, ' ');
  for (const std::string& state : {std::string(), kMapAndPads.substr(0, kMapAndPads.size() - 1), tooLong})
    EXPECT_EQ(restore(state), kResultFalse) << state.size() << " bytes";
  OddStream odd;
  EXPECT_EQ(processor_->setState(&odd), kResultFalse);
  EXPECT_EQ(processor_->getState(&odd), kResultFalse);
  EXPECT_EQ(saved(), kMapAndPads);
}

TEST_F(ProcessorState, AMissingBankKeepsTheParametersAndIsRecordedTwiceInOneReport) {
  ASSERT_EQ(
      restore(
          R"({"params":{"oriel.depth":0.5},"bank":{"id":"demo","source":"user-folder","locator":"/gone"}})"),
      kResultOk);
  EXPECT_EQ(saved(), R"({"params":{"oriel.rate":5,"oriel.depth":0.5,"oriel.wet":1},"variation":16})");
  const auto reports = peer_->messagesWithId("talvo.runtimeDiagnostics");
  ASSERT_EQ(reports.size(), 1u);
  for (const char* part :
       {R"("code":"bank.missing","severity":"error","phase":"load")",
        R"("code":"bank.missing","severity":"error","phase":"state")", "\"diagnostics\":2"})
    EXPECT_NE(reports[0].json.find(part), std::string::npos) << part << " in " << reports[0].json;
}

}  // namespace
}  // namespace talvo::test
