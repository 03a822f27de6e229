#include "diagnostics/host_facts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "bridge/golden.h"
#include "support/data_file.h"

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

std::string kindOf(const HostFacts& a, const HostFacts& b) {
  const char* kind = diagnosticHostChangeKind(a, b);
  return kind != nullptr ? kind : "(none)";
}

// The stereo host before and after the named changes; "was" names change the host before.
std::pair<HostFacts, HostFacts> changedHosts(const std::string& changes) {
  HostFacts a = stereoHost(), b = stereoHost();
  std::istringstream names(changes);
  for (std::string name; names >> name;) {
    if (name == "wasLastBlock") a.lastBlockFrames = 128;
    if (name == "wasInternalRate") a.internalSampleRate = 48000;
    if (name == "identity") {
      std::strcpy(b.hostName, "Other");
      b.validatorKind = kValidatorAuval;
    }
    if (name == "rate") b.sampleRate = 48000;
    if (name == "latency") b.latencySamples = 64;
    if (name == "outChannels") b.buses[1].channels = 1;
    if (name == "prefetch") b.processMode = kProcessModePrefetch;
    if (name == "offline") b.processMode = kProcessModeOffline;
    if (name == "maxBlock") b.maxBlockFrames = 256;
    if (name == "lastBlock") b.lastBlockFrames = 32;
    if (name == "tail") b.tailKind = kTailSamples;
    if (name == "infiniteTail") b.tailKind = kTailInfinite;
    if (name == "bypass") b.bypassKnown = 1;
    if (name == "sampleSize") b.sampleSize = 64;
    if (name == "internalRate") b.internalSampleRate = 48000;
    if (name == "layout") std::strcpy(b.buses[0].layout, "mono");
    if (name == "busCount") b.busCount = 1;
  }
  return {a, b};
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

// The texts are cut as every diagnostic text field is (runtime_health_test.cpp).
TEST(HostFactsRecord, AddBusKeepsEight) {
  HostFacts facts;
  for (const char* id : {"bus0", "bus1", "bus2", "bus3", "bus4", "bus5", "bus6", "bus7", "bus8"})
    facts.addBus(id, true, 1, false, nullptr);
  EXPECT_EQ(facts.busCount, 8u);
  EXPECT_STREQ(facts.buses[7].id, "bus7");
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

// The rows of tests/data/diagnostics/host_changes.txt.
TEST(HostDelta, ListsEveryChangedFieldAndTheFirstRuleNamesTheChange) {
  for (const test::CaseRow& row : test::readCaseTable("diagnostics/host_changes.txt")) {
    const auto [a, b] = changedHosts(row.at(0));
    std::string out = "x", message = "x";
    EXPECT_EQ(writeDiagnosticHostDeltaJson(out, a, b), row.at(2) != "-") << row[0];
    EXPECT_EQ(writeDiagnosticHostChangedJson(message, a, b, 9, 12.5), row[2] != "-") << row[0];
    EXPECT_EQ(out, row[2] == "-" ? "x" : "x" + row[2]) << row[0];
    EXPECT_EQ(kindOf(a, b), row.at(1)) << row[0];
    // The message carries the delta and the event.
    EXPECT_EQ(message, row[2] == "-" ? "x"
                                     : R"(x{"type":"talvo.hostChanged","host":)" + row[2] +
                                           R"(,"event":{"seq":9,"timeMs":12.5,"kind":")" + row[1] + "\"}}");
  }
}
