// The engine's sampler surface: pad snapshots, the refused bank, failure records, velocity.
#include "engine/sampler_slots.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace talvo;

namespace {

SamplerPadOverride pad(std::string key, std::uint32_t mask = kPadGain) {
  return {.key = std::move(key), .mask = mask};
}

struct Slots {
  ParameterMirror params;
  talvo_runtime_diagnostic_ring ring{};
  SamplerSlots slots{params, ring};
};

}  // namespace

TEST(SamplerPads, RefusedSetsKeepTheSnapshotAndASecondPublishFreesTheFirst) {
  Slots s;
  ASSERT_TRUE(s.slots.publishSamplerPadOverrides({pad("kick")}));
  const std::weak_ptr<const SamplerPadOverrides> first = s.slots.padOverrides();
  const std::uint32_t generation = s.slots.padOverridesGeneration();
  EXPECT_NE(generation, 0u);
  for (const SamplerPadOverrides& refused :
       {SamplerPadOverrides(257, pad("k")), {pad(std::string(161, 'k'))}, {pad("k", 0)}, {pad("")}}) {
    EXPECT_FALSE(s.slots.publishSamplerPadOverrides(refused)) << refused.size() << " entries";
    EXPECT_EQ(s.slots.padOverrides(), first.lock());
    EXPECT_EQ(s.slots.padOverridesGeneration(), generation);
  }
  ASSERT_TRUE(s.slots.publishSamplerPadOverrides({pad(std::string(160, 'k'))}));
  EXPECT_TRUE(first.expired()) << "nothing else holds a replaced snapshot";
  EXPECT_EQ(s.slots.padOverridesGeneration(), generation + 1);
}

TEST(SamplerBanks, EveryBankIsRefusedAndEachFailureIsRecordedWithItsCodeAndPhase) {
  Slots s;
  EXPECT_FALSE(s.slots.publishRuntimeBank(std::make_shared<const StagedBank>()));
  EXPECT_EQ(s.slots.runtimeBank(), nullptr);
  EXPECT_EQ(s.slots.recallSampleBank(""), BankRecallOutcome::kNone);
  s.slots.recordRuntimeBankFailure(RuntimeBankOutcome::kOk, "fine", "user-folder");
  EXPECT_EQ(s.slots.recallSampleBank("demo"), BankRecallOutcome::kMissing);
  s.slots.recordRuntimeBankFailure(RuntimeBankOutcome::kBankHashMismatch, "asset differs", "user-folder");
  s.slots.recordRuntimeBankFailure(RuntimeBankOutcome::kBankTooLarge, nullptr, "x\",\"reason\":\"ok");
  using Record = std::tuple<std::uint32_t, int, std::string, std::string>;
  const Record expected[] = {
      {27, TALVO_PHASE_STATE,
       "state recall named a bank this build does not contain; parameters kept, output silent, no bank "
       "substituted",
       R"({"bank":"demo","banks":0})"},
      {28, TALVO_PHASE_LOAD, "runtime bank load refused (bank-hash-mismatch): asset differs",
       R"({"reason":"bank-hash-mismatch","source":"user-folder"})"},
      // A quote in the source cannot forge the reason.
      {27, TALVO_PHASE_LOAD, "runtime bank load refused (bank-too-large): ",
       R"({"reason":"bank-too-large","source":"x\",\"reason\":\"ok"})"},
  };
  ASSERT_EQ(s.ring.count, 3u);
  for (int i = 0; i < 3; ++i) {
    const talvo_runtime_diagnostic& r = s.ring.records[i];
    EXPECT_EQ((Record{r.code, r.phase, r.message, r.detail}), expected[i]);
  }
}

TEST(SamplerVelocity, PadSensitivityShapesVelocityOnlyOnceSlotsAreAssigned) {
  Slots s;
  EXPECT_EQ(s.slots.resolveSamplerVelocity(60, 0.8), 0.8);
  StagedBank bank;
  bank.zones = {{.id = "kick", .lowKey = 36, .highKey = 36, .keyTracking = 0}};
  const SamplerPadOverrides pads{
      {.key = "kick", .mask = kPadVelocitySensitivity, .velocitySensitivity = 0.5}};
  s.slots.refreshSamplerPadVelocitySensitivity(&pads, &bank);
  s.slots.assignVelocitySlots(3, 3, 3);  // no parameter: velocity mode, no humanize
  EXPECT_DOUBLE_EQ(s.slots.resolveSamplerVelocity(36, 0.8), 0.9) << "halfway between the velocity and full";
  EXPECT_DOUBLE_EQ(s.slots.resolveSamplerVelocity(60, -1.0), 0.01);
}
