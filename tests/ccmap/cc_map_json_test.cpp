// CC map documents: the reading rules for bindings, the limits, and the exact
// bytes written back.
#include <gtest/gtest.h>

#include <string>

#include "ccmap/cc_map.h"

namespace talvo {
namespace {

bool parse(const std::string& text, CcMap& map) {
  return parseCcMapJson(text.data(), text.size(), map);
}

std::string written(const CcMap& map) {
  std::string out;
  writeCcMapJson(out, map);
  return out;
}

bool presentOf(const std::string& text, bool& present) {
  JsonReader reader{text.data(), text.data() + text.size()};
  CcMap map;
  return parseCcMapValue(reader, map, present) && atEndAfterWhitespace(reader);
}

TEST(CcMapDocument, EmptyListsArePresentAndEmptyObjectIsNot) {
  bool present = false;
  ASSERT_TRUE(presentOf("[]", present));
  EXPECT_TRUE(present);
  ASSERT_TRUE(presentOf("{\"bindings\":[]}", present));
  EXPECT_TRUE(present);
  ASSERT_TRUE(presentOf("{}", present));
  EXPECT_FALSE(present);
  ASSERT_TRUE(presentOf("{\"bindings\":7}", present));
  EXPECT_FALSE(present);
  ASSERT_TRUE(presentOf("\"text\"", present));
  EXPECT_FALSE(present);
}

TEST(CcMapDocument, MinimalBindingTakesTheDefaults) {
  CcMap map;
  ASSERT_TRUE(parse("[{\"cc\":74.6,\"path\":\"oriel.depth\"}]", map));
  ASSERT_EQ(map.count, 1u);
  const CcBinding& b = map.bindings[0];
  EXPECT_EQ(b.cc, 75);
  EXPECT_EQ(b.param, 1u);
  EXPECT_EQ(b.channel, 0);
  EXPECT_EQ(b.curve, kCcCurveLinear);
  EXPECT_EQ(b.valueMode, kCcValueAbsolute);
  EXPECT_EQ(b.takeover, kCcTakeoverJump);
  EXPECT_TRUE(b.enabled);
  EXPECT_FALSE(b.hasMin);
  EXPECT_FALSE(b.hasMax);
}

TEST(CcMapDocument, ControllerAndChannelAreRoundedAndClamped) {
  CcMap map;
  ASSERT_TRUE(
      parse("[{\"cc\":300,\"path\":\"oriel.wet\",\"channel\":0},"
            "{\"cc\":-4,\"path\":\"oriel.wet\",\"channel\":16.6},"
            "{\"cc\":2.5,\"path\":\"oriel.wet\",\"channel\":-3}]",
            map));
  ASSERT_EQ(map.count, 3u);
  EXPECT_EQ(map.bindings[0].cc, 127);
  EXPECT_EQ(map.bindings[0].channel, 1);
  EXPECT_EQ(map.bindings[1].cc, 0);
  EXPECT_EQ(map.bindings[1].channel, 16);
  EXPECT_EQ(map.bindings[2].cc, 3);
  EXPECT_EQ(map.bindings[2].channel, 1);
}

TEST(CcMapDocument, NamedOptionsWriteBackInTheirFixedOrder) {
  CcMap map;
  ASSERT_TRUE(
      parse("{\"bindings\":[{\"cc\":1,\"path\":\"oriel.rate\",\"curve\":\"s-curve\",\"takeover\":\"pickup\","
            "\"enabled\":false}]}",
            map));
  EXPECT_EQ(
      written(map),
      "{\"version\":1,\"bindings\":[{\"cc\":1,\"path\":\"oriel.rate\",\"curve\":\"s-curve\",\"takeover\":"
      "\"pickup\",\"enabled\":false}]}");
}

}  // namespace
}  // namespace talvo
