#include "diagnostics/runtime_diagnostic.h"
#include "diagnostics/runtime_health_json.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "bridge/golden.h"

using namespace talvo;

namespace {

std::string health(const talvo_runtime_diagnostic_ring& ring, bool failed = false) {
  return writeRuntimeHealthJson(ring, "music.talvo.oriel", "0.1.0", 48000.0, 128, failed);
}

std::string diagnosticJson(const talvo_runtime_diagnostic& record) {
  std::string out;
  appendRuntimeDiagnosticJson(out, record, "m", "v", 48000, 128);
  return out;
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

}  // namespace

TEST(RuntimeHealth, FreshRingIsHealthyAndARefusedFormatGivesTheFailedDocument) {
  talvo_runtime_diagnostic_ring ring;
  test::expectGolden("diagnostics/health_fresh.json", health(ring));
  recordRuntimeDiagnostic(ring, TALVO_DIAG_INVALID_CONFIGURATION, TALVO_SEVERITY_ERROR, TALVO_PHASE_CONFIGURE,
                          "host format refused", "sampleRate=44100; maxBlockFrames=0");
  test::expectGolden("diagnostics/health_failed.json",
                     writeRuntimeHealthJson(ring, "music.talvo.oriel", "0.1.0", 44100.0, 0, true));
}

TEST(RuntimeHealth, StatusFollowsWorstSeverityAndDrops) {
  talvo_runtime_diagnostic_ring ring;
  recordRuntimeDiagnostic(ring, 5, TALVO_SEVERITY_INFO, TALVO_PHASE_PROCESS, "quiet", nullptr);
  EXPECT_TRUE(contains(health(ring), "\"status\":\"healthy\""));
  EXPECT_TRUE(contains(health(ring, true), "\"status\":\"failed\""));
  recordRuntimeDiagnostic(ring, 5, TALVO_SEVERITY_WARNING, TALVO_PHASE_PROCESS, "hm", nullptr);
  EXPECT_TRUE(contains(health(ring), "\"status\":\"degraded\""));
  ring.firstErrorSequence = 99;  // not a stored record: omitted
  EXPECT_FALSE(contains(health(ring), "firstError"));
  ring.firstErrorSequence = 0;
  recordRuntimeDiagnostic(ring, 4, TALVO_SEVERITY_FATAL, TALVO_PHASE_PROCESS, "bad", nullptr);
  const std::string doc = health(ring);
  EXPECT_TRUE(contains(doc, "\"lifecycle\":\"configured\",\"status\":\"failed\""));
  EXPECT_TRUE(contains(doc,
                       "\"firstError\":{\"format\":\"talvo-plugin-runtime-diagnostic/v1\","
                       "\"schemaVersion\":1,\"sequence\":3,"));
  talvo_runtime_diagnostic_ring droppedOnly;
  droppedOnly.dropped = 1;
  EXPECT_TRUE(contains(health(droppedOnly), "\"status\":\"degraded\""));
}

// The first error is the first stored error, or bank failure whatever its severity; never a dropped one.
TEST(RuntimeDiagnosticRing, KeepsTheFirst32CountsTheRestAsDroppedAndMarksTheFirstError) {
  talvo_runtime_diagnostic_ring ring;
  for (std::uint32_t i = 0; i < 39; ++i)
    EXPECT_EQ(recordRuntimeDiagnostic(ring, 5, TALVO_SEVERITY_WARNING, TALVO_PHASE_PROCESS, "m", "d"), i + 1);
  recordRuntimeDiagnostic(ring, 4, TALVO_SEVERITY_FATAL, TALVO_PHASE_PROCESS, "lost", nullptr);
  EXPECT_EQ(ring.count, 32u);
  EXPECT_EQ(ring.dropped, 8u);
  EXPECT_EQ(ring.nextSequence, 41u);
  EXPECT_EQ(ring.firstErrorSequence, 0u);
  const std::string doc = health(ring);
  EXPECT_TRUE(contains(doc, "\"counters\":{\"diagnostics\":32,\"diagnostics.dropped\":8}"));
  EXPECT_TRUE(contains(doc, "\"sequence\":32,"));
  EXPECT_FALSE(contains(doc, "\"sequence\":33,"));
  talvo_runtime_diagnostic_ring errors;
  recordRuntimeDiagnostic(errors, 25, TALVO_SEVERITY_WARNING, TALVO_PHASE_PROCESS, "w", nullptr);
  recordRuntimeDiagnostic(errors, 4, TALVO_SEVERITY_ERROR, TALVO_PHASE_PROCESS, "e", nullptr);
  recordRuntimeDiagnostic(errors, 1, TALVO_SEVERITY_FATAL, TALVO_PHASE_CONFIGURE, "f", nullptr);
  EXPECT_EQ(errors.firstErrorSequence, 2u);
  talvo_runtime_diagnostic_ring banks;  // bank failures count whatever their severity
  recordBankDiagnostic(banks, TALVO_DIAG_BANK_MISSING, TALVO_SEVERITY_INFO, TALVO_PHASE_STATE, "b", nullptr);
  EXPECT_EQ(banks.firstErrorSequence, 1u);
}

TEST(RuntimeDiagnosticRing, TextsAreCutWithoutSplittingACharacterAndNullsAreEmpty) {
  talvo_runtime_diagnostic_ring ring;
  recordRuntimeDiagnostic(ring, 4, 2, 7, std::string(300, 'm').c_str(), std::string(200, 'd').c_str());
  EXPECT_EQ(std::strlen(ring.records[0].message), 191u);
  EXPECT_EQ(std::strlen(ring.records[0].detail), 127u);
  recordRuntimeDiagnostic(ring, 4, 2, 7, nullptr, nullptr);
  EXPECT_STREQ(ring.records[1].message, "");
  EXPECT_STREQ(ring.records[1].detail, "");
  // 190 ASCII bytes then a 2-byte character that would straddle the limit.
  recordRuntimeDiagnostic(ring, 4, 2, 7, (std::string(190, 'a') + "\xC3\xA9" + "tail").c_str(), nullptr);
  EXPECT_EQ(std::string(ring.records[2].message), std::string(190, 'a'));
}

// Unknown codes, severities and phases, no identity or sample rate, escapes and the context.
TEST(RuntimeDiagnosticJson, FallbacksEscapesAndOptionalContext) {
  talvo_runtime_diagnostic_ring ring;
  recordRuntimeDiagnostic(ring, 4, 1, 7, "x", "");
  recordRuntimeDiagnostic(ring, 0, 4, 12, "a", nullptr);
  recordRuntimeDiagnostic(ring, 29, 3, 11, "a \"quoted\"\nline", "back\\slash");
  std::string out;
  appendRuntimeDiagnosticJson(out, ring.records[0], nullptr, nullptr, std::nan(""), 64);
  test::expectGolden("diagnostics/diagnostic_fallbacks.txt",
                     out + "\n" + diagnosticJson(ring.records[1]) + "\n" + diagnosticJson(ring.records[2]));
}
