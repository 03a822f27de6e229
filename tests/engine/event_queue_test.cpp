#include "engine/event_queue.h"

#include <gtest/gtest.h>

#include <vector>

using namespace talvo;

namespace {
// Queue of events tagged 0..n-1 in push order, with the given offsets and frames.
EventQueue queueOf(const std::vector<int>& offsets, const std::vector<std::uint64_t>& frames) {
  EventQueue q;
  for (std::size_t i = 0; i < offsets.size(); ++i) {
    EngineEvent e;
    e.sampleOffset = offsets[i];
    e.index = static_cast<std::uint32_t>(i);
    EXPECT_TRUE(q.push(e));
    q[static_cast<int>(i)].absoluteFrame = frames[i];
  }
  return q;
}

std::vector<std::uint32_t> tags(const EventQueue& q) {
  std::vector<std::uint32_t> out;
  for (int i = 0; i < q.count(); ++i)
    out.push_back(q[i].index);
  return out;
}
}  // namespace

TEST(EventQueue, SortsAreStableForEqualKeys) {
  EventQueue byOffset = queueOf({5, 0, 5, -3, 0, 5, 2}, {0, 0, 0, 0, 0, 0, 0});
  byOffset.sortByOffset();
  EXPECT_EQ(tags(byOffset), (std::vector<std::uint32_t>{3, 1, 4, 6, 0, 2, 5}));
  EventQueue byFrame = queueOf({0, 0, 0, 0, 0}, {900, 100, 900, 100, 0});
  byFrame.sortByAbsoluteFrame();
  EXPECT_EQ(tags(byFrame), (std::vector<std::uint32_t>{4, 1, 3, 0, 2}));
}

TEST(EventQueue, PushWritesAFreshEntryAndRefusesPastCapacity) {
  EventQueue q;
  EngineEvent stale;
  stale.stamped = stale.dispatched = true;
  stale.absoluteFrame = 77;
  ASSERT_TRUE(q.push(stale));
  EXPECT_FALSE(q[0].stamped);
  EXPECT_FALSE(q[0].dispatched);
  EXPECT_EQ(q[0].absoluteFrame, 0u);
  for (int i = 1; i < EventQueue::kCapacity; ++i)
    ASSERT_TRUE(q.push(stale));
  EXPECT_FALSE(q.push(stale));
  EXPECT_EQ(q.count(), EventQueue::kCapacity);
}

TEST(EventQueue, RemovingDispatchedEntriesKeepsTheRestInOrder) {
  EventQueue q = queueOf({0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0});
  q[0].dispatched = q[2].dispatched = q[3].dispatched = true;
  q.removeDispatched();
  EXPECT_EQ(tags(q), (std::vector<std::uint32_t>{1, 4, 5}));
}
