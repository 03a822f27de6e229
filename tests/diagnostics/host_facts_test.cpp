#include "diagnostics/host_facts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

using namespace talvo;

namespace {

HostFacts stereoHost() {
  HostFacts facts;
  facts.sampleRate = 44100.0;
  facts.maxBlockFrames = 512;
  facts.addBus("in0", true, 2, true, "stereo");
  facts.addBus("out0", false, 2, true, "stereo");
  return facts;
}

std::string hostJson(const HostFacts& facts) {
  std::string out;
  writeDiagnosticHostJson(out, facts);
  return out;
}

std::string delta(const HostFacts& a, const HostFacts& b) {
  std::string out;
  writeDiagnosticHostDeltaJson(out, a, b);
  return out;
}

std::string kindOf(const HostFacts& a, const HostFacts& b) {
  const char* kind = diagnosticHostChangeKind(a, b);
  return kind != nullptr ? kind : "(none)";
}

}  // namespace

TEST(HostFactsRecord, DefaultIsZeroExceptLastBlockAndSampleSize) {
  const HostFacts facts;
  unsigned char expected[sizeof(HostFacts)] = {};
  const std::int32_t lastBlock = -1;
  const std::int32_t sampleSize = 32;
  std::memcpy(expected + 724, &lastBlock, 4);
  std::memcpy(expected + 732, &sampleSize, 4);
  EXPECT_EQ(std::memcmp(&facts, expected, sizeof facts), 0);
}

TEST(HostFactsRecord, BytesCopiedOutAndBackCompareEqual) {
  HostFacts facts = stereoHost();
  std::strcpy(facts.hostName, "Some Host");
  facts.validatorKind = kValidatorPluginval;
  facts.tailKind = kTailSamples;
  facts.tailSamples = 4800;
  facts.bypassKnown = 1;
  std::vector<unsigned char> wire(sizeof(HostFacts));
  std::memcpy(wire.data(), &facts, wire.size());
  // The receiver reads these offsets.
  double rate = 0;
  std::memcpy(&rate, wire.data() + 712, sizeof rate);
  EXPECT_EQ(rate, 44100.0);
  EXPECT_STREQ(reinterpret_cast<const char*>(wire.data() + 764 + 68), "out0");
  EXPECT_EQ(wire[704], kValidatorPluginval);
  HostFacts back;
  ASSERT_TRUE(readHostFacts(wire.data(), wire.size(), back));
  EXPECT_EQ(std::memcmp(&back, &facts, sizeof facts), 0);
}

TEST(HostFactsRecord, ReadRefusesWrongSizesAndSealsDamagedFields) {
  HostFacts out;
  std::vector<unsigned char> wire(sizeof(HostFacts) + 1, 'A');
  EXPECT_FALSE(readHostFacts(wire.data(), sizeof(HostFacts) - 1, out));
  EXPECT_FALSE(readHostFacts(wire.data(), sizeof(HostFacts) + 1, out));
  EXPECT_FALSE(readHostFacts(nullptr, sizeof(HostFacts), out));
  EXPECT_EQ(out.sampleSize, 32);                                    // untouched
  ASSERT_TRUE(readHostFacts(wire.data(), sizeof(HostFacts), out));  // every byte 'A'
  EXPECT_EQ(std::strlen(out.hostName), 127u);
  EXPECT_EQ(std::strlen(out.buses[7].layout), 23u);
  EXPECT_EQ(out.busCount, 8u);
  EXPECT_FALSE(hostJson(out).empty());
}

TEST(HostFactsRecord, AddBusKeepsEightAndCutsTexts) {
  HostFacts facts;
  for (const char* id : {"bus0", "bus1", "bus2", "bus3", "bus4", "bus5", "bus6", "bus7", "bus8"})
    facts.addBus(id, true, 1, false, nullptr);
  EXPECT_EQ(facts.busCount, 8u);
  EXPECT_STREQ(facts.buses[7].id, "bus7");
  HostFacts cut;
  cut.addBus(std::string(40, 'i').c_str(), false, 2, true, std::string(30, 'l').c_str());
  cut.addBus(nullptr, false, 2, true, nullptr);
  EXPECT_EQ(std::strlen(cut.buses[0].id), 31u);
  EXPECT_EQ(std::strlen(cut.buses[0].layout), 23u);
  EXPECT_STREQ(cut.buses[1].id, "");
}

TEST(HostDocument, UnknownIdentityBeginsWithSampleRate) {
  EXPECT_EQ(
      hostJson(stereoHost()),
      "{\"sampleRate\":44100,\"maxBlockFrames\":512,\"processMode\":\"realtime\",\"sampleSize\":32,"
      "\"latencySamples\":0,\"tailSamples\":\"unreported\",\"buses\":["
      "{\"id\":\"in0\",\"direction\":\"input\",\"channels\":2,\"active\":true,\"layout\":\"stereo\"},"
      "{\"id\":\"out0\",\"direction\":\"output\",\"channels\":2,\"active\":true,\"layout\":\"stereo\"}]}");
}

TEST(HostDocument, OptionalMembersAppearInOrder) {
  HostFacts facts;
  std::strcpy(facts.hostName, "H");
  std::strcpy(facts.hostVersion, "1.2");
  std::strcpy(facts.hostPath, "/Applications/H.app");
  facts.validatorKind = kValidatorTalvoProbe;
  facts.sampleRate = 96000;
  facts.maxBlockFrames = 64;
  facts.lastBlockFrames = 0;
  facts.processMode = kProcessModeOffline;
  facts.sampleSize = 64;
  facts.latencySamples = 12;
  facts.tailKind = kTailInfinite;
  facts.internalSampleRate = 48000;
  facts.bypassKnown = facts.bypassed = 1;
  facts.addBus("in0", true, 1, false, "");
  EXPECT_EQ(
      hostJson(facts),
      "{\"hostName\":\"H\",\"hostVersion\":\"1.2\",\"hostPath\":\"/Applications/H.app\","
      "\"validatorHost\":\"talvo-probe\",\"sampleRate\":96000,\"maxBlockFrames\":64,\"lastBlockFrames\":0,"
      "\"processMode\":\"offline\",\"sampleSize\":64,\"latencySamples\":12,\"tailSamples\":\"infinite\","
      "\"internalSampleRate\":48000,\"buses\":[{\"id\":\"in0\",\"direction\":\"input\",\"channels\":1,"
      "\"active\":false}],\"bypassed\":true}");
  facts.tailKind = kTailSamples;
  facts.tailSamples = 300;
  EXPECT_NE(hostJson(facts).find("\"tailSamples\":300,"), std::string::npos);
}

TEST(HostDelta, IdenticalOrIdentityOnlyChangesGiveNothing) {
  const HostFacts a = stereoHost();
  HostFacts b = a;
  std::strcpy(b.hostName, "Other");
  b.validatorKind = kValidatorAuval;
  for (const HostFacts* other : {&a, static_cast<const HostFacts*>(&b)}) {
    std::string out = "x";
    EXPECT_FALSE(writeDiagnosticHostDeltaJson(out, a, *other));
    EXPECT_FALSE(writeDiagnosticHostChangedJson(out, a, *other, 1, 0.0));
    EXPECT_EQ(out, "x");
    EXPECT_EQ(diagnosticHostChangeKind(a, *other), nullptr);
  }
}

TEST(HostDelta, CombinedChangesListEveryFieldAndTheFirstRuleWins) {
  const HostFacts a = stereoHost();
  HostFacts b = a;
  b.sampleRate = 48000;
  b.latencySamples = 64;
  EXPECT_EQ(delta(a, b), "{\"sampleRate\":48000,\"latencySamples\":64}");
  EXPECT_EQ(kindOf(a, b), "sampleRateChanged");
  b = a;
  b.latencySamples = 64;
  b.buses[1].channels = 1;
  b.processMode = kProcessModePrefetch;
  EXPECT_EQ(
      delta(a, b),
      "{\"processMode\":\"prefetch\",\"latencySamples\":64,\"buses\":["
      "{\"id\":\"in0\",\"direction\":\"input\",\"channels\":2,\"active\":true,\"layout\":\"stereo\"},"
      "{\"id\":\"out0\",\"direction\":\"output\",\"channels\":1,\"active\":true,\"layout\":\"stereo\"}]}");
  EXPECT_EQ(kindOf(a, b), "busLayoutChanged");
}

TEST(HostDelta, ClassifierRulesInPriorityOrder) {
  using Change = void (*)(HostFacts&);
  const std::pair<Change, const char*> cases[] = {
      {[](HostFacts& b) {
         b.maxBlockFrames = 256;
         b.lastBlockFrames = 100;
       },
       "blockSizeChanged"},
      {[](HostFacts& b) {
         b.tailKind = kTailSamples;
         b.processMode = kProcessModeOffline;
       },
       "tailChanged"},
      {[](HostFacts& b) {
         b.processMode = kProcessModeOffline;
         b.bypassKnown = 1;
       },
       "processModeChanged"},
      {[](HostFacts& b) {
         b.bypassKnown = 1;
         b.lastBlockFrames = 32;
       },
       "bypassChanged"},
      {[](HostFacts& b) {
         b.lastBlockFrames = 32;
         b.sampleSize = 64;
       },
       "blockSizeChanged"},
      {[](HostFacts& b) {
         b.sampleSize = 64;
         b.internalSampleRate = 48000;
       },
       "configured"},
      {[](HostFacts& b) { b.internalSampleRate = 48000; }, "sampleRateChanged"},
      {[](HostFacts& b) { std::strcpy(b.buses[0].layout, "mono"); }, "busLayoutChanged"},
      {[](HostFacts& b) { b.busCount = 1; }, "busLayoutChanged"},
  };
  const HostFacts a = stereoHost();
  for (const auto& [change, kind] : cases) {
    HostFacts b = a;
    change(b);
    EXPECT_EQ(kindOf(a, b), kind);
  }
}

TEST(HostDelta, MembersThatOnlyAppearWhenMeaningful) {
  HostFacts a = stereoHost();
  a.lastBlockFrames = 128;
  a.internalSampleRate = 48000;
  HostFacts b = a;
  b.lastBlockFrames = -1;
  b.internalSampleRate = 0;
  EXPECT_EQ(delta(a, b), "");  // differ, but neither value is reportable
  EXPECT_EQ(kindOf(a, b), "blockSizeChanged");
  b = a;
  b.bypassKnown = 1;
  b.tailKind = kTailInfinite;
  EXPECT_EQ(delta(a, b), "{\"tailSamples\":\"infinite\",\"bypassed\":false}");
}

TEST(HostChangedMessage, CarriesTheDeltaAndTheEvent) {
  const HostFacts a = stereoHost();
  HostFacts b = a;
  b.sampleRate = 48000;
  std::string out;
  ASSERT_TRUE(writeDiagnosticHostChangedJson(out, a, b, 9, 12.5));
  EXPECT_EQ(out,
            "{\"type\":\"talvo.hostChanged\",\"host\":{\"sampleRate\":48000},"
            "\"event\":{\"seq\":9,\"timeMs\":12.5,\"kind\":\"sampleRateChanged\"}}");
}
