#include "diagnostics/report_blocks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "bridge/golden.h"

using namespace talvo;

namespace {

std::string identity(DiagnosticTarget target, const UiBundleFacts& ui = {}) {
  std::string out;
  writeDiagnosticIdentityJson(out, target, ui);
  return out;
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

}  // namespace

TEST(IdentityDocument, ExactDocumentOtherTargetsAndUiFactsOnlyWhenKnown) {
  test::expectGolden("diagnostics/identity_vst3.json", identity(DiagnosticTarget::vst3));
  EXPECT_TRUE(contains(identity(DiagnosticTarget::au), "\"target\":\"au\""));
  EXPECT_TRUE(contains(identity(static_cast<DiagnosticTarget>(9)), "\"target\":\"offline\""));
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

TEST(PresetStateDocument, KnownMembersOnlyAndTheBankOnlyWhenPresent) {
  PresetStateFacts preset;
  preset.factoryCount = 1;
  std::strcpy(preset.currentId, "default");
  std::strcpy(preset.currentName, "Default");
  preset.dirty = 1;
  preset.lastStateBytes = 0;
  std::strcpy(preset.bank.id, "kit");
  std::strcpy(preset.bank.source, "user-folder");
  preset.bank.index = 0;
  preset.bank.padCount = 16;
  std::string out;
  writeDiagnosticPresetStateJson(out, preset);
  preset.bank.present = 1;
  out += "\n";
  writeDiagnosticPresetStateJson(out, preset);
  test::expectGolden("diagnostics/preset_state.txt", out);
}

TEST(HelloBlocks, HostBlockFollowsIdentityOnlyOnceASampleRateIsKnown) {
  std::string out = "{\"type\":\"talvo.hello\"";
  appendDiagnosticHelloBlocks(out, DiagnosticTarget::vst3, HostFacts{}, PresetStateFacts{}, UiBundleFacts{});
  test::expectGolden("diagnostics/hello_blocks.json", out + "}");
  HostFacts host;
  host.sampleRate = 48000;
  out.clear();
  appendDiagnosticHelloBlocks(out, DiagnosticTarget::vst3, host, PresetStateFacts{}, UiBundleFacts{});
  const auto hostAt = out.find(",\"host\":{\"sampleRate\":48000,");
  ASSERT_NE(hostAt, std::string::npos);
  EXPECT_LT(out.find(",\"identity\":"), hostAt);
  EXPECT_LT(hostAt, out.find(",\"diagnostics\":"));
}
