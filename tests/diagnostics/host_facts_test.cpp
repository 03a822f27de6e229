#include "diagnostics/host_facts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "bridge/golden.h"

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

// The stereo host with the named fields changed.
constexpr unsigned kIdentity = 1, kRate = 2, kLatency = 4, kOutChannels = 8, kPrefetch = 16, kOffline = 32,
                   kMaxBlock = 64, kLastBlock = 128, kTail = 256, kBypass = 512, kSampleSize = 1024,
                   kInternalRate = 2048, kLayout = 4096, kBusCount = 8192;

HostFacts changedHost(unsigned changes) {
  HostFacts b = stereoHost();
  if (changes & kIdentity) {
    std::strcpy(b.hostName, "Other");
    b.validatorKind = kValidatorAuval;
  }
  if (changes & kRate) b.sampleRate = 48000;
  if (changes & kLatency) b.latencySamples = 64;
  if (changes & kOutChannels) b.buses[1].channels = 1;
  if (changes & kPrefetch) b.processMode = kProcessModePrefetch;
  if (changes & kOffline) b.processMode = kProcessModeOffline;
  if (changes & kMaxBlock) b.maxBlockFrames = 256;
  if (changes & kLastBlock) b.lastBlockFrames = 32;
  if (changes & kTail) b.tailKind = kTailSamples;
  if (changes & kBypass) b.bypassKnown = 1;
  if (changes & kSampleSize) b.sampleSize = 64;
  if (changes & kInternalRate) b.internalSampleRate = 48000;
  if (changes & kLayout) std::strcpy(b.buses[0].layout, "mono");
  if (changes & kBusCount) b.busCount = 1;
  return b;
}

}  // namespace

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

TEST(HostDocument, UnknownIdentityBeginsWithSampleRateAndOptionalMembersAppearInOrder) {
  test::expectGolden("diagnostics/host_stereo.json", hostJson(stereoHost()));
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
  test::expectGolden("diagnostics/host_every_member.json", hostJson(facts));
  facts.tailKind = kTailSamples;
  facts.tailSamples = 300;
  EXPECT_NE(hostJson(facts).find("\"tailSamples\":300,"), std::string::npos);
}

TEST(HostDelta, ListsEveryChangedFieldAndTheFirstRuleNamesTheChange) {
  const HostFacts a = stereoHost();
  for (unsigned changes : {0u, kIdentity}) {  // identity is never part of a delta
    std::string out = "x";
    EXPECT_FALSE(writeDiagnosticHostDeltaJson(out, a, changedHost(changes)));
    EXPECT_FALSE(writeDiagnosticHostChangedJson(out, a, changedHost(changes), 1, 0.0));
    EXPECT_EQ(out, "x");
  }
  EXPECT_EQ(delta(a, changedHost(kRate | kLatency)), "{\"sampleRate\":48000,\"latencySamples\":64}");
  test::expectGolden("diagnostics/host_delta.json",
                     delta(a, changedHost(kLatency | kOutChannels | kPrefetch)));
  const std::pair<unsigned, const char*> rules[] = {
      {0, "(none)"},
      {kIdentity, "(none)"},
      {kRate | kLatency, "sampleRateChanged"},
      {kLatency | kOutChannels | kPrefetch, "busLayoutChanged"},
      {kMaxBlock | kLastBlock, "blockSizeChanged"},
      {kTail | kOffline, "tailChanged"},
      {kOffline | kBypass, "processModeChanged"},
      {kBypass | kLastBlock, "bypassChanged"},
      {kLastBlock | kSampleSize, "blockSizeChanged"},
      {kSampleSize | kInternalRate, "configured"},
      {kInternalRate, "sampleRateChanged"},
      {kLatency, "latencyChanged"},
      {kLayout, "busLayoutChanged"},
      {kBusCount, "busLayoutChanged"},
  };
  for (const auto& [changes, kind] : rules)
    EXPECT_EQ(kindOf(a, changedHost(changes)), kind) << changes;
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
  std::string out;
  ASSERT_TRUE(writeDiagnosticHostChangedJson(out, stereoHost(), changedHost(kRate), 9, 12.5));
  EXPECT_EQ(out,
            "{\"type\":\"talvo.hostChanged\",\"host\":{\"sampleRate\":48000},"
            "\"event\":{\"seq\":9,\"timeMs\":12.5,\"kind\":\"sampleRateChanged\"}}");
}
