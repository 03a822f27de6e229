#include "engine/event_queue.h"

#include <gtest/gtest.h>

using namespace talvo;

namespace {
EngineEvent at(int offset, std::uint32_t tag) {
  EngineEvent e;
  e.sampleOffset = offset;
  e.index = tag;
  return e;
}
}  // namespace

TEST(EventQueue, SortKeepsPushOrderForEqualOffsets) {
  EventQueue q;
  const int offsets[] = {5, 0, 5, -3, 0, 5, 2};
  for (std::uint32_t i = 0; i < 7; ++i)
    ASSERT_TRUE(q.push(at(offsets[i], i)));
  q.sortByOffset();
  const std::uint32_t expected[] = {3, 1, 4, 6, 0, 2, 5};
  for (int i = 0; i < 7; ++i)
    EXPECT_EQ(q[i].index, expected[i]) << i;
}

TEST(EventQueue, SortByAbsoluteFrameIsStableToo) {
  EventQueue q;
  const std::uint64_t frames[] = {900, 100, 900, 100, 0};
  for (std::uint32_t i = 0; i < 5; ++i) {
    ASSERT_TRUE(q.push(at(0, i)));
    q[static_cast<int>(i)].absoluteFrame = frames[i];
  }
  q.sortByAbsoluteFrame();
  const std::uint32_t expected[] = {4, 1, 3, 0, 2};
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(q[i].index, expected[i]) << i;
}

TEST(EventQueue, PushWritesAFreshEntryAndRefusesPastCapacity) {
  EventQueue q;
  EngineEvent stale = at(1, 1);
  stale.stamped = true;
  stale.dispatched = true;
  stale.absoluteFrame = 77;
  ASSERT_TRUE(q.push(stale));
  EXPECT_FALSE(q[0].stamped);
  EXPECT_FALSE(q[0].dispatched);
  EXPECT_EQ(q[0].absoluteFrame, 0u);
  for (int i = 1; i < EventQueue::kCapacity; ++i)
    ASSERT_TRUE(q.push(at(i, 0)));
  EXPECT_FALSE(q.push(at(0, 0)));
  EXPECT_EQ(q.count(), EventQueue::kCapacity);
}

TEST(EventQueue, RemovingDispatchedEntriesKeepsTheRestInOrder) {
  EventQueue q;
  for (std::uint32_t i = 0; i < 6; ++i)
    ASSERT_TRUE(q.push(at(0, i)));
  q[0].dispatched = q[2].dispatched = q[3].dispatched = true;
  q.removeDispatched();
  ASSERT_EQ(q.count(), 3);
  EXPECT_EQ(q[0].index, 1u);
  EXPECT_EQ(q[1].index, 4u);
  EXPECT_EQ(q[2].index, 5u);
}
