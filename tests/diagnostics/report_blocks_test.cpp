#include "diagnostics/report_blocks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace talvo;

namespace {

const char* const kIdentity =
    "{\"moduleId\":\"music.talvo.oriel\",\"name\":\"Oriel\",\"vendor\":\"Talvo Music\",\"version\":\"0.1.0\","
    "\"hostClass\":\"effect\",\"target\":\"vst3\",\"sdkVersion\":\"0.0.0\",\"build\":{\"mode\":"
    "\"production\","
    "\"configuration\":\"Release\"},\"ratePolicy\":{\"mode\":\"host-native\"},\"state\":{\"version\":1,"
    "\"maxBytes\":65536},\"ports\":[{\"id\":\"in\",\"kind\":\"audio\",\"direction\":\"input\",\"busRole\":"
    "\"main\",\"channels\":1},{\"id\":\"out\",\"kind\":\"audio\",\"direction\":\"output\",\"busRole\":"
    "\"main\","
    "\"channels\":1},{\"id\":\"midi-in\",\"kind\":\"midi\",\"direction\":\"input\",\"busRole\":\"main\"}]}";

std::string identity(DiagnosticTarget target, const UiBundleFacts& ui = {}) {
  std::string out;
  writeDiagnosticIdentityJson(out, target, ui);
  return out;
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

}  // namespace

TEST(IdentityDocument, ExactDocumentAndOtherTargets) {
  EXPECT_EQ(identity(DiagnosticTarget::vst3), kIdentity);
  EXPECT_TRUE(contains(identity(DiagnosticTarget::au), "\"target\":\"au\""));
  EXPECT_TRUE(contains(identity(DiagnosticTarget::standalone), "\"target\":\"standalone\""));
  EXPECT_TRUE(contains(identity(static_cast<DiagnosticTarget>(9)), "\"target\":\"offline\""));
}

TEST(IdentityDocument, UiFactsAppearOnlyWhenKnownAndInOrder) {
  UiBundleFacts ui;
  std::strcpy(ui.sourceRevision, "abc123");
  EXPECT_TRUE(contains(identity(DiagnosticTarget::vst3, ui),
                       "\"Release\"},\"ui\":{\"sourceRevision\":\"abc123\"},\"ratePolicy\""));
  std::strcpy(ui.buildTime, "2026-12-06T20:00:00Z");
  std::strcpy(ui.sha256, "ff");
  EXPECT_TRUE(contains(identity(DiagnosticTarget::vst3, ui),
                       "\"ui\":{\"buildTime\":\"2026-12-06T20:00:00Z\",\"sourceRevision\":\"abc123\","
                       "\"sha256\":\"ff\"},"));
}

TEST(CompiledBanks, NoneExistAndDescribingClearsTheRecord) {
  EXPECT_EQ(compiledBankCount(), 0u);
  BankFacts bank;
  bank.present = 1;
  bank.zoneCount = 5;
  std::strcpy(bank.id, "stale");
  EXPECT_FALSE(describeCompiledBank(0, bank));
  EXPECT_EQ(bank.present, 0);
  for (std::int32_t value : {bank.index, bank.zoneCount, bank.roundRobinGroups, bank.chokeGroups,
                             bank.velocityLayers, bank.padCount})
    EXPECT_EQ(value, -1);
  EXPECT_STREQ(bank.id, "");
  std::string out;
  EXPECT_FALSE(writeDiagnosticBanksJson(out));
  EXPECT_TRUE(out.empty());
}

TEST(BankDocument, KnownMembersOnlyInOrder) {
  BankFacts bank;
  std::strcpy(bank.id, "kit.one");
  std::string out;
  writeDiagnosticBankJson(out, bank);
  EXPECT_EQ(out, "{\"id\":\"kit.one\"}");
  std::strcpy(bank.name, "Kit One");
  std::strcpy(bank.source, "user-folder");
  bank.index = 0;
  bank.padCount = 16;
  out.clear();
  writeDiagnosticBankJson(out, bank);
  EXPECT_EQ(
      out,
      "{\"id\":\"kit.one\",\"name\":\"Kit One\",\"source\":\"user-folder\",\"index\":0,\"padCount\":16}");
}

TEST(PresetStateDocument, CurrentPresetStateSizeAndBankOnlyWhenPresent) {
  PresetStateFacts preset;
  preset.factoryCount = 1;
  std::strcpy(preset.currentId, "default");
  std::strcpy(preset.currentName, "Default");
  preset.dirty = 1;
  preset.lastStateBytes = 0;
  std::strcpy(preset.bank.id, "kit");
  std::string out;
  writeDiagnosticPresetStateJson(out, preset);
  EXPECT_EQ(out,
            "{\"factoryCount\":1,\"currentId\":\"default\",\"currentName\":\"Default\",\"dirty\":true,"
            "\"userPresetsSupported\":false,\"lastStateBytes\":0}");
  preset.bank.present = 1;
  out.clear();
  writeDiagnosticPresetStateJson(out, preset);
  EXPECT_TRUE(contains(out, "\"lastStateBytes\":0,\"bank\":{\"id\":\"kit\"}}"));
}

TEST(HelloBlocks, HostBlockFollowsIdentityOnlyOnceASampleRateIsKnown) {
  std::string out = "{\"type\":\"talvo.hello\"";
  appendDiagnosticHelloBlocks(out, DiagnosticTarget::vst3, HostFacts{}, PresetStateFacts{}, UiBundleFacts{});
  out += '}';
  EXPECT_EQ(out, std::string("{\"type\":\"talvo.hello\",\"identity\":") + kIdentity +
                     ",\"diagnostics\":{\"feeds\":[],\"commands\":[],\"maxFeedHz\":0},"
                     "\"presetState\":{\"factoryCount\":0,\"dirty\":false,\"userPresetsSupported\":false}}");
  HostFacts host;
  host.sampleRate = 48000;
  out.clear();
  appendDiagnosticHelloBlocks(out, DiagnosticTarget::vst3, host, PresetStateFacts{}, UiBundleFacts{});
  const auto hostAt = out.find(",\"host\":{\"sampleRate\":48000,");
  ASSERT_NE(hostAt, std::string::npos);
  EXPECT_LT(out.find(",\"identity\":"), hostAt);
  EXPECT_LT(hostAt, out.find(",\"diagnostics\":"));
}
