#include "diagnostics/transport_fact.h"
#include "diagnostics/transport_ring.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "bridge/golden.h"
#include "support/alloc_counter.h"

using namespace talvo;

namespace {

std::string transportJson(const TransportFact& fact) {
  std::string out;
  writeDiagnosticTransportJson(out, fact);
  return out;
}

TransportFact factAt(std::uint64_t frame) {
  return {.atFrame = frame, .source = kTransportSourceHost, .tempo = 90.0 + static_cast<double>(frame)};
}

}  // namespace

TEST(TransportFactRecord, ReadTakesExactlyOneRecord) {
  const TransportFact fact = factAt(77);
  TransportFact back;
  ASSERT_TRUE(readTransportFact(&fact, sizeof fact, back));
  EXPECT_EQ(std::memcmp(&back, &fact, sizeof fact), 0);
  back.atFrame = 5;
  EXPECT_FALSE(readTransportFact(&fact, sizeof fact - 1, back));
  EXPECT_EQ(back.atFrame, 5u);  // untouched
}

TEST(TransportFactRecord, EveryComparedFieldIsAChangeButMovingForwardInTimeIsNot) {
  const TransportFact base = factAt(10);
  TransportFact moved = base;
  moved.atFrame = 99999;
  moved.ppqPosition = 12.25;
  moved.barPositionPpq = 12.0;
  moved.projectTimeSamples = 480000;
  EXPECT_FALSE(base.differsFrom(moved));
  EXPECT_FALSE(moved.differsFrom(base));
  const std::vector<void (*)(TransportFact&)> changes = {
      [](TransportFact& f) { f.source = 2; },         [](TransportFact& f) { f.playing = 1; },
      [](TransportFact& f) { f.recording = 1; },      [](TransportFact& f) { f.looping = 1; },
      [](TransportFact& f) { f.hasTempo = 1; },       [](TransportFact& f) { f.hasTimeSignature = 1; },
      [](TransportFact& f) { f.hasPosition = 1; },    [](TransportFact& f) { f.hasLoop = 1; },
      [](TransportFact& f) { f.canSetTempo = 1; },    [](TransportFact& f) { f.tempo = 121; },
      [](TransportFact& f) { f.numerator = 3; },      [](TransportFact& f) { f.denominator = 8; },
      [](TransportFact& f) { f.loopStartPpq = 4; },   [](TransportFact& f) { f.loopEndPpq = 8; },
      [](TransportFact& f) { f.sampleRate = 44100; },
  };
  for (std::size_t i = 0; i < changes.size(); ++i) {
    TransportFact changed = base;
    changes[i](changed);
    EXPECT_TRUE(changed.differsFrom(base)) << "change " << i;
  }
}

TEST(TransportDocument, DefaultFactThenSuppliedAndNonFiniteValues) {
  test::expectGolden("diagnostics/transport_default.json", transportJson(TransportFact{}));
  const TransportFact fact{.atFrame = 4096,
                           .source = kTransportSourceInternal,
                           .playing = 1,
                           .hasTempo = 1,
                           .hasLoop = 1,
                           .tempo = INFINITY,
                           .ppqPosition = 3.75,
                           .loopStartPpq = 2.5,
                           .loopEndPpq = NAN,
                           .sampleRate = 48000};
  test::expectGolden("diagnostics/transport_supplied.json", transportJson(fact));
}

TEST(TransportRing, FortyPushesKeepThirtyTwoWithoutAllocatingAndDrainTheNewest) {
  DiagnosticTransportRing ring;
  TransportFact out = factAt(5);
  EXPECT_FALSE(ring.drainLatest(out));
  EXPECT_EQ(out.atFrame, 5u);  // untouched
  {
    test::AllocationCounter counter;
    for (std::uint64_t i = 1; i <= 40; ++i)
      ring.push(factAt(i));
    EXPECT_EQ(counter.count(), 0u);
  }
  EXPECT_EQ(ring.dropped(), 8u);
  ASSERT_TRUE(ring.drainLatest(out));
  EXPECT_EQ(out.atFrame, 40u);
  EXPECT_FALSE(ring.drainLatest(out));
  ring.push(factAt(41));
  ASSERT_TRUE(ring.drainLatest(out));
  EXPECT_EQ(out.atFrame, 41u);
}

TEST(TransportRing, ConcurrentDrainsNeverSeeATornOrOlderFact) {
  // Each fact's tempo is derived from its frame, so a fact assembled from two
  // pushes shows up as a mismatch; frames must only move forward.
  DiagnosticTransportRing ring;
  constexpr std::uint64_t kPushes = 200000;
  std::atomic<bool> done{false};
  std::thread producer([&] {
    for (std::uint64_t frame = 1; frame <= kPushes; ++frame) {
      TransportFact fact = factAt(frame);
      fact.projectTimeSamples = static_cast<std::int64_t>(frame) * 3;
      ring.push(fact);
    }
    done.store(true, std::memory_order_release);
  });
  std::uint64_t lastFrame = 0;
  bool consistent = true;
  bool forward = true;
  for (bool finished = false; !finished;) {
    finished = done.load(std::memory_order_acquire);  // a drain after this sees the last push
    TransportFact fact;
    if (!ring.drainLatest(fact)) continue;
    consistent = consistent && fact.tempo == 90.0 + static_cast<double>(fact.atFrame) &&
                 fact.projectTimeSamples == static_cast<std::int64_t>(fact.atFrame) * 3;
    forward = forward && fact.atFrame > lastFrame;
    lastFrame = fact.atFrame;
  }
  producer.join();
  EXPECT_TRUE(consistent);
  EXPECT_TRUE(forward);
  EXPECT_EQ(lastFrame, kPushes);
}
