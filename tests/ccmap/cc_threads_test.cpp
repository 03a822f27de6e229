#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "cc_test_util.h"
#include "ccmap/cc_feed.h"
#include "ccmap/cc_resolve.h"
#include "ccmap/cc_store.h"

// Run under the tsan preset for the orderings, under debug for a snapshot
// freed while the reader still holds it.

namespace talvo {
namespace {

using Clock = std::chrono::steady_clock;

// Every binding of map k carries k, so a reader can tell a whole snapshot
// from a torn or recycled one.
CcMap numberedMap(std::uint32_t k) {
  CcMap map;
  map.count = 1 + k % kCcMapCapacity;
  for (std::uint32_t i = 0; i < map.count; ++i) {
    map.bindings[i] = test::withRange(test::ccBinding(k % 3, k % 128, k % 5, k % 3), k, k + 1.0);
  }
  return map;
}

bool wholeSnapshot(const CcMap& map) {
  if (map.count == 0) return true;  // the initial map
  const auto k = static_cast<std::uint32_t>(map.bindings[0].min);
  bool whole = map.count == 1 + k % kCcMapCapacity;
  for (std::uint32_t i = 0; i < map.count; ++i) {
    const CcBinding& b = map.bindings[i];
    whole = whole && b.min == k && b.max == k + 1.0 && b.cc == k % 128 && b.param == k % 3;
  }
  return whole;
}

TEST(CcThreads, WriterPublishesWhileReaderCyclesAndEverySnapshotIsFreed) {
  auto store = std::make_unique<CcMapStore>();
  std::atomic<bool> stop{false};
  std::atomic<std::uint64_t> cycles{0};
  std::atomic<std::uint64_t> torn{0};
  std::thread reader([&] {
    CcRouterState state;
    CcResolution out[kCcMapCapacity];
    while (!stop.load(std::memory_order_relaxed)) {
      const CcMap* map = store->acquire();
      if (!wholeSnapshot(*map)) torn.fetch_add(1, std::memory_order_relaxed);
      (void)ccResolve(*map, map->count ? map->bindings[0].cc : 0, 1, static_cast<int>(cycles.load() % 128),
                      &state, nullptr, nullptr, out, kCcMapCapacity);
      store->advanceEpoch();
      cycles.fetch_add(1, std::memory_order_relaxed);
    }
  });
  std::uint32_t published = 0;
  for (const auto end = Clock::now() + std::chrono::milliseconds(1500); Clock::now() < end;) {
    ASSERT_TRUE(store->publish(numberedMap(++published)));
    if (published % 16 == 0) store->collect();
  }
  stop.store(true);
  reader.join();
  EXPECT_EQ(torn.load(), 0u);
  EXPECT_GT(cycles.load(), 0u);
  EXPECT_GT(published, 100u);
  // With the reader gone, two more epochs release everything retired.
  store->advanceEpoch();
  store->advanceEpoch();
  store->collect();
  EXPECT_EQ(store->retiredCount(), 0u);
  EXPECT_TRUE(wholeSnapshot(*store->acquire()));
  store.reset();  // LeakSanitizer checks the current snapshot is freed too
}

// Channel and value of a record are tied together, so a record put together
// from two recordings would not match.
int channelFor(int cc, int value) {
  return (cc * 7 + value * 13) & 255;
}

TEST(CcThreads, FeedRecordedOnOneThreadAndDrainedOnAnotherNeverTearsOrStrandsARecord) {
  CcActivityFeed feed;
  std::atomic<bool> done{false};
  int lastValue[CcActivityFeed::kControllers];
  std::thread recorder([&] {
    int value = 0;
    for (const auto end = Clock::now() + std::chrono::milliseconds(800); Clock::now() < end;) {
      for (int cc = 0; cc < 128; ++cc) {
        value = (value + 1) & 127;
        feed.record(cc, channelFor(cc, value), value);
      }
    }
    for (int cc = 0; cc < 128; ++cc) {
      lastValue[cc] = (cc * 5) & 127;
      feed.record(cc, channelFor(cc, lastValue[cc]), lastValue[cc]);
    }
    done.store(true);
  });
  int drainedLast[CcActivityFeed::kControllers];
  std::fill(std::begin(drainedLast), std::end(drainedLast), -1);
  std::uint64_t mismatched = 0;
  std::uint64_t drained = 0;
  CcActivityRecord out[16];
  // Stop only when the recorder is done and the flag says nothing is left:
  // a lost flag would strand the final values.
  for (std::int64_t fakeMs = 40; !done.load() || feed.pending(); fakeMs += 40) {
    const unsigned n = feed.drain(fakeMs, out, 16);
    for (unsigned i = 0; i < n; ++i) {
      if (out[i].channel != channelFor(out[i].cc, out[i].value)) ++mismatched;
      drainedLast[out[i].cc] = out[i].value;
    }
    drained += n;
  }
  recorder.join();
  EXPECT_EQ(mismatched, 0u);
  EXPECT_GT(drained, 128u);
  for (int cc = 0; cc < 128; ++cc)
    EXPECT_EQ(drainedLast[cc], lastValue[cc]) << cc;
}

}  // namespace
}  // namespace talvo
