#include "diagnostics/realtime_diagnostic_queue.h"
#include "support/alloc_counter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

using namespace talvo;

TEST(RealtimeDiagnosticQueue, DrainAttachesTextsByCodeInOrder) {
  RealtimeDiagnosticQueue queue;
  talvo_runtime_diagnostic_ring ring;
  EXPECT_FALSE(queue.hasPending());
  queue.push(TALVO_DIAG_EVENT_REJECTED, TALVO_SEVERITY_WARNING, TALVO_PHASE_PROCESS);
  queue.push(TALVO_DIAG_PROCESS_FAILED, TALVO_SEVERITY_FATAL, TALVO_PHASE_PROCESS);
  queue.push(TALVO_DIAG_RATE_ADAPTER_INIT_FAILED, TALVO_SEVERITY_ERROR, TALVO_PHASE_PROCESS);
  EXPECT_TRUE(queue.hasPending());
  queue.drainInto(ring);
  EXPECT_FALSE(queue.hasPending());
  ASSERT_EQ(ring.count, 3u);
  EXPECT_STREQ(ring.records[0].message, "runtime diagnostic observed on the audio callback");
  EXPECT_STREQ(ring.records[1].message, "audio process callback failed; output was cleared");
  EXPECT_STREQ(ring.records[2].message, "sample-rate adapter failed; output was cleared");
  for (std::uint32_t i = 0; i < 3; ++i) {
    EXPECT_EQ(ring.records[i].sequence, i + 1);
    EXPECT_STREQ(ring.records[i].detail, "audio callback");
  }
  EXPECT_EQ(ring.records[1].severity, TALVO_SEVERITY_FATAL);
  EXPECT_EQ(ring.firstErrorSequence, 2u);  // the warning does not count
}

TEST(RealtimeDiagnosticQueue, PushNeverAllocatesAndOverflowIsReportedOnceWithTheLostCount) {
  RealtimeDiagnosticQueue queue;
  talvo_runtime_diagnostic_ring first;
  {
    test::AllocationCounter counter;
    for (int i = 0; i < 35; ++i)
      queue.push(TALVO_DIAG_PROCESS_FAILED, 2, 7);  // fills, then overflows
    EXPECT_EQ(counter.count(), 0u);
  }
  EXPECT_TRUE(queue.hasPending());
  queue.drainInto(first);
  EXPECT_FALSE(queue.hasPending());
  ASSERT_EQ(first.count, 32u);
  EXPECT_EQ(first.dropped, 1u);
  EXPECT_EQ(first.nextSequence, 34u);  // the overflow record took sequence 33, the ring's one slot too many

  talvo_runtime_diagnostic_ring second;
  queue.push(TALVO_DIAG_EVENT_REJECTED, 2, 7);
  queue.drainInto(second);
  EXPECT_EQ(second.count, 1u);  // the lost count was reset by the first drain
  EXPECT_EQ(second.records[0].code, TALVO_DIAG_EVENT_REJECTED);

  talvo_runtime_diagnostic_ring ring;
  EXPECT_EQ(recordRealtimeOverflow(ring, 3), 1u);
  const talvo_runtime_diagnostic& overflow = ring.records[0];
  EXPECT_EQ(overflow.code, TALVO_DIAG_DIAGNOSTICS_OVERFLOW);
  EXPECT_EQ(overflow.severity, TALVO_SEVERITY_WARNING);
  EXPECT_STREQ(overflow.message, "audio diagnostic queue overflowed");
  EXPECT_STREQ(overflow.detail, "dropped=3; source=audio callback");
  EXPECT_EQ(ring.firstErrorSequence, 0u);
}

TEST(RealtimeDiagnosticQueue, ConcurrentDrainsSeeEveryEntryOnceInOrder) {
  // The audio thread pushes increasing codes while the main thread drains into
  // fresh rings; no code may appear twice, out of order, or as a stale slot.
  RealtimeDiagnosticQueue queue;
  constexpr std::uint32_t kPushes = 20000;
  std::atomic<bool> done{false};
  std::thread producer([&] {
    for (std::uint32_t code = 1; code <= kPushes; ++code)
      queue.push(code, 0, 7);
    done.store(true, std::memory_order_release);
  });
  std::uint32_t lastCode = 0;
  std::uint64_t accounted = 0;
  bool ordered = true;
  bool finished = false;
  while (!finished) {
    finished = done.load(std::memory_order_acquire);
    talvo_runtime_diagnostic_ring ring;
    queue.drainInto(ring);
    for (std::uint32_t i = 0; i < ring.count; ++i) {
      const talvo_runtime_diagnostic& record = ring.records[i];
      if (std::string(record.message) == "audio diagnostic queue overflowed") {
        unsigned lost = 0;
        ASSERT_EQ(std::sscanf(record.detail, "dropped=%u;", &lost), 1);
        accounted += lost;
        continue;
      }
      ordered = ordered && record.code > lastCode && record.code <= kPushes;
      lastCode = record.code;
      ++accounted;
    }
  }
  producer.join();
  EXPECT_TRUE(ordered);
  EXPECT_GT(lastCode, 0u);
  EXPECT_LE(accounted, kPushes);
  EXPECT_FALSE(queue.hasPending());
}
