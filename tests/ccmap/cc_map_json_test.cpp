// CC map documents: the reading rules for bindings, the limits, and the exact
// bytes written back.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "bridge/exact_text.h"
#include "ccmap/cc_map.h"

namespace talvo {
namespace {

bool parse(const std::string& text, CcMap& map) {
  return parseCcMapJson(text.data(), text.size(), map);
}

CcMap parsed(const std::string& text) {
  CcMap map;
  EXPECT_TRUE(parse(text, map)) << text;
  return map;
}

TEST(CcMapDocument, EmptyListsArePresentAndOtherValuesAreNot) {
  const std::string texts[] = {"[]", R"({"bindings":[]})", "{}", R"({"bindings":7})", R"("text")"};
  for (std::size_t i = 0; i < std::size(texts); ++i) {
    JsonReader reader{texts[i].data(), texts[i].data() + texts[i].size()};
    CcMap map;
    bool present = i >= 2;
    EXPECT_TRUE(parseCcMapValue(reader, map, present) && atEndAfterWhitespace(reader)) << texts[i];
    EXPECT_EQ(present, i < 2) << texts[i];
  }
}

TEST(CcMapDocument, BindingsTakeDefaultsAndRoundedClampedControllerAndChannel) {
  const CcMap map =
      parsed(R"([{"cc":74.6,"path":"oriel.depth"},{"cc":300,"path":"oriel.wet","channel":0},)"
             R"({"cc":-4,"path":"oriel.wet","channel":16.6},{"cc":2.5,"path":"oriel.wet","channel":-3}])");
  ASSERT_EQ(map.count, 4u);
  const CcBinding& b = map.bindings[0];
  EXPECT_EQ(
      std::tie(b.param, b.cc, b.channel, b.curve, b.valueMode, b.takeover, b.enabled, b.hasMin, b.hasMax),
      std::make_tuple(1u, 75, 0, kCcCurveLinear, kCcValueAbsolute, kCcTakeoverJump, true, false, false));
  const std::pair<int, int> ccAndChannel[] = {{127, 1}, {0, 16}, {3, 1}};
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ((std::pair<int, int>(map.bindings[i + 1].cc, map.bindings[i + 1].channel)), ccAndChannel[i])
        << i;
}

TEST(CcMapDocument, UnusableBindingsAndMembersAreDroppedSilentlyAndLaterDuplicatesWin) {
  const CcMap map =
      parsed(R"([{"path":"oriel.rate"},{"cc":3,"path":"oriel.nope"},{"cc":4},7,"s",null,{},)"
             R"({"cc":"5","path":"oriel.rate"},{"cc":1,"path":"oriel.rate","path":"bogus"},)"
             R"({"cc":6,"path":"oriel.depth","x":[{}],"channel":"2","min":null,"max":[1],"enabled":0},)"
             R"({"cc":9,"path":"oriel.wet","min":1,"min":nan,"max":-inf},)"
             R"({"cc":1,"cc":2,"path":"oriel.wet","path":"oriel.rate","curve":"exp","curve":"EXP",)"
             R"("valueMode":"toggle","takeover":"scaled","enabled":false,"enabled":true}])");
  ASSERT_EQ(map.count, 3u);
  const CcBinding& b = map.bindings[0];
  EXPECT_EQ(std::tie(b.cc, b.param, b.channel, b.hasMin, b.hasMax, b.enabled),
            std::make_tuple(6, 1u, 0, false, false, true));
  // Non-finite bounds count as not given; an earlier finite one stays.
  EXPECT_EQ(std::tie(map.bindings[1].hasMin, map.bindings[1].min, map.bindings[1].hasMax),
            std::make_tuple(true, 1.0, false));
  // Later duplicates overwrite; unknown option names give the defaults.
  const CcBinding& d = map.bindings[2];
  EXPECT_EQ(std::tie(d.cc, d.param, d.curve, d.valueMode, d.takeover, d.enabled),
            std::make_tuple(2, 0u, kCcCurveLinear, kCcValueToggle, kCcTakeoverScaled, true));
}

TEST(CcMapDocument, SixtyFiveBindingsKeepTheFirstSixtyFour) {
  std::string text = "[";
  for (int i = 0; i < 65; ++i) {
    // Appended piece by piece: GCC 12 at -O3 misreads `"..." + std::string&&` as an overlapping copy.
    if (i) text += ',';
    text += "{\"cc\":" + std::to_string(i) + ",\"path\":\"oriel.rate\"}";
  }
  const CcMap map = parsed(text + "]");
  ASSERT_EQ(map.count, 64u);
  EXPECT_EQ(map.bindings[63].cc, 63);
}

// And the rows of tests/data/ccmap/documents.txt.
TEST(CcMapDocument, WholeTextMustBeOneWellFormedMapWithStringOptionsAndLimitedNesting) {
  // The list and the binding are two levels, so 31 more fit under the limit.
  auto deep = [](int levels) {
    return "[{\"cc\":1,\"path\":\"oriel.rate\",\"x\":" + std::string(levels, '[') + std::string(levels, ']') +
           "}]";
  };
  CcMap map;
  EXPECT_TRUE(parse(" \n[ ] \t", map));
  EXPECT_FALSE(parse("  ", map));
  EXPECT_TRUE(parse(deep(31), map));
  EXPECT_FALSE(parse(deep(32), map));
  EXPECT_FALSE(parseCcMapJson(nullptr, 0, map));
  test::expectDocumentCases<CcMap>("ccmap/documents.txt", parseCcMapJson, writeCcMapJson);
}

TEST(CcMapDocument, BindingsNamingNoParameterAreNotWritten) {
  std::string out;
  writeCcMapJson(out, CcMap{.count = 2, .bindings = {{.param = 3}, {.param = 2, .cc = 5}}});
  EXPECT_EQ(out, R"({"version":1,"bindings":[{"cc":5,"path":"oriel.wet"}]})");
}

TEST(CcMapMessages, ChangedAndActivityMessagesHaveTheirExactText) {
  std::string changed;
  writeCcMapChangedJson(changed, CcMap{.count = 1, .bindings = {{.param = 0, .cc = 7}}});
  EXPECT_EQ(changed,
            R"({"type":"talvo.ccMapChanged","map":{"version":1,"bindings":[{"cc":7,"path":"oriel.rate"}]}})");
  std::string activity;
  writeMidiCcJson(activity, CcActivityRecord{74, 16, 127});
  EXPECT_EQ(activity, R"({"type":"talvo.midiCc","cc":74,"channel":16,"value":127})");
}

}  // namespace
}  // namespace talvo
