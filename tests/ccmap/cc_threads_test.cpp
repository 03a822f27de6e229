#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "cc_test_util.h"
#include "ccmap/cc_feed.h"
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
    CcBinding& b = map.bindings[i];
    b.param = k % 3;
    b.cc = static_cast<std::uint8_t>(k % 128);
    b.valueMode = static_cast<std::uint8_t>(k % 5);
    b.takeover = static_cast<std::uint8_t>(k % 3);
    b.hasMin = b.hasMax = true;
    b.min = static_cast<double>(k);
    b.max = static_cast<double>(k) + 1.0;
  }
  return map;
}

bool wholeSnapshot(const CcMap& map) {
  if (map.count == 0) return true;  // the initial map
  const auto k = static_cast<std::uint32_t>(map.bindings[0].min);
  if (map.count != 1 + k % kCcMapCapacity) return false;
  for (std::uint32_t i = 0; i < map.count; ++i) {
    const CcBinding& b = map.bindings[i];
    if (b.min != k || b.max != k + 1.0 || b.cc != k % 128 || b.param != k % 3) return false;
  }
  return true;
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
      const int cc = map->count ? map->bindings[0].cc : 0;
      (void)ccResolve(*map, cc, 1, static_cast<int>(cycles.load(std::memory_order_relaxed) % 128), &state,
                      nullptr, nullptr, out, kCcMapCapacity);
      store->advanceEpoch();
      cycles.fetch_add(1, std::memory_order_relaxed);
    }
  });

  std::uint32_t published = 0;
  const auto end = Clock::now() + std::chrono::milliseconds(1500);
  while (Clock::now() < end) {
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
    const auto end = Clock::now() + std::chrono::milliseconds(800);
    int value = 0;
    while (Clock::now() < end) {
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
  for (int& v : drainedLast)
    v = -1;
  std::uint64_t mismatched = 0;
  std::uint64_t drained = 0;
  std::int64_t fakeMs = 0;
  CcActivityRecord out[16];
  // Stop only when the recorder is done and the flag says nothing is left:
  // a lost flag would strand the final values.
  while (!done.load() || feed.pending()) {
    fakeMs += 40;
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
