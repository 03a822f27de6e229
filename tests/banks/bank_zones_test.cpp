#include <gtest/gtest.h>

#include <sstream>

#include "bank_writer.h"
#include "support/data_file.h"

using namespace talvo;
using namespace talvo::test;

namespace {

constexpr const char* kPiano = R"("instruments":[{"id":"piano","document":"piano.json"}])";

// Loads one instrument holding a zone per row of `group` in tests/data/banks/zones.txt, all on a
// 100-frame asset "a" at 44100 Hz, and compares `describe` of each zone with the row's expectation.
void expectZones(const std::string& group, void (*describe)(const StagedZone&, std::ostream&)) {
  std::vector<CaseRow> rows = readCaseTable("banks/zones.txt");
  std::erase_if(rows, [&](const CaseRow& row) { return row.at(0) != group; });
  TempBank bank;
  bank.manifest({bank.asset("a", "a.wav", monoRamp16(100))}, kPiano);
  std::string zones;
  for (const CaseRow& row : rows)
    zones += std::string(zones.empty() ? "" : ",") + R"({"assetId":"a")" + (row.at(1).empty() ? "" : ",") +
             row[1] + "}";
  bank.instrument("piano.json", zones);
  const RuntimeBankLoad load = bank.load();
  ASSERT_EQ(load.outcome, RuntimeBankOutcome::kOk) << load.error;
  ASSERT_EQ(load.bank.zones.size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    std::ostringstream text;
    describe(load.bank.zones[i], text);
    EXPECT_EQ(text.str(), rows[i].at(2)) << rows[i][1];
  }
}

void describeTrim(const StagedZone& z, std::ostream& out) {
  out << z.zoneStart << "+" << z.frameCount;
}

void describeKeys(const StagedZone& z, std::ostream& out) {
  out << z.lowKey << "-" << z.highKey << " root " << z.rootKey << " vel " << z.lowVelocity << "-"
      << z.highVelocity;
}

void describePlay(const StagedZone& z, std::ostream& out) {
  out << '"' << z.id << "\" " << z.gain << " " << z.pan << " " << z.fineTuneCents << " " << z.attackSeconds
      << " " << z.releaseSeconds << " " << z.filterCutoffHz << " " << z.filterResonance << " kt"
      << z.keyTracking << " rev" << z.reverse << " trig" << z.trigger << " rr" << z.roundRobinGroup
      << " choke" << z.chokeGroup;
}

std::string frame(std::uint32_t value) {
  return value == kStagedFrameUnset ? "-" : std::to_string(value);
}

void describeLoop(const StagedZone& z, std::ostream& out) {
  out << z.loopMode << " " << z.loopStart << "-" << z.loopEnd << " " << z.loopCrossfade << " / "
      << frame(z.declaredLoopStart) << " " << frame(z.declaredLoopEnd) << " " << frame(z.declaredCrossfade);
}

}  // namespace

TEST(BankPool, SharedAssetsArePooledOnceInOrderOfFirstUse) {
  TempBank bank;
  // The later of two declarations of "a" wins.
  bank.manifest(
      {bank.asset("a", "old.wav", monoRamp16(5)), bank.asset("a", "a.wav", monoRamp16(10)),
       bank.asset("b", "b.wav", monoRamp16(20, 48000)), bank.asset("c", "c.wav", monoRamp16(30, 22050)),
       bank.asset("unused", "junk.wav", Bytes(50, 1))},
      kPiano);
  bank.instrument("piano.json",
                  R"({"id":"1","assetId":"b"},{"id":"2","assetId":"a"},"skip",{"id":"3","assetId":"b"},)"
                  R"({"id":"4","assetId":"c"})");
  const RuntimeBankLoad load = bank.load();
  ASSERT_EQ(load.outcome, RuntimeBankOutcome::kOk) << load.error;
  ASSERT_EQ(load.bank.samplePool.size(), 60u);
  EXPECT_EQ(load.bank.samplePool[29], 9.0f / 512);  // last frame of "a"
  EXPECT_EQ(load.bank.samplePool[59], 29.0f / 512);
  std::string layout;
  for (const StagedZone& z : load.bank.zones)
    layout += z.id + "@" + std::to_string(z.assetOffset) + "+" + std::to_string(z.assetFrames) + "/" +
              std::to_string(static_cast<int>(z.sampleRate)) + " ";
  EXPECT_EQ(layout, "1@0+20/48000 2@20+10/44100 3@0+20/48000 4@30+30/22050 ");
  EXPECT_EQ(load.bank.sampleRate, 48000.0);  // the first zone's
}

// Frames trim the played region, keys and velocities round and clamp, play parameters are taken
// unclamped, forward loops inside the played region are kept and others dropped.
TEST(BankZone, MembersAreReadAsListed) {
  const std::pair<const char*, void (*)(const StagedZone&, std::ostream&)> groups[] = {
      {"trim", describeTrim}, {"keys", describeKeys}, {"play", describePlay}, {"loop", describeLoop}};
  for (const auto& [group, describe] : groups) {
    SCOPED_TRACE(group);
    expectZones(group, describe);
  }
}
