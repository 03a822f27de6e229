#include "diagnostics/lifecycle_log.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "bridge/golden.h"
#include "support/alloc_counter.h"

using namespace talvo;

namespace {

std::string eventJson(const DiagnosticLifecycleEvent& event) {
  std::string out;
  writeDiagnosticLifecycleEventJson(out, event);
  return out;
}

}  // namespace

TEST(LifecycleKind, NamesRoundTripAndAreCaseSensitive) {
  for (int i = 0; i <= static_cast<int>(DiagnosticLifecycleKind::runtimeDiagnostic); ++i) {
    DiagnosticLifecycleKind back = DiagnosticLifecycleKind::stimulus;
    ASSERT_TRUE(diagnosticLifecycleKindFromName(
        diagnosticLifecycleKindName(static_cast<DiagnosticLifecycleKind>(i)), back));
    EXPECT_EQ(static_cast<int>(back), i);
  }
  EXPECT_STREQ(diagnosticLifecycleKindName(DiagnosticLifecycleKind::timeSignatureChanged),
               "timeSignatureChanged");
  DiagnosticLifecycleKind kind = DiagnosticLifecycleKind::stimulus;
  for (const char* name : {"Created", "created ", static_cast<const char*>(nullptr)})
    EXPECT_FALSE(diagnosticLifecycleKindFromName(name, kind));
  EXPECT_EQ(kind, DiagnosticLifecycleKind::stimulus);
  EXPECT_EQ(diagnosticLifecycleKindName(static_cast<DiagnosticLifecycleKind>(25)), nullptr);
}

TEST(LifecycleLog, RingWrapOverwritesTheOldestAndReplayReportsDropped) {
  auto log = std::make_unique<DiagnosticLifecycleLog>();
  std::string out = "keep";
  EXPECT_FALSE(writeDiagnosticLifecycleReplayJson(out, *log));
  EXPECT_EQ(out, "keep");
  log->record(DiagnosticLifecycleKind::stimulus, 0).addString("old", "value");
  for (int i = 1; i < 257; ++i)
    log->record(DiagnosticLifecycleKind::reset, i);
  EXPECT_EQ(log->count(), 256u);
  EXPECT_EQ(log->dropped(), 1u);
  EXPECT_EQ(log->at(0).seq, 2u);
  EXPECT_EQ(log->at(255).seq, 257u);
  EXPECT_EQ(log->at(256).seq, 2u);         // beyond the count: the oldest
  EXPECT_EQ(log->at(255).fieldCount, 0u);  // the reused slot lost the old fields
  out.clear();
  ASSERT_TRUE(writeDiagnosticLifecycleReplayJson(out, *log));
  EXPECT_EQ(out.rfind("{\"type\":\"talvo.lifecycle\",\"events\":[{\"seq\":2,", 0), 0u);
  EXPECT_EQ(out.find("detail"), std::string::npos);
  EXPECT_EQ(out.substr(out.size() - 15), "}],\"dropped\":1}");
}

TEST(LifecycleLog, TimeStampsStartNearZeroAndRecordingNeverAllocates) {
  auto log = std::make_unique<DiagnosticLifecycleLog>();
  const double first = log->record(DiagnosticLifecycleKind::created).timeMs;
  const double second = log->record(DiagnosticLifecycleKind::configured).timeMs;
  EXPECT_GE(first, 0.0);
  EXPECT_LT(first, 60000.0);
  EXPECT_GE(second, first);
  test::AllocationCounter counter;
  for (int i = 0; i < 600; ++i)
    log->record(DiagnosticLifecycleKind::tempoChanged, i).addNumber("bpm", 120.0).addString("s", "text");
  EXPECT_EQ(counter.count(), 0u);
}

TEST(LifecycleEvent, DocumentWritesUpToSixFieldsInOrderAndCutsLongTexts) {
  DiagnosticLifecycleEvent event;
  event.seq = 7;
  event.timeMs = 1.5;
  event.atFrame = 0;
  event.kind = DiagnosticLifecycleKind::tempoChanged;
  event.addNumber("bpm", 98.5).addString("why", "host \"said\"").addBool("ok", true).addNull("none");
  event.addNumber("bad", std::nan(""));
  event.addNumber("n5", 5).addNumber("n6", 6);  // the seventh is ignored
  EXPECT_EQ(event.fieldCount, 6u);
  DiagnosticLifecycleEvent odd;
  odd.seq = 1;
  odd.timeMs = INFINITY;
  odd.kind = static_cast<DiagnosticLifecycleKind>(200);
  odd.addString(std::string(40, 'k').c_str(), std::string(100, 'v').c_str()).addString(nullptr, nullptr);
  test::expectGolden("diagnostics/lifecycle_events.txt", eventJson(event) + "\n" + eventJson(odd));
}

TEST(LifecycleMessage, NeedsEventsAndOmitsAZeroDroppedCount) {
  DiagnosticLifecycleEvent events[2];
  events[0].seq = 1;
  events[1].seq = 2;
  std::string out;
  EXPECT_FALSE(writeDiagnosticLifecycleJson(out, nullptr, 3, 0));
  EXPECT_FALSE(writeDiagnosticLifecycleJson(out, events, 0, 0));
  EXPECT_TRUE(out.empty());
  ASSERT_TRUE(writeDiagnosticLifecycleJson(out, events, 2, 0));
  EXPECT_EQ(out,
            "{\"type\":\"talvo.lifecycle\",\"events\":[{\"seq\":1,\"timeMs\":0,\"kind\":\"created\"},"
            "{\"seq\":2,\"timeMs\":0,\"kind\":\"created\"}]}");
}
