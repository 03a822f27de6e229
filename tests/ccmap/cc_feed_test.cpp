#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "ccmap/cc_feed.h"
#include "support/alloc_counter.h"

namespace talvo {
namespace {

TEST(CcActivityFeed, KeepsTheLatestValuePerControllerAndDrainsLowestControllersFirst) {
  CcActivityFeed feed;
  feed.record(200, 1, 5);  // controllers outside seven bits are ignored
  feed.record(-1, 1, 5);
  EXPECT_FALSE(feed.pending());
  feed.record(7, 3, 10);
  feed.record(7, 0x1ff, 200);
  EXPECT_TRUE(feed.pending());
  CcActivityRecord out[4];
  ASSERT_EQ(feed.drain(1000, out, 4), 1u);
  EXPECT_EQ(out[0].cc, 7);
  EXPECT_EQ(out[0].channel, 0xff);
  EXPECT_EQ(out[0].value, 200 & 127);
  EXPECT_FALSE(feed.pending());
  for (int cc : {90, 3, 40, 12, 127})  // drained lowest first, the rest kept pending
    feed.record(cc, 1, cc & 127);
  for (const std::vector<int>& expected : {std::vector<int>{3, 12}, {40, 90}, {127}}) {
    EXPECT_TRUE(feed.pending());
    ASSERT_EQ(feed.drain(1000, out, 2), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
      EXPECT_EQ(out[i].cc, expected[i]);
  }
  EXPECT_FALSE(feed.pending());
}

TEST(CcActivityFeed, EachControllerIsThrottledTo33MsWhateverTheClockReads) {
  CcActivityFeed feed;
  CcActivityRecord out[4];
  feed.record(7, 1, 1);
  ASSERT_EQ(feed.drain(1000, out, 4), 1u);
  feed.record(7, 1, 2);
  feed.record(8, 1, 9);  // another controller is not held back
  ASSERT_EQ(feed.drain(1010, out, 4), 1u);
  EXPECT_EQ(out[0].cc, 8);
  EXPECT_EQ(feed.drain(1032, out, 4), 0u);
  EXPECT_TRUE(feed.pending());
  ASSERT_EQ(feed.drain(1033, out, 4), 1u);
  EXPECT_EQ(out[0].value, 2);
  // A first record passes at any clock reading, and the wait cannot overflow.
  feed.record(6, 1, 1);
  EXPECT_EQ(feed.drain(INT64_MIN, out, 1), 1u);
  feed.record(6, 1, 2);
  EXPECT_EQ(feed.drain(INT64_MAX, out, 1), 1u);
}

TEST(CcActivityFeed, ClockCountsMillisecondsAndRecordAllocatesNothing) {
  const std::int64_t a = CcActivityFeed::nowMs();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_GE(CcActivityFeed::nowMs() - a, 20);
  EXPECT_LT(CcActivityFeed::nowMs() - a, 5000);
  CcActivityFeed feed;
  test::AllocationCounter counter;
  for (int i = 0; i < 1000; ++i)
    feed.record(i % 130, i % 17, i);
  EXPECT_EQ(counter.count(), 0u);
}

}  // namespace
}  // namespace talvo
