// The pad map: per-field limits, key rules, the 256-entry cap and the exact
// bytes written.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "bridge/exact_text.h"
#include "state/pad_overrides.h"

namespace talvo {
namespace {

using Texts = std::vector<std::string>;

bool parse(const std::string& text, SamplerPadOverrides& out) {
  return parseSamplerPadOverridesJson(text.data(), text.size(), out);
}

std::string written(const SamplerPadOverrides& pads) {
  std::string out;
  writeSamplerPadOverridesJson(out, pads);
  return out;
}

TEST(PadOverrides, ValuesOutsideTheirRulesAreLeftOutAndRangeEndsAreInclusive) {
  SamplerPadOverrides pads;
  ASSERT_TRUE(parse(R"({"a":{"transpose":3.5},"b":{"gain":5,"pan":-1},"c":{"muted":true},"d":{"muted":1},)"
                    R"("e":{"release":0.0005},"f":{"reverse":0.5},"g":{"chokeGroup":9,"roundRobinGroup":8},)"
                    R"("h":{"filterHz":"20000","resonance":null,"fineTune":[1]},"i":{"nope":1,"start":inf}})",
                    pads));
  ASSERT_EQ(pads.size(), 3u);
  EXPECT_EQ(pads[0].gain, 1.0);  // the default stays while the bit is clear
  EXPECT_EQ(written(pads), R"({"b":{"pan":-1},"d":{"muted":1},"g":{"roundRobinGroup":8}})");
  EXPECT_EQ(written(SamplerPadOverrides{{.key = "a"}, {.key = "b"}}), "{}");  // entries without bits
  EXPECT_EQ(written(SamplerPadOverrides()), "{}");

  // Every field at a range end, then every field that takes fractions at one.
  for (
      const char* text :
      {R"({"p":{"transpose":-24,"fineTune":100,"gain":0,"pan":1,"start":0,"end":1,"attack":2,"release":0.001,)"
       R"("filterHz":20,"resonance":18,"reverse":0,"muted":1,"chokeGroup":8,"roundRobinGroup":0,)"
       R"("velocitySensitivity":1}})",
       R"({"q":{"fineTune":-33.5,"gain":0.25,"pan":0.5,"start":0.30000000000000004,"end":0.75,"attack":1.5,)"
       R"("release":0.5,"filterHz":1234.5678,"resonance":0.5,"velocitySensitivity":0.1}})"}) {
    ASSERT_TRUE(parse(text, pads));
    EXPECT_EQ(written(pads), text);
  }
}

TEST(PadOverrides, KeysOverTheLimitOrWithUnescapableBytesAreDroppedAndEmptyKeysNotWritten) {
  const std::string key160(160, 'k');
  static const char kUnescapable[] = "\"a\0b\":{\"gain\":2},\"a\x01\":{\"gain\":2},";
  SamplerPadOverrides pads;
  ASSERT_TRUE(parse("{\"" + std::string(161, 'j') + "\":{\"gain\":2}," +
                        std::string(kUnescapable, sizeof kUnescapable - 1) +
                        R"("a\n":{"gain":2},"":{"gain":2},")" + key160 + R"(":{"gain":3},"a":{"gain":4}})",
                    pads));
  ASSERT_EQ(pads.size(), 4u);
  EXPECT_EQ(pads[0].key, "a\n");  // short escapes write back as the same byte
  EXPECT_EQ(written(pads), R"({"a\n":{"gain":2},")" + key160 + R"(":{"gain":3},"a":{"gain":4}})");
}

TEST(PadOverrides, RepeatedKeyReplacesItsEntryInPlaceEvenPastThe256Cap) {
  std::string text = R"({"k":{"gain":2},"other":{"pan":0.25},"k":{"pan":0.5},)";
  for (int i = 0; i < 257; ++i)
    text += "\"p" + std::to_string(i) + "\":{\"gain\":2},";
  text += "\"p7\":{\"pan\":0.5}}";
  SamplerPadOverrides pads;
  ASSERT_TRUE(parse(text, pads));
  ASSERT_EQ(pads.size(), 256u);
  EXPECT_EQ(std::tie(pads[0].key, pads[0].mask, pads[0].gain, pads[0].pan),
            std::make_tuple("k", kPadPan, 1.0, 0.5));
  EXPECT_EQ(pads[1].key + "|" + pads[255].key, "other|p253");
  EXPECT_EQ(pads[9].mask, kPadPan);
}

TEST(PadOverrides, NonObjectPadValuesAreSkippedButBrokenTextFailsAndLeavesTheTargetUnchanged) {
  auto deep = [](int levels) {
    return "{\"a\":" + std::string(levels - 1, '[') + std::string(levels - 1, ']') + "}";
  };
  SamplerPadOverrides pads;
  ASSERT_TRUE(parse(deep(33), pads));
  ASSERT_TRUE(parse(R"( { "a" : [1,{"b":2}] , "c" : "s" , "keep" : { "gain" : 0.5 } } )", pads));
  for (const std::string& text :
       Texts{R"({"a":[1,}]})", R"({"a":{"gain":1,}})", R"({"a":{"gain" 1}})", R"({"a":{"gain":1 "pan":0}})",
             R"({"a":{1:1}})", "[]", R"({"new":{"gain":3}} x)", deep(34)}) {
    EXPECT_FALSE(parse(text, pads)) << text;
    ASSERT_EQ(pads.size(), 1u);
    EXPECT_EQ(pads[0].key, "keep");
  }
}

TEST(PadOverrides, EveryTruncationIsRejectedWithinTheRange) {
  const std::string full =
      R"({"kick":{"transpose":-3,"gain":0.75,"muted":1},"snare":{"filterHz":8000.5}, "x":[{}]})";
  test::expectOnlyTheWholeTextParses<SamplerPadOverrides>(full, parseSamplerPadOverridesJson);
}

}  // namespace
}  // namespace talvo
