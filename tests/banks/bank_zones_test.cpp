#include <gtest/gtest.h>

#include "bank_writer.h"

using namespace talvo;
using namespace talvo::test;

namespace {

constexpr const char* kPiano = R"("instruments":[{"id":"piano","document":"piano.json"}])";

// One 100-frame asset "a" at 44100 Hz; each test writes its own zones.
struct ZoneBank : TempBank {
  ZoneBank() { manifest({asset("a", "a.wav", monoRamp16(100))}, kPiano); }

  StagedZone zone(const std::string& members) const {
    instrument("piano.json", R"({"assetId":"a")" + (members.empty() ? "" : "," + members) + "}");
    const RuntimeBankLoad load = this->load();
    EXPECT_EQ(load.outcome, RuntimeBankOutcome::kOk) << load.error;
    return load.bank.zones.empty() ? StagedZone() : load.bank.zones.front();
  }
};

}  // namespace

TEST(BankPool, EveryEncodingLandsInThePoolAsMono) {
  TempBank bank;
  const Bytes stereo24 =
      riffWave({{"fmt ", fmtBody(1, 2, 48000, 24)}, {"data", pcm24({4194304, 0, -8388608, 0})}});
  const Bytes float32Mono = riffWave({{"fmt ", fmtBody(3, 1, 96000, 32)}, {"data", float32({0.125f})}});
  const Bytes extensible =
      riffWave({{"fmt ", extensibleFmtBody(1, 2, 22050, 16)}, {"data", pcm16({8192, 8192})}});
  bank.manifest({bank.asset("s24", "s24.wav", stereo24), bank.asset("f32", "f32.wav", float32Mono),
                 bank.asset("ext", "ext.wav", extensible), bank.asset("m16", "m16.wav", monoRamp16(3))},
                kPiano);
  bank.instrument("piano.json", R"({"assetId":"f32"},{"assetId":"s24"},{"assetId":"ext"},{"assetId":"m16"})");
  const RuntimeBankLoad load = bank.load();
  ASSERT_EQ(load.outcome, RuntimeBankOutcome::kOk) << load.error;
  EXPECT_EQ(load.bank.samplePool,
            (std::vector<float>{0.125f, 0.25f, -0.5f, 0.25f, 0.0f, 1.0f / 512, 2.0f / 512}));
  ASSERT_EQ(load.bank.zones.size(), 4u);
  EXPECT_EQ(load.bank.sampleRate, 96000.0);
  EXPECT_EQ(load.bank.zones[1].sampleRate, 48000.0);
  EXPECT_EQ(load.bank.zones[2].sampleRate, 22050.0);
}

TEST(BankPool, SharedAssetsArePooledOnceInOrderOfFirstUse) {
  TempBank bank;
  bank.manifest({bank.asset("a", "a.wav", monoRamp16(10)), bank.asset("b", "b.wav", monoRamp16(20)),
                 bank.asset("c", "c.wav", monoRamp16(30)), bank.asset("unused", "junk.wav", Bytes(50, 1))},
                kPiano);
  bank.instrument("piano.json",
                  R"({"id":"1","assetId":"b"},{"id":"2","assetId":"a"},"skip",{"id":"3","assetId":"b"},)"
                  R"({"id":"4","assetId":"c"})");
  const RuntimeBankLoad load = bank.load();
  ASSERT_EQ(load.outcome, RuntimeBankOutcome::kOk) << load.error;
  EXPECT_EQ(load.bank.samplePool.size(), 60u);
  const std::vector<StagedZone>& zones = load.bank.zones;
  ASSERT_EQ(zones.size(), 4u);
  EXPECT_EQ(zones[0].id, "1");
  EXPECT_EQ(zones[0].assetOffset, 0u);
  EXPECT_EQ(zones[1].assetOffset, 20u);
  EXPECT_EQ(zones[2].assetOffset, 0u);
  EXPECT_EQ(zones[3].assetOffset, 30u);
  EXPECT_EQ(zones[3].assetFrames, 30u);
  EXPECT_EQ(load.bank.samplePool[29], 9.0f / 512);  // last frame of "a"
}

TEST(BankPool, LaterDeclarationOfAnAssetIdWins) {
  TempBank bank;
  bank.manifest({bank.asset("a", "old.wav", monoRamp16(10)), bank.asset("a", "new.wav", monoRamp16(40))},
                kPiano);
  bank.instrument("piano.json", R"({"assetId":"a"})");
  const RuntimeBankLoad load = bank.load();
  ASSERT_EQ(load.outcome, RuntimeBankOutcome::kOk) << load.error;
  EXPECT_EQ(load.bank.samplePool.size(), 40u);
}

TEST(BankZone, DefaultsApplyToABareZone) {
  const StagedZone z = ZoneBank().zone("");
  EXPECT_EQ(z.zoneStart, 0u);
  EXPECT_EQ(z.frameCount, 100u);
  EXPECT_EQ(z.sampleRate, 44100.0);
  EXPECT_EQ(z.declaredLoopStart, kStagedFrameUnset);
  EXPECT_EQ(z.declaredLoopEnd, kStagedFrameUnset);
  EXPECT_EQ(z.declaredCrossfade, kStagedFrameUnset);
  EXPECT_EQ(z.lowKey, 0u);
  EXPECT_EQ(z.highKey, 127u);
  EXPECT_EQ(z.rootKey, 60u);
  EXPECT_EQ(z.keyTracking, 1u);
  EXPECT_EQ(z.highVelocity, 127u);
  EXPECT_EQ(z.gain, 1.0);
  EXPECT_EQ(z.attackSeconds, 0.001);
  EXPECT_EQ(z.releaseSeconds, 0.05);
  EXPECT_EQ(z.loopMode, 0u);
  EXPECT_FALSE(z.reverse);
}

TEST(BankZone, StartAndEndFramesTrimThePlayedRegion) {
  ZoneBank bank;
  const auto region = [&](const std::string& members) {
    const StagedZone z = bank.zone(members);
    return std::make_pair(z.zoneStart, z.frameCount);
  };
  using Region = std::pair<std::uint32_t, std::uint32_t>;
  EXPECT_EQ(region(R"("startFrame":10,"endFrame":50)"), Region(10, 40));
  EXPECT_EQ(region(R"("startFrame":10.9,"endFrame":500)"), Region(10, 90));
  EXPECT_EQ(region(R"("startFrame":100)"), Region(0, 100));
  EXPECT_EQ(region(R"("startFrame":1e20,"endFrame":30)"), Region(0, 30));
  EXPECT_EQ(region(R"("startFrame":20,"endFrame":20)"), Region(20, 80));
  EXPECT_EQ(region(R"("startFrame":-5,"endFrame":null)"), Region(0, 100));
  EXPECT_EQ(region(R"("startFrame":"40","endFrame":"60")"), Region(0, 100));
  EXPECT_EQ(region(R"("startFrame":nan,"endFrame":1)"), Region(0, 1));
}

TEST(BankZone, KeysAndVelocitiesRoundAndClamp) {
  ZoneBank bank;
  StagedZone z =
      bank.zone(R"("lowKey":60.5,"highKey":300,"rootKey":-3,"lowVelocity":"60","highVelocity":0.49)");
  EXPECT_EQ(z.lowKey, 61u);
  EXPECT_EQ(z.highKey, 127u);
  EXPECT_EQ(z.rootKey, 0u);
  EXPECT_EQ(z.lowVelocity, 0u);
  EXPECT_EQ(z.highVelocity, 0u);
  z = bank.zone(R"("lowKey":nan,"highKey":126.5,"rootKey":"x","highVelocity":null)");
  EXPECT_EQ(z.lowKey, 0u);
  EXPECT_EQ(z.highKey, 127u);
  EXPECT_EQ(z.rootKey, 60u);
  EXPECT_EQ(z.highVelocity, 127u);
}

TEST(BankZone, PlayParametersAreTakenUnclamped) {
  ZoneBank bank;
  StagedZone z = bank.zone(
      R"("id":"k","gain":2.5,"pan":-3,"fineTuneCents":1200,"attackSeconds":0,"releaseSeconds":"2",)"
      R"("filterCutoffHz":-1,"filterResonance":40,"keyTracking":false,"reverse":true,"trigger":"release",)"
      R"("roundRobinGroup":3.7,"chokeGroup":-2)");
  EXPECT_EQ(z.id, "k");
  EXPECT_EQ(z.gain, 2.5);
  EXPECT_EQ(z.pan, -3.0);
  EXPECT_EQ(z.fineTuneCents, 1200.0);
  EXPECT_EQ(z.attackSeconds, 0.0);
  EXPECT_EQ(z.releaseSeconds, 0.05);
  EXPECT_EQ(z.filterCutoffHz, -1.0);
  EXPECT_EQ(z.filterResonance, 40.0);
  EXPECT_EQ(z.keyTracking, 0u);
  EXPECT_TRUE(z.reverse);
  EXPECT_EQ(z.trigger, 1u);
  EXPECT_EQ(z.roundRobinGroup, 3u);
  EXPECT_EQ(z.chokeGroup, 0u);
  z = bank.zone(R"("trigger":"legato","keyTracking":0,"reverse":"yes","chokeGroup":5e9)");
  EXPECT_EQ(z.trigger, 2u);
  EXPECT_EQ(z.keyTracking, 1u);
  EXPECT_FALSE(z.reverse);
  EXPECT_EQ(z.chokeGroup, 0xFFFFFFFFu);
  EXPECT_EQ(bank.zone(R"("trigger":7)").trigger, 0u);
}

TEST(BankZone, ForwardLoopIsStoredRelativeToTheStart) {
  const StagedZone z =
      ZoneBank().zone(R"("startFrame":10,"loopMode":"forward","loopStartFrame":20,"loopEndFrame":60,)"
                      R"("loopCrossfadeFrames":5)");
  EXPECT_EQ(z.loopMode, 1u);
  EXPECT_EQ(z.loopStart, 10u);
  EXPECT_EQ(z.loopEnd, 50u);
  EXPECT_EQ(z.loopCrossfade, 5u);
  EXPECT_EQ(z.declaredLoopStart, 20u);
  EXPECT_EQ(z.declaredLoopEnd, 60u);
  EXPECT_EQ(z.declaredCrossfade, 5u);
}

TEST(BankZone, LoopAtTheEdgesOfThePlayedRegion) {
  ZoneBank bank;
  // The whole played region may loop; a crossfade as long as the loop is kept.
  StagedZone z = bank.zone(R"("startFrame":10,"endFrame":60,"loopMode":"forward","loopStartFrame":10,)"
                           R"("loopEndFrame":60,"loopCrossfadeFrames":50)");
  EXPECT_EQ(z.loopMode, 1u);
  EXPECT_EQ(z.loopEnd, 50u);
  EXPECT_EQ(z.loopCrossfade, 50u);
  // A crossfade longer than the loop is dropped but its declaration kept.
  z = bank.zone(R"("loopMode":"forward","loopStartFrame":10,"loopEndFrame":30,"loopCrossfadeFrames":21)");
  EXPECT_EQ(z.loopMode, 1u);
  EXPECT_EQ(z.loopCrossfade, 0u);
  EXPECT_EQ(z.declaredCrossfade, 21u);
  // Without a crossfade member the declaration reads as zero.
  z = bank.zone(R"("loopMode":"forward","loopStartFrame":0,"loopEndFrame":100)");
  EXPECT_EQ(z.loopMode, 1u);
  EXPECT_EQ(z.declaredCrossfade, 0u);
}

TEST(BankZone, LoopsOutsideThePlayedRegionAreDroppedSilently) {
  ZoneBank bank;
  for (
      const char* members :
      {R"("endFrame":50,"loopMode":"forward","loopStartFrame":10,"loopEndFrame":51,"loopCrossfadeFrames":2)",
       R"("startFrame":20,"loopMode":"forward","loopStartFrame":19,"loopEndFrame":40)",
       R"("loopMode":"forward","loopStartFrame":40,"loopEndFrame":40)",
       R"("startFrame":5,"loopMode":"forward","loopStartFrame":"10","loopEndFrame":40,"loopCrossfadeFrames":1)"}) {
    const StagedZone z = bank.zone(members);
    EXPECT_EQ(z.loopMode, 0u) << members;
    EXPECT_EQ(z.loopStart, 0u);
    EXPECT_EQ(z.loopEnd, 0u);
    EXPECT_NE(z.declaredLoopEnd, kStagedFrameUnset) << members;
    EXPECT_EQ(z.declaredCrossfade, kStagedFrameUnset) << members;
  }
  // A string start reads as frame 0, so this loop is accepted from the asset start.
  EXPECT_EQ(bank.zone(R"("loopMode":"forward","loopStartFrame":"10","loopEndFrame":40)").loopEnd, 40u);
}

TEST(BankZone, LoopNeedsForwardModeAndBothEnds) {
  ZoneBank bank;
  for (const char* members :
       {R"("loopMode":"pingpong","loopStartFrame":10,"loopEndFrame":40)",
        R"("loopMode":"Forward","loopStartFrame":10,"loopEndFrame":40)",
        R"("loopStartFrame":10,"loopEndFrame":40)", R"("loopMode":"forward","loopStartFrame":10)",
        R"("loopMode":"forward","loopStartFrame":null,"loopEndFrame":40)"}) {
    const StagedZone z = bank.zone(members);
    EXPECT_EQ(z.loopMode, 0u) << members;
    EXPECT_EQ(z.declaredLoopStart, kStagedFrameUnset) << members;
    EXPECT_EQ(z.declaredLoopEnd, kStagedFrameUnset) << members;
  }
}
