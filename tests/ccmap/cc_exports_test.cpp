// The flat C entry points hand through to the library; what they add of their
// own is checked here: buffers, slot bounds and the record layout.
#include "ccmap/cc_exports.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/alloc_counter.h"

namespace {

const char kMapJson[] =
    R"({"bindings":[{"cc":7,"path":"oriel.depth","takeover":"pickup"},{"cc":7,"path":"oriel.wet"}]})";

double readHalf(void*, unsigned) {
  return 0.5;
}

TEST(CcExports, MapTextBuffersAndSlotsAreChecked) {
  talvo_cc_map* map = talvoCcMapCreate(kMapJson, sizeof kMapJson - 1);
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(talvoCcMapCount(map), 2u);
  char small[8];
  const size_t needed = talvoCcMapWriteJson(map, small, sizeof small);
  EXPECT_EQ(std::strlen(small), sizeof small - 1);  // cut, but terminated
  std::string text(needed + 1, '\0');
  ASSERT_EQ(talvoCcMapWriteJson(map, text.data(), text.size()), needed);
  EXPECT_EQ(text.substr(0, needed), R"({"version":1,)" + std::string(kMapJson + 1));
  double v = -1;
  ASSERT_EQ(talvoCcApplyNormalized(map, 1, 127, &v), 1);
  EXPECT_EQ(v, 1.0);
  EXPECT_EQ(talvoCcApplyNormalized(map, 2, 127, &v), 0);
  talvoCcMapDestroy(map);
  const char broken[] = R"({"bindings":[{"cc":1,"path":5}]})";
  EXPECT_EQ(talvoCcMapCreate(broken, sizeof broken - 1), nullptr);
  talvo_cc_map* empty = talvoCcMapCreate(nullptr, 0);
  EXPECT_EQ(talvoCcMapCount(empty), 0u);
  talvoCcMapDestroy(empty);
}

TEST(CcExports, StoreRouterAndFeedWorkThroughTheFlatEntryPointsWithoutAllocating) {
  talvo_cc_map* map = talvoCcMapCreate(kMapJson, sizeof kMapJson - 1);
  talvo_cc_map_store* store = talvoCcMapStoreCreate();
  talvo_cc_router* router = talvoCcRouterCreate();
  talvo_cc_feed* feed = talvoCcFeedCreate();
  ASSERT_TRUE(map && store && router && feed);
  ASSERT_EQ(talvoCcMapStorePublish(store, map), 1);
  EXPECT_EQ(talvoCcMapStoreTakeChanged(store), 1);
  talvo_cc_resolution out[4];
  const talvo_cc_map* snapshot = talvoCcMapStoreAcquire(store);
  ASSERT_EQ(talvoCcResolve(snapshot, 7, 1, 10, router, readHalf, nullptr, out, 4), 1u);  // wet only
  EXPECT_EQ(out[0].param, 2u);
  EXPECT_EQ(out[0].reserved, 0u);
  ASSERT_EQ(talvoCcResolve(snapshot, 7, 1, 80, router, readHalf, nullptr, out, 4), 2u);  // depth caught
  EXPECT_EQ(out[0].param, 1u);
  EXPECT_DOUBLE_EQ(out[0].value, 80 / 127.0);
  {
    talvo::test::AllocationCounter counter;  // the audio thread's entry points
    for (int v = 0; v < 128; ++v) {
      (void)talvoCcResolve(talvoCcMapStoreAcquire(store), 7, 1, v, router, readHalf, nullptr, out, 4);
      talvoCcFeedRecord(feed, 74, 2, v);
      talvoCcMapStoreAdvanceEpoch(store);
    }
    EXPECT_EQ(counter.count(), 0u);
  }
  talvo_cc_activity activity[2];
  ASSERT_EQ(talvoCcFeedDrain(feed, talvoCcFeedNowMs(), activity, 2), 1u);
  char text[64];
  const size_t n = talvoCcWriteMidiCcJson(&activity[0], text, sizeof text);
  EXPECT_EQ(std::string(text, n), R"({"type":"talvo.midiCc","cc":74,"channel":2,"value":127})");
  talvoCcFeedDestroy(feed);
  talvoCcRouterDestroy(router);
  talvoCcMapStoreDestroy(store);
  talvoCcMapDestroy(map);
}

}  // namespace
