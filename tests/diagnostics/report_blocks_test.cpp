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

}  // namespace

TEST(IdentityDocument, ExactDocumentWithoutUiFacts) {
  EXPECT_EQ(identity(DiagnosticTarget::vst3), kIdentity);
}

TEST(IdentityDocument, TargetsAndOutOfRangeValue) {
  EXPECT_NE(identity(DiagnosticTarget::au).find("\"target\":\"au\""), std::string::npos);
  EXPECT_NE(identity(DiagnosticTarget::standalone).find("\"target\":\"standalone\""), std::string::npos);
  EXPECT_NE(identity(static_cast<DiagnosticTarget>(9)).find("\"target\":\"offline\""), std::string::npos);
}

TEST(IdentityDocument, UiFactsAppearOnlyWhenKnownAndInOrder) {
  UiBundleFacts ui;
  std::strcpy(ui.sourceRevision, "abc123");
  std::string out = identity(DiagnosticTarget::vst3, ui);
  EXPECT_NE(out.find("\"Release\"},\"ui\":{\"sourceRevision\":\"abc123\"},\"ratePolicy\""),
            std::string::npos);
  std::strcpy(ui.buildTime, "2026-12-06T20:00:00Z");
  std::strcpy(ui.sha256, "ff");
  out = identity(DiagnosticTarget::vst3, ui);
  EXPECT_NE(out.find("\"ui\":{\"buildTime\":\"2026-12-06T20:00:00Z\",\"sourceRevision\":\"abc123\","
                     "\"sha256\":\"ff\"},"),
            std::string::npos);
}

TEST(CapabilitiesDocument, IsEmpty) {
  std::string out;
  writeDiagnosticCapabilitiesJson(out);
  EXPECT_EQ(out, "{\"feeds\":[],\"commands\":[],\"maxFeedHz\":0}");
}

TEST(CompiledBanks, NoneExistAndDescribingClearsTheRecord) {
  EXPECT_EQ(compiledBankCount(), 0u);
  BankFacts bank;
  bank.present = 1;
  bank.zoneCount = 5;
  std::strcpy(bank.id, "stale");
  EXPECT_FALSE(describeCompiledBank(0, bank));
  EXPECT_EQ(bank.present, 0);
  EXPECT_EQ(bank.index, -1);
  EXPECT_EQ(bank.zoneCount, -1);
  EXPECT_EQ(bank.roundRobinGroups, -1);
  EXPECT_EQ(bank.chokeGroups, -1);
  EXPECT_EQ(bank.velocityLayers, -1);
  EXPECT_EQ(bank.padCount, -1);
  EXPECT_STREQ(bank.id, "");
  std::string out;
  EXPECT_FALSE(writeDiagnosticBanksJson(out));
  EXPECT_TRUE(out.empty());
}

TEST(BankDocument, KnownMembersOnlyInOrder) {
  BankFacts bank;
  std::strcpy(bank.id, "kit.one");
  EXPECT_EQ(
      [&] {
        std::string s;
        writeDiagnosticBankJson(s, bank);
        return s;
      }(),
      "{\"id\":\"kit.one\"}");
  std::strcpy(bank.name, "Kit One");
  std::strcpy(bank.source, "user-folder");
  bank.index = 0;
  bank.padCount = 16;
  std::string out;
  writeDiagnosticBankJson(out, bank);
  EXPECT_EQ(
      out,
      "{\"id\":\"kit.one\",\"name\":\"Kit One\",\"source\":\"user-folder\",\"index\":0,\"padCount\":16}");
}

TEST(PresetStateDocument, NothingKnown) {
  std::string out;
  writeDiagnosticPresetStateJson(out, PresetStateFacts{});
  EXPECT_EQ(out, "{\"factoryCount\":0,\"dirty\":false,\"userPresetsSupported\":false}");
}

TEST(PresetStateDocument, CurrentPresetStateSizeAndBank) {
  PresetStateFacts preset;
  preset.factoryCount = 1;
  std::strcpy(preset.currentId, "default");
  std::strcpy(preset.currentName, "Default");
  preset.dirty = 1;
  preset.lastStateBytes = 0;
  std::strcpy(preset.bank.id, "kit");
  std::string out;
  writeDiagnosticPresetStateJson(out, preset);  // bank not present: omitted
  EXPECT_EQ(out,
            "{\"factoryCount\":1,\"currentId\":\"default\",\"currentName\":\"Default\",\"dirty\":true,"
            "\"userPresetsSupported\":false,\"lastStateBytes\":0}");
  preset.bank.present = 1;
  out.clear();
  writeDiagnosticPresetStateJson(out, preset);
  EXPECT_NE(out.find("\"lastStateBytes\":0,\"bank\":{\"id\":\"kit\"}}"), std::string::npos);
}

TEST(HelloBlocks, NoHostBlockBeforeASampleRateIsKnown) {
  std::string out = "{\"type\":\"talvo.hello\"";
  appendDiagnosticHelloBlocks(out, DiagnosticTarget::vst3, HostFacts{}, PresetStateFacts{}, UiBundleFacts{});
  out += '}';
  EXPECT_EQ(out, std::string("{\"type\":\"talvo.hello\",\"identity\":") + kIdentity +
                     ",\"diagnostics\":{\"feeds\":[],\"commands\":[],\"maxFeedHz\":0},"
                     "\"presetState\":{\"factoryCount\":0,\"dirty\":false,\"userPresetsSupported\":false}}");
}

TEST(HelloBlocks, HostBlockFollowsIdentityOnceKnown) {
  HostFacts host;
  host.sampleRate = 48000;
  std::string out;
  appendDiagnosticHelloBlocks(out, DiagnosticTarget::vst3, host, PresetStateFacts{}, UiBundleFacts{});
  const auto hostAt = out.find(",\"host\":{\"sampleRate\":48000,");
  ASSERT_NE(hostAt, std::string::npos);
  EXPECT_LT(out.find(",\"identity\":"), hostAt);
  EXPECT_LT(hostAt, out.find(",\"diagnostics\":"));
}
