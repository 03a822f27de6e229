// The pad map: per-field limits, key rules, the 256-entry cap and the exact
// bytes written.
#include <gtest/gtest.h>

#include <string>

#include "state/exact_text.h"
#include "state/pad_overrides.h"

namespace talvo {
namespace {

bool parse(const std::string& text, SamplerPadOverrides& out) {
  return parseSamplerPadOverridesJson(text.data(), text.size(), out);
}

std::string written(const SamplerPadOverrides& pads) {
  std::string out;
  writeSamplerPadOverridesJson(out, pads);
  return out;
}

TEST(PadOverrides, ValuesOutsideTheirRulesAreLeftOut) {
  SamplerPadOverrides pads;
  ASSERT_TRUE(parse(R"({"a":{"transpose":3.5},"b":{"gain":5,"pan":-1},"c":{"muted":true},"d":{"muted":1},)"
                    R"("e":{"release":0.0005},"f":{"reverse":0.5},"g":{"chokeGroup":9,"roundRobinGroup":8},)"
                    R"("h":{"filterHz":"20000","resonance":null,"fineTune":[1]},"i":{"nope":1,"start":inf}})",
                    pads));
  ASSERT_EQ(pads.size(), 3u);
  EXPECT_EQ(pads[0].key, "b");
  EXPECT_EQ(pads[0].mask, kPadPan);
  EXPECT_EQ(pads[0].pan, -1.0);
  EXPECT_EQ(pads[0].gain, 1.0);  // the default stays while the bit is clear
  EXPECT_EQ(pads[1].key, "d");
  EXPECT_EQ(pads[1].mask, kPadMuted);
  EXPECT_EQ(pads[2].key, "g");
  EXPECT_EQ(pads[2].mask, kPadRoundRobinGroup);
  EXPECT_EQ(written(pads), R"({"b":{"pan":-1},"d":{"muted":1},"g":{"roundRobinGroup":8}})");
}

TEST(PadOverrides, RangeEndsAreInclusive) {
  SamplerPadOverrides pads;
  ASSERT_TRUE(parse(R"({"p":{"transpose":-24,"fineTune":100,"gain":0,"pan":1,"start":0,"end":1,"attack":2,)"
                    R"("release":0.001,"filterHz":20,"resonance":18,"reverse":0,"muted":1,"chokeGroup":8,)"
                    R"("roundRobinGroup":0,"velocitySensitivity":1}})",
                    pads));
  ASSERT_EQ(pads.size(), 1u);
  EXPECT_EQ(pads[0].mask, 0x7FFFu);
  EXPECT_EQ(
      written(pads),
      R"({"p":{"transpose":-24,"fineTune":100,"gain":0,"pan":1,"start":0,"end":1,"attack":2,"release":0.001,)"
      R"("filterHz":20,"resonance":18,"reverse":0,"muted":1,"chokeGroup":8,"roundRobinGroup":0,)"
      R"("velocitySensitivity":1}})");
}

TEST(PadOverrides, RepeatedKeyReplacesItsEntryInPlace) {
  SamplerPadOverrides pads;
  ASSERT_TRUE(parse(R"({"k":{"gain":2},"other":{"pan":0.25},"k":{"pan":0.5}})", pads));
  ASSERT_EQ(pads.size(), 2u);
  EXPECT_EQ(pads[0].key, "k");
  EXPECT_EQ(pads[0].mask, kPadPan);
  EXPECT_EQ(pads[0].gain, 1.0);
  EXPECT_EQ(pads[0].pan, 0.5);
  EXPECT_EQ(pads[1].key, "other");
}

TEST(PadOverrides, KeysLongerThan160BytesAreDropped) {
  const std::string key160(160, 'k');
  const std::string key161(161, 'j');
  SamplerPadOverrides pads;
  ASSERT_TRUE(parse("{\"" + key161 + "\":{\"gain\":2},\"" + key160 + "\":{\"gain\":2}}", pads));
  ASSERT_EQ(pads.size(), 1u);
  EXPECT_EQ(pads[0].key, key160);
}

TEST(PadOverrides, EmptyKeyIsReadButNotWritten) {
  SamplerPadOverrides pads;
  ASSERT_TRUE(parse(R"({"":{"gain":2},"x":{"gain":3}})", pads));
  ASSERT_EQ(pads.size(), 2u);
  EXPECT_EQ(written(pads), R"({"x":{"gain":3}})");
}

TEST(PadOverrides, KeyHoldingAByteWithoutAShortEscapeIsDropped) {
  SamplerPadOverrides pads;
  static const char kText[] =
      "{\"a\0b\":{\"gain\":2},\"a\x01\":{\"gain\":2},\"a\\n\":{\"gain\":2},\"a\":{\"gain\":3}}";
  ASSERT_TRUE(parse(std::string(kText, sizeof kText - 1), pads));
  ASSERT_EQ(pads.size(), 2u);
  EXPECT_EQ(pads[0].key, "a\n");  // short escapes write back as the same byte
  EXPECT_EQ(pads[1].key, "a");
}

TEST(PadOverrides, The257thDistinctKeyIsDroppedButRepeatsStillReplace) {
  std::string text = "{";
  for (int i = 0; i < 257; ++i)
    text += "\"p" + std::to_string(i) + "\":{\"gain\":2},";
  text += "\"p7\":{\"pan\":0.5}}";
  SamplerPadOverrides pads;
  ASSERT_TRUE(parse(text, pads));
  ASSERT_EQ(pads.size(), 256u);
  EXPECT_EQ(pads[255].key, "p255");
  EXPECT_EQ(pads[7].mask, kPadPan);
}

TEST(PadOverrides, EntriesWithoutBitsWriteAnEmptyMap) {
  SamplerPadOverrides pads(2);
  pads[0].key = "a";
  pads[1].key = "b";
  EXPECT_EQ(written(pads), "{}");
  EXPECT_EQ(written(SamplerPadOverrides()), "{}");
}

TEST(PadOverrides, NonObjectPadValuesAreSkippedButMustBeWellFormed) {
  SamplerPadOverrides pads;
  ASSERT_TRUE(parse(R"( { "a" : [1,{"b":2}] , "c" : "s" , "d" : { "gain" : 0.5 } } )", pads));
  ASSERT_EQ(pads.size(), 1u);
  EXPECT_FALSE(parse(R"({"a":[1,}]})", pads));
  EXPECT_FALSE(parse(R"({"a":{"gain":1,}})", pads));
  EXPECT_FALSE(parse(R"({"a":{"gain" 1}})", pads));
  EXPECT_FALSE(parse(R"({"a":{"gain":1 "pan":0}})", pads));
  EXPECT_FALSE(parse(R"({"a":{1:1}})", pads));
  EXPECT_FALSE(parse(R"([])", pads));
  EXPECT_FALSE(parse(R"({"a":{"gain":1}} x)", pads));
}

TEST(PadOverrides, FailureLeavesTheTargetUnchanged) {
  SamplerPadOverrides pads;
  ASSERT_TRUE(parse(R"({"keep":{"gain":2}})", pads));
  EXPECT_FALSE(parse(R"({"new":{"gain":3}})"
                     "x",
                     pads));
  ASSERT_EQ(pads.size(), 1u);
  EXPECT_EQ(pads[0].key, "keep");
}

TEST(PadOverrides, EveryTruncationIsRejectedWithinTheRange) {
  const std::string full =
      R"({"kick":{"transpose":-3,"gain":0.75,"muted":1},"snare":{"filterHz":8000.5}, "x":[{}]})";
  SamplerPadOverrides pads;
  ASSERT_TRUE(parse(full, pads));
  EXPECT_EQ(test::firstAcceptedPrefix(full,
                                      [](const char* text, std::size_t n) {
                                        SamplerPadOverrides out;
                                        return parseSamplerPadOverridesJson(text, n, out);
                                      }),
            full.size());
}

TEST(PadOverrides, WrittenMapReadsBackToTheSameRecordsAndBytes) {
  SamplerPadOverrides pads(2);
  pads[0].key = "zone \"1\" \\ /";
  pads[0].mask = kPadFineTune | kPadFilterHz | kPadVelocitySensitivity;
  pads[0].fineTune = -33.333333333333336;
  pads[0].filterHz = 1234.5678;
  pads[0].velocitySensitivity = 0.1;
  pads[1].key = "\xc3\xa9";
  pads[1].mask = kPadStart | kPadEnd;
  pads[1].start = 0.1 + 0.2;
  pads[1].end = 0.9;
  const std::string first = written(pads);
  SamplerPadOverrides back;
  ASSERT_TRUE(parse(first, back));
  ASSERT_EQ(back.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(back[i].key, pads[i].key);
    EXPECT_EQ(back[i].mask, pads[i].mask);
    for (const PadOverrideField& field : kPadOverrideFields) {
      EXPECT_EQ(back[i].*(field.value), pads[i].*(field.value)) << field.name;
    }
  }
  EXPECT_EQ(written(back), first);
}

TEST(PadOverrides, MemberValueNestedBeyondThirtyTwoLevelsFails) {
  auto deep = [](int levels) {
    return "{\"a\":" + std::string(levels - 1, '[') + std::string(levels - 1, ']') + "}";
  };
  SamplerPadOverrides pads;
  EXPECT_TRUE(parse(deep(33), pads));
  EXPECT_FALSE(parse(deep(34), pads));
}

}  // namespace
}  // namespace talvo
