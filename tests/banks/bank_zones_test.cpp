#include <gtest/gtest.h>

#include <sstream>

#include "bank_writer.h"

using namespace talvo;
using namespace talvo::test;

namespace {

constexpr const char* kPiano = R"("instruments":[{"id":"piano","document":"piano.json"}])";

struct ZoneCase {
  const char* members;  // added to {"assetId":"a"}
  const char* expected;
};

// Loads one instrument holding a zone per case, all on a 100-frame asset "a"
// at 44100 Hz, and compares `describe` of each zone with its expectation.
void expectZones(const std::vector<ZoneCase>& cases, void (*describe)(const StagedZone&, std::ostream&)) {
  TempBank bank;
  bank.manifest({bank.asset("a", "a.wav", monoRamp16(100))}, kPiano);
  std::string zones;
  for (const ZoneCase& c : cases)
    zones += std::string(zones.empty() ? "" : ",") + R"({"assetId":"a")" + (*c.members ? "," : "") +
             c.members + "}";
  bank.instrument("piano.json", zones);
  const RuntimeBankLoad load = bank.load();
  ASSERT_EQ(load.outcome, RuntimeBankOutcome::kOk) << load.error;
  ASSERT_EQ(load.bank.zones.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    std::ostringstream text;
    describe(load.bank.zones[i], text);
    EXPECT_EQ(text.str(), cases[i].expected) << cases[i].members;
  }
}

void describeKeys(const StagedZone& z, std::ostream& out) {
  out << z.lowKey << "-" << z.highKey << " root " << z.rootKey << " vel " << z.lowVelocity << "-"
      << z.highVelocity;
}

void describePlay(const StagedZone& z, std::ostream& out) {
  out << z.id << " " << z.gain << " " << z.pan << " " << z.fineTuneCents << " " << z.attackSeconds << " "
      << z.releaseSeconds << " " << z.filterCutoffHz << " " << z.filterResonance << " kt" << z.keyTracking
      << " rev" << z.reverse << " trig" << z.trigger << " rr" << z.roundRobinGroup << " choke"
      << z.chokeGroup;
}

std::string frame(std::uint32_t value) {
  return value == kStagedFrameUnset ? "-" : std::to_string(value);
}

// "mode start-end crossfade / declared start end crossfade": the played loop
// relative to the zone start, "-" for an undeclared value.
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

TEST(BankZone, StartAndEndFramesTrimThePlayedRegion) {
  expectZones({{R"("startFrame":10,"endFrame":50)", "10+40"},
               {R"("startFrame":10.9,"endFrame":500)", "10+90"},
               {R"("startFrame":100)", "0+100"},
               {R"("startFrame":1e20,"endFrame":30)", "0+30"},
               {R"("startFrame":20,"endFrame":20)", "20+80"},
               {R"("startFrame":-5,"endFrame":null)", "0+100"},
               {R"("startFrame":"40","endFrame":"60")", "0+100"},
               {R"("startFrame":nan,"endFrame":1)", "0+1"}},
              [](const StagedZone& z, std::ostream& out) { out << z.zoneStart << "+" << z.frameCount; });
}

TEST(BankZone, KeysAndVelocitiesRoundAndClamp) {
  expectZones(
      {{"", "0-127 root 60 vel 0-127"},
       {R"("lowKey":60.5,"highKey":300,"rootKey":-3,"lowVelocity":"60","highVelocity":0.49)",
        "61-127 root 0 vel 0-0"},
       {R"("lowKey":nan,"highKey":126.5,"rootKey":"x","highVelocity":null)", "0-127 root 60 vel 0-127"}},
      describeKeys);
}

TEST(BankZone, PlayParametersAreTakenUnclamped) {
  expectZones({{"", " 1 0 0 0.001 0.05 0 0 kt1 rev0 trig0 rr0 choke0"},
               {R"("id":"k","gain":2.5,"pan":-3,"fineTuneCents":1200,"attackSeconds":0,"releaseSeconds":"2",)"
                R"("filterCutoffHz":-1,"filterResonance":40,"keyTracking":false,"reverse":true,)"
                R"("trigger":"release","roundRobinGroup":3.7,"chokeGroup":-2)",
                "k 2.5 -3 1200 0 0.05 -1 40 kt0 rev1 trig1 rr3 choke0"},
               {R"("trigger":"legato","keyTracking":0,"reverse":"yes","chokeGroup":5e9)",
                " 1 0 0 0.001 0.05 0 0 kt1 rev0 trig2 rr0 choke4294967295"},
               {R"("trigger":7)", " 1 0 0 0.001 0.05 0 0 kt1 rev0 trig0 rr0 choke0"}},
              describePlay);
}

TEST(BankZone, ForwardLoopsInsideThePlayedRegionAreKeptOthersDropped) {
  expectZones(
      {{R"("startFrame":10,"loopMode":"forward","loopStartFrame":20,"loopEndFrame":60,"loopCrossfadeFrames":5)",
        "1 10-50 5 / 20 60 5"},
       // The whole played region may loop; a crossfade as long as the loop is kept.
       {R"("startFrame":10,"endFrame":60,"loopMode":"forward","loopStartFrame":10,"loopEndFrame":60,)"
        R"("loopCrossfadeFrames":50)",
        "1 0-50 50 / 10 60 50"},
       // A crossfade longer than the loop is dropped, its declaration kept.
       {R"("loopMode":"forward","loopStartFrame":10,"loopEndFrame":30,"loopCrossfadeFrames":21)",
        "1 10-30 0 / 10 30 21"},
       {R"("loopMode":"forward","loopStartFrame":0,"loopEndFrame":100)", "1 0-100 0 / 0 100 0"},
       // A string start reads as frame 0.
       {R"("loopMode":"forward","loopStartFrame":"10","loopEndFrame":40)", "1 0-40 0 / 0 40 0"},
       // Outside the played region: dropped silently, the declared ends kept.
       {R"("endFrame":50,"loopMode":"forward","loopStartFrame":10,"loopEndFrame":51,"loopCrossfadeFrames":2)",
        "0 0-0 0 / 10 51 -"},
       {R"("startFrame":20,"loopMode":"forward","loopStartFrame":19,"loopEndFrame":40)", "0 0-0 0 / 19 40 -"},
       {R"("loopMode":"forward","loopStartFrame":40,"loopEndFrame":40)", "0 0-0 0 / 40 40 -"},
       {R"("startFrame":5,"loopMode":"forward","loopStartFrame":"10","loopEndFrame":40,"loopCrossfadeFrames":1)",
        "0 0-0 0 / 0 40 -"},
       // Not forward, or an end missing: nothing is declared.
       {R"("loopMode":"Forward","loopStartFrame":10,"loopEndFrame":40)", "0 0-0 0 / - - -"},
       {R"("loopStartFrame":10,"loopEndFrame":40)", "0 0-0 0 / - - -"},
       {R"("loopMode":"forward","loopStartFrame":10)", "0 0-0 0 / - - -"},
       {R"("loopMode":"forward","loopStartFrame":null,"loopEndFrame":40)", "0 0-0 0 / - - -"}},
      describeLoop);
}
