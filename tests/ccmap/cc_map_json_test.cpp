// CC map documents: the reading rules for bindings, the limits, and the exact
// bytes written back.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>

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

TEST(CcMapDocument, IncompleteOrUnknownBindingsAreDroppedSilently) {
  CcMap map;
  ASSERT_TRUE(parse(R"([{"path":"oriel.rate"},{"cc":3,"path":"oriel.nope"},{"cc":4},7,"s",null,{},)"
                    R"({"cc":"5","path":"oriel.rate"},{"cc":6,"path":"oriel.depth","x":[{}]}])",
                    map));
  ASSERT_EQ(map.count, 1u);
  EXPECT_EQ(map.bindings[0].cc, 6);
  EXPECT_EQ(map.bindings[0].param, 1u);
}

TEST(CcMapDocument, StringMembersOfTheWrongTypeFailTheWholeMap) {
  CcMap map;
  for (const char* text : {R"([{"cc":1,"path":5}])", R"([{"cc":1,"path":"oriel.rate","curve":1}])",
                           R"([{"cc":1,"path":"oriel.rate","valueMode":null}])",
                           R"({"bindings":[{"cc":1,"path":"oriel.rate","takeover":{}}]})"}) {
    EXPECT_FALSE(parse(text, map)) << text;
  }
}

TEST(CcMapDocument, NumbersOfTheWrongTypeAndNonBooleanEnabledAreSkipped) {
  CcMap map;
  ASSERT_TRUE(parse(R"([{"cc":9,"path":"oriel.wet","channel":"2","min":null,"max":[1],"enabled":0},)"
                    R"({"cc":9,"path":"oriel.wet","min":1,"min":nan,"max":-inf}])",
                    map));
  ASSERT_EQ(map.count, 2u);
  EXPECT_EQ(map.bindings[0].channel, 0);
  EXPECT_FALSE(map.bindings[0].hasMin);
  EXPECT_FALSE(map.bindings[0].hasMax);
  EXPECT_TRUE(map.bindings[0].enabled);
  // Non-finite bounds count as not given; an earlier finite one stays.
  EXPECT_TRUE(map.bindings[1].hasMin);
  EXPECT_EQ(map.bindings[1].min, 1.0);
  EXPECT_FALSE(map.bindings[1].hasMax);
}

TEST(CcMapDocument, LaterDuplicateMembersOverwriteAndUnknownNamesGiveDefaults) {
  CcMap map;
  ASSERT_TRUE(parse(R"([{"cc":1,"cc":2,"path":"oriel.wet","path":"oriel.rate","curve":"exp","curve":"EXP",)"
                    R"("valueMode":"toggle","takeover":"scaled","enabled":false,"enabled":true}])",
                    map));
  ASSERT_EQ(map.count, 1u);
  const CcBinding& b = map.bindings[0];
  EXPECT_EQ(b.cc, 2);
  EXPECT_EQ(b.param, 0u);
  EXPECT_EQ(b.curve, kCcCurveLinear);
  EXPECT_EQ(b.valueMode, kCcValueToggle);
  EXPECT_EQ(b.takeover, kCcTakeoverScaled);
  EXPECT_TRUE(b.enabled);
  CcMap later;
  ASSERT_TRUE(parse(R"([{"cc":1,"path":"oriel.rate","path":"bogus"}])", later));
  EXPECT_EQ(later.count, 0u);
}

TEST(CcMapDocument, SixtyFiveBindingsKeepTheFirstSixtyFour) {
  std::string text = "[";
  for (int i = 0; i < 65; ++i) {
    if (i) text += ',';
    text += "{\"cc\":" + std::to_string(i) + ",\"path\":\"oriel.rate\"}";
  }
  text += "]";
  CcMap map;
  ASSERT_TRUE(parse(text, map));
  ASSERT_EQ(map.count, 64u);
  EXPECT_EQ(map.bindings[63].cc, 63);
}

TEST(CcMapDocument, WholeTextMustBeOneMapWithOnlyWhitespaceAfter) {
  CcMap map;
  EXPECT_TRUE(parse(" \n[ ] \t", map));
  for (const char* text :
       {"", "  ", "7", "\"x\"", "null", "[] x", "{}{}", "[1,]", "{\"bindings\":[],}", "[{\"cc\":1,}]"}) {
    EXPECT_FALSE(parse(text, map)) << text;
  }
  EXPECT_FALSE(parseCcMapJson(nullptr, 0, map));
}

TEST(CcMapDocument, EveryTruncationIsRejectedWithinTheRange) {
  const std::string full =
      R"({"version":1,"bindings":[{"cc":1,"path":"oriel.rate","channel":3,"min":0.5,"max":2,)"
      R"("curve":"log","valueMode":"relative-signed-bit","takeover":"pickup","enabled":false}]})";
  CcMap whole;
  ASSERT_TRUE(parse(full, whole));
  for (std::size_t n = 0; n < full.size(); ++n) {
    std::unique_ptr<char[]> exact(new char[n + 1]);
    full.copy(exact.get(), n);
    CcMap map;
    EXPECT_FALSE(parseCcMapJson(exact.get(), n, map)) << n;
  }
}

// The list and the binding are two levels, so 31 more fit under the limit.
TEST(CcMapDocument, NestingInsideABindingIsLimited) {
  auto deep = [](int levels) {
    return "[{\"cc\":1,\"path\":\"oriel.rate\",\"x\":" + std::string(levels, '[') + std::string(levels, ']') +
           "}]";
  };
  CcMap map;
  EXPECT_TRUE(parse(deep(31), map));
  EXPECT_FALSE(parse(deep(32), map));
}

TEST(CcMapDocument, EveryOptionRoundTripsToTheSameValuesAndBytes) {
  CcMap map;
  map.count = 3;
  map.bindings[0] = CcBinding{
      2, 127, 16, kCcCurveExp, kCcValueRelativeBinaryOffset, kCcTakeoverPickup, true, true, false, -0.1, 0};
  map.bindings[1] = CcBinding{
      0, 0, 1, kCcCurveSCurve, kCcValueRelativeTwosComplement, kCcTakeoverJump, false, false, true, 0, 1e-7};
  map.bindings[2] = CcBinding{
      1, 64, 0, kCcCurveLog, kCcValueRelativeSignedBit, kCcTakeoverScaled, true, true, true, 0.1 + 0.2, 20};
  const std::string first = written(map);
  CcMap back;
  ASSERT_TRUE(parse(first, back));
  ASSERT_EQ(back.count, 3u);
  for (std::uint32_t i = 0; i < 3; ++i) {
    const CcBinding& a = map.bindings[i];
    const CcBinding& b = back.bindings[i];
    EXPECT_EQ(
        std::tie(a.param, a.cc, a.channel, a.curve, a.valueMode, a.takeover, a.enabled, a.hasMin, a.hasMax),
        std::tie(b.param, b.cc, b.channel, b.curve, b.valueMode, b.takeover, b.enabled, b.hasMin, b.hasMax));
    EXPECT_TRUE(!a.hasMin || a.min == b.min);
    EXPECT_TRUE(!a.hasMax || a.max == b.max);
  }
  EXPECT_EQ(written(back), first);
}

TEST(CcMapDocument, BindingsNamingNoParameterAreLeftOutWhenWriting) {
  CcMap map;
  map.count = 2;
  map.bindings[0].param = 3;
  map.bindings[1].param = 2;
  map.bindings[1].cc = 5;
  EXPECT_EQ(written(map), R"({"version":1,"bindings":[{"cc":5,"path":"oriel.wet"}]})");
  EXPECT_EQ(written(CcMap()), R"({"version":1,"bindings":[]})");
}

TEST(CcMapMessages, ChangedAndActivityMessagesHaveTheirExactText) {
  CcMap map;
  map.count = 1;
  map.bindings[0].cc = 7;
  std::string changed;
  writeCcMapChangedJson(changed, map);
  EXPECT_EQ(changed,
            R"({"type":"talvo.ccMapChanged","map":{"version":1,"bindings":[{"cc":7,"path":"oriel.rate"}]}})");
  std::string activity;
  writeMidiCcJson(activity, CcActivityRecord{74, 16, 127});
  EXPECT_EQ(activity, R"({"type":"talvo.midiCc","cc":74,"channel":16,"value":127})");
}

}  // namespace
}  // namespace talvo
