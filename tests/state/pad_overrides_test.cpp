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
  SamplerPadOverrides pads;
  ASSERT_TRUE(parse(test::nestedMember(32), pads));
  ASSERT_TRUE(parse(R"({"keep":{"gain":0.5}})", pads));
  for (const std::string& text : Texts{R"({"new":{"gain":3}} x)", test::nestedMember(33)}) {
    EXPECT_FALSE(parse(text, pads)) << text;
    ASSERT_EQ(pads.size(), 1u);
    EXPECT_EQ(pads[0].key, "keep");
  }
}

// The rows of tests/data/state/pad_overrides.txt: values at their range ends, broken texts.
TEST(PadOverrides, RangeEndsWriteBackByteForByteAndBrokenTextIsRefused) {
  test::expectDocumentCases<SamplerPadOverrides>("state/pad_overrides.txt", parseSamplerPadOverridesJson,
                                                 writeSamplerPadOverridesJson);
}

}  // namespace
}  // namespace talvo
