// CC map documents: the reading rules for bindings, the limits, and the exact
// bytes written back.
#include <gtest/gtest.h>

#include <string>

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
  CcMap map;
  EXPECT_TRUE(parse(" \n[ ] \t", map));
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
