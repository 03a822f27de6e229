// The component state document: what it reads, what it rejects, and the
// exact bytes it writes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "state/exact_text.h"
#include "state/state_chunk.h"

namespace talvo {
namespace {

bool parse(const std::string& text, StateChunk& out) {
  return parseStateJson(text.data(), text.size(), out);
}

std::string plainDocument(double rate, double depth, double wet) {
  return writeStateJson(rate, depth, wet, -1, nullptr, 0, 0, nullptr, nullptr, nullptr);
}

TEST(StateDocument, ParameterDocumentReadsAllThreeWithoutVariation) {
  StateChunk s;
  ASSERT_TRUE(parse(R"({"params":{"oriel.rate":5,"oriel.depth":0.1,"oriel.wet":1}})", s));
  EXPECT_TRUE(s.paramPresent[0] && s.paramPresent[1] && s.paramPresent[2]);
  EXPECT_EQ(s.params[0], 5.0);
  EXPECT_EQ(s.params[1], 0.1);
  EXPECT_EQ(s.params[2], 1.0);
  EXPECT_EQ(s.variation, -1);
  EXPECT_FALSE(s.hasCcMap || s.hasBank || s.hasPadOverrides || s.hasAuthoredState);
}

TEST(StateDocument, ParameterValuesTakeBooleansSkipOtherKindsAndKeepTheLastDuplicate) {
  StateChunk s;
  ASSERT_TRUE(parse(R"({"params":{"oriel.wet":true,"oriel.depth":"x","oriel.rate":1,"oriel.rate":99,)"
                    R"("oriel.other":3,"oriel.depth":{"a":[null]}}})",
                    s));
  EXPECT_EQ(s.params[2], 1.0);
  EXPECT_FALSE(s.paramPresent[1]);
  EXPECT_EQ(s.params[0], 99.0);  // stored as given, no clamping
  StateChunk f;
  ASSERT_TRUE(parse(R"({"params":{"oriel.wet":false}})", f));
  EXPECT_TRUE(f.paramPresent[2]);
  EXPECT_EQ(f.params[2], 0.0);
}

TEST(StateDocument, NonFiniteParameterValuesCountAsAbsent) {
  StateChunk s;
  ASSERT_TRUE(parse(R"({"params":{"oriel.rate":nan,"oriel.depth":1e999,"oriel.wet":-inf}})", s));
  EXPECT_FALSE(s.paramPresent[0] || s.paramPresent[1] || s.paramPresent[2]);
  StateChunk kept;
  ASSERT_TRUE(parse(R"({"params":{"oriel.wet":0.5,"oriel.wet":nan}})", kept));
  EXPECT_TRUE(kept.paramPresent[2]);
  EXPECT_EQ(kept.params[2], 0.5);
}

TEST(StateDocument, VariationMustBeANumberAndIsTruncated) {
  StateChunk s;
  EXPECT_FALSE(parse(R"({"params":{},"variation":"3"})", s));
  StateChunk t;
  ASSERT_TRUE(parse(R"({"params":{},"variation":3.9})", t));
  EXPECT_EQ(t.variation, 3);
  StateChunk n;
  ASSERT_TRUE(parse(R"({"variation":-2.7})", n));
  EXPECT_EQ(n.variation, -2);
}

TEST(StateDocument, HugeOrNotANumberVariationSaturatesInsteadOfWrapping) {
  StateChunk big;
  ASSERT_TRUE(parse(R"({"variation":1e300})", big));
  EXPECT_EQ(big.variation, 2147483647);
  StateChunk small;
  ASSERT_TRUE(parse(R"({"variation":-inf})", small));
  EXPECT_EQ(small.variation, -2147483647 - 1);
  StateChunk nan;
  ASSERT_TRUE(parse(R"({"variation":nan})", nan));
  EXPECT_EQ(nan.variation, -1);
}

TEST(StateDocument, EmptyObjectAndTrailingWhitespaceAreAccepted) {
  StateChunk s;
  EXPECT_TRUE(parse("{}", s));
  EXPECT_FALSE(s.paramPresent[0] || s.paramPresent[1] || s.paramPresent[2]);
  EXPECT_TRUE(parse(" \t{ } \r\n", s));
  EXPECT_FALSE(parse("{} x", s));
  EXPECT_FALSE(parse("{}}", s));
  EXPECT_FALSE(parse("", s));
  EXPECT_FALSE(parse("[]", s));
  EXPECT_FALSE(parse(R"({"params":{},})", s));
  EXPECT_FALSE(parse(R"({"params" {}})", s));
  EXPECT_FALSE(parse(R"({"params":3})", s));
}

TEST(StateDocument, MemberTypeErrorsRejectTheDocument) {
  StateChunk s;
  EXPECT_FALSE(parse(R"({"samplerAssetFault":1})", s));
  EXPECT_FALSE(parse(R"({"samplerZoneProgram":null})", s));
  EXPECT_FALSE(parse(R"({"sampler":{"v":"1","pads":{}}})", s));
  EXPECT_FALSE(parse(R"({"authoredState":{"v":true}})", s));
  EXPECT_FALSE(parse(R"({"ccMap":[{"cc":1,"path":5}]})", s));
  EXPECT_FALSE(parse(R"({"sampler":{"v":1,"pads":{"a":{"gain":}}}})", s));
  // Values of other kinds where an object is expected are skipped.
  StateChunk t;
  EXPECT_TRUE(parse(R"({"sampler":[1],"bank":"b","authoredState":7,"ccMap":"m","samplerZoneAbi":{}})", t));
}

TEST(StateDocument, SamplerNamesAreRecognisedAndUnknownNamesIgnored) {
  StateChunk s;
  ASSERT_TRUE(
      parse(R"({"samplerAssetFault":"moved-in-memory-asset","samplerZoneProgram":"voice-limit-steal"})", s));
  EXPECT_TRUE(s.hasSamplerAssetFault);
  EXPECT_EQ(s.samplerAssetFault, kSamplerAssetMovedInMemory);
  EXPECT_TRUE(s.hasSamplerZoneProgram);
  EXPECT_EQ(s.samplerZoneProgram, kZoneVoiceLimitSteal);
  StateChunk u;
  ASSERT_TRUE(parse(R"({"samplerAssetFault":"none","samplerZoneProgram":"Voice-Limit-Steal"})", u));
  EXPECT_FALSE(u.hasSamplerAssetFault);
  EXPECT_FALSE(u.hasSamplerZoneProgram);
}

TEST(StateDocument, SamplerBlockIsKeptOnlyForVersionOneWithPads) {
  StateChunk v2;
  ASSERT_TRUE(parse(R"({"sampler":{"v":2,"pads":{"a":{"gain":2}}}})", v2));
  EXPECT_FALSE(v2.hasPadOverrides);
  StateChunk noPads;
  ASSERT_TRUE(parse(R"({"sampler":{"v":1,"pads":[]}})", noPads));
  EXPECT_FALSE(noPads.hasPadOverrides);
  StateChunk v1;
  ASSERT_TRUE(parse(R"({"sampler":{"pads":{"a":{"gain":2}},"v":1}})", v1));
  ASSERT_TRUE(v1.hasPadOverrides);
  ASSERT_EQ(v1.padOverrides.size(), 1u);
  EXPECT_EQ(v1.padOverrides[0].gain, 2.0);
}

TEST(StateDocument, BankIdentifierLimitDecidesWhetherTheBlockCounts) {
  const std::string id127(127, 'i');
  const std::string id128(128, 'i');
  StateChunk longId;
  ASSERT_TRUE(parse(R"({"bank":{"id":")" + id128 + R"(","source":"hosted"}})", longId));
  EXPECT_FALSE(longId.hasBank);
  StateChunk emptyId;
  ASSERT_TRUE(parse(R"({"bank":{"id":"","source":"hosted"}})", emptyId));
  EXPECT_FALSE(emptyId.hasBank);
  StateChunk fits;
  ASSERT_TRUE(parse(R"({"bank":{"id":")" + id127 + R"(","source":"carrier-pigeon"}})", fits));
  EXPECT_TRUE(fits.hasBank);
  EXPECT_EQ(std::string(fits.bankId), id127);
  EXPECT_STREQ(fits.bankSource, "");
}

TEST(StateDocument, OverlongBankStringsReadAsEmpty) {
  StateChunk s;
  const std::string text = R"({"bank":{"version":"any","id":"b","bankVersion":")" + std::string(32, 'v') +
                           R"(","sha256":")" + std::string(65, 'a') + R"(","locator":")" +
                           std::string(1024, 'l') + R"(","source":"user-folder","instrument":")" +
                           std::string(64, 'n') + R"(","presetId":")" + std::string(64, 'p') + R"("}})";
  ASSERT_TRUE(parse(text, s));
  EXPECT_TRUE(s.hasBank);
  EXPECT_STREQ(s.bankVersion, "");
  EXPECT_STREQ(s.bankSha256, "");
  EXPECT_STREQ(s.bankLocator, "");
  EXPECT_FALSE(s.hasBankLocator);
  EXPECT_STREQ(s.bankSource, "user-folder");
  EXPECT_STREQ(s.bankInstrument, "");
  EXPECT_STREQ(s.bankPresetId, "");
  EXPECT_FALSE(s.hasBankPresetId);
  StateChunk at;
  const std::string atLimit = R"({"bank":{"id":"b","bankVersion":")" + std::string(31, 'v') +
                              R"(","sha256":")" + std::string(64, 'a') + R"(","locator":")" +
                              std::string(1023, 'l') + R"(","instrument":")" + std::string(63, 'n') +
                              R"(","presetId":")" + std::string(63, 'p') + R"(","id":7}})";
  ASSERT_TRUE(parse(atLimit, at));
  EXPECT_EQ(std::strlen(at.bankVersion), 31u);
  EXPECT_EQ(std::strlen(at.bankSha256), 64u);
  EXPECT_EQ(std::strlen(at.bankLocator), 1023u);
  EXPECT_TRUE(at.hasBankLocator);
  EXPECT_EQ(std::strlen(at.bankInstrument), 63u);
  EXPECT_EQ(std::strlen(at.bankPresetId), 63u);
  EXPECT_TRUE(at.hasBankPresetId);
}

TEST(StateDocument, BankIdentifierStartingWithNulCountsAsEmpty) {
  StateChunk s;
  static const char kText[] = "{\"bank\":{\"id\":\"\0abc\"}}";
  ASSERT_TRUE(parseStateJson(kText, sizeof kText - 1, s));
  EXPECT_FALSE(s.hasBank);
}

TEST(StateDocument, AuthoredBytesDecodeWithinTheLimit) {
  StateChunk s;
  ASSERT_TRUE(parse(R"({"authoredState":{"v":2.9,"bytes":"AAEC/w=="}})", s));
  ASSERT_TRUE(s.hasAuthoredState);
  EXPECT_EQ(s.authoredVersion, 2);
  EXPECT_EQ(s.authoredBytes, (std::vector<std::uint8_t>{0, 1, 2, 255}));
  StateChunk bad;
  ASSERT_TRUE(parse(R"({"authoredState":{"v":1,"bytes":"AAE"}})", bad));
  EXPECT_FALSE(bad.hasAuthoredState);
  StateChunk empty;
  ASSERT_TRUE(parse(R"({"authoredState":{"v":1,"bytes":""}})", empty));
  EXPECT_FALSE(empty.hasAuthoredState);
  StateChunk large;
  const std::string tooBig(1048576 / 3 * 4 + 8, 'A');
  ASSERT_TRUE(parse(R"({"authoredState":{"v":1,"bytes":")" + tooBig + R"("}})", large));
  EXPECT_FALSE(large.hasAuthoredState);
  EXPECT_FALSE(parse(R"({"authoredState":{"v":1,"bytes":"AA)", large));
}

TEST(StateDocument, CcMapIsReadFromEitherForm) {
  StateChunk s;
  ASSERT_TRUE(parse(R"({"ccMap":{"version":1,"bindings":[{"cc":7,"path":"oriel.wet"}]}})", s));
  EXPECT_TRUE(s.hasCcMap);
  ASSERT_EQ(s.ccMap.count, 1u);
  EXPECT_EQ(s.ccMap.bindings[0].param, 2u);
  StateChunk bare;
  ASSERT_TRUE(parse(R"({"ccMap":[]})", bare));
  EXPECT_TRUE(bare.hasCcMap);
  StateChunk none;
  ASSERT_TRUE(parse(R"({"ccMap":{}})", none));
  EXPECT_FALSE(none.hasCcMap);
}

TEST(StateDocument, NestingInsideAnUnknownMemberIsLimitedToThirtyTwoLevels) {
  auto deep = [](int levels) {
    return "{\"x\":" + std::string(levels, '[') + std::string(levels, ']') + "}";
  };
  StateChunk s;
  EXPECT_TRUE(parse(deep(32), s));
  EXPECT_FALSE(parse(deep(33), s));
}

TEST(StateDocument, WriterEmitsPlainValuesInTableOrderAndNullForNonFinite) {
  EXPECT_EQ(plainDocument(5, 0.1, 1), R"({"params":{"oriel.rate":5,"oriel.depth":0.1,"oriel.wet":1}})");
  EXPECT_EQ(plainDocument(HUGE_VAL, 0, -0.25),
            R"({"params":{"oriel.rate":null,"oriel.depth":0,"oriel.wet":-0.25}})");
}

TEST(StateDocument, WriterFillsEveryBlockInItsFixedOrder) {
  CcMap map;
  map.count = 1;
  map.bindings[0].param = 1;
  map.bindings[0].cc = 74;
  BankStateRefOut bank;
  bank.id = "pack";
  bank.source = "";
  bank.presetId = "p1";
  SamplerPadOverrides pads(1);
  pads[0].key = "k";
  pads[0].mask = kPadGain;
  pads[0].gain = 0.5;
  const std::uint8_t bytes[] = {1, 2, 3};
  AuthoredStateOut authored{bytes, 3, 4};
  EXPECT_EQ(writeStateJson(0.5, 0.25, 1, 7, &map, 0x53410005, 9, &bank, &pads, &authored),
            R"({"params":{"oriel.rate":0.5,"oriel.depth":0.25,"oriel.wet":1},"variation":7,)"
            R"("ccMap":{"version":1,"bindings":[{"cc":74,"path":"oriel.depth"}]},)"
            R"("samplerAssetFault":"unsupported-stereo-source",)"
            R"("samplerZoneAbi":"talvo-dual-stack-sampler/zone-layer/v1","samplerZoneVersion":1,)"
            R"("samplerZoneProgram":"legacy-single-zone","sampler":{"v":1,"pads":{"k":{"gain":0.5}}},)"
            R"("bank":{"version":1,"id":"pack","source":"embedded","presetId":"p1"},)"
            R"("authoredState":{"v":4,"bytes":"AQID"}})");
  EXPECT_EQ(writeStateJson(0, 0, 0, -1, nullptr, 0x1234, 0, &bank, nullptr, nullptr),
            R"({"params":{"oriel.rate":0,"oriel.depth":0,"oriel.wet":0},"samplerAssetFault":"none",)"
            R"("bank":{"version":1,"id":"pack","source":"embedded","presetId":"p1"}})");
}

TEST(StateDocument, SamplerBlockIsLeftOutWhenNoOverrideCanBeWritten) {
  SamplerPadOverrides pads(2);
  pads[0].mask = kPadGain;  // no key
  pads[1].key = "k";        // no bit
  EXPECT_EQ(writeStateJson(1, 0, 0, -1, nullptr, 0, 0, nullptr, &pads, nullptr),
            R"({"params":{"oriel.rate":1,"oriel.depth":0,"oriel.wet":0}})");
}

TEST(StateDocument, FullDocumentRoundTripsToTheSameValuesAndBytes) {
  CcMap map;
  map.count = 2;
  map.bindings[0] =
      CcBinding{0, 1, 16, kCcCurveLog, kCcValueToggle, kCcTakeoverScaled, false, true, true, 0.5, 10};
  map.bindings[1] =
      CcBinding{2, 127, 0, kCcCurveLinear, kCcValueAbsolute, kCcTakeoverJump, true, false, false, 0, 0};
  BankStateRefOut bank{"id", "1.2", std::string(64, 'f').c_str(), "hosted", "preset", "inst", "/a/b"};
  const std::string sha(64, 'f');
  bank.sha256 = sha.c_str();
  SamplerPadOverrides pads(1);
  pads[0].key = "pad";
  pads[0].mask = kPadTranspose | kPadResonance;
  pads[0].transpose = -12;
  pads[0].resonance = 0.1;
  const std::uint8_t bytes[] = {0, 255, 7, 9, 11};
  AuthoredStateOut authored{bytes, sizeof bytes, -3};
  const std::string first =
      writeStateJson(0.1 + 0.2, 1.0 / 3.0, 2e-300, 19, &map, 0x53410002, 3, &bank, &pads, &authored);
  StateChunk s;
  ASSERT_TRUE(parse(first, s));
  EXPECT_EQ(s.params[0], 0.1 + 0.2);
  EXPECT_EQ(s.params[1], 1.0 / 3.0);
  EXPECT_EQ(s.params[2], 2e-300);
  EXPECT_EQ(s.variation, 19);
  ASSERT_EQ(s.ccMap.count, 2u);
  EXPECT_EQ(std::memcmp(&s.ccMap.bindings[0].min, &map.bindings[0].min, sizeof(double)), 0);
  EXPECT_EQ(s.ccMap.bindings[0].channel, 16);
  EXPECT_EQ(s.ccMap.bindings[0].curve, kCcCurveLog);
  EXPECT_EQ(s.ccMap.bindings[0].valueMode, kCcValueToggle);
  EXPECT_EQ(s.ccMap.bindings[0].takeover, kCcTakeoverScaled);
  EXPECT_FALSE(s.ccMap.bindings[0].enabled);
  EXPECT_EQ(s.ccMap.bindings[0].max, 10.0);
  EXPECT_EQ(s.samplerAssetFault, kSamplerAssetCorruptInMemory);
  EXPECT_EQ(s.samplerZoneProgram, kZoneVelocityRoundRobin);
  ASSERT_EQ(s.padOverrides.size(), 1u);
  EXPECT_EQ(s.padOverrides[0].transpose, -12.0);
  EXPECT_STREQ(s.bankId, "id");
  EXPECT_STREQ(s.bankVersion, "1.2");
  EXPECT_EQ(std::string(s.bankSha256), sha);
  EXPECT_STREQ(s.bankSource, "hosted");
  EXPECT_STREQ(s.bankPresetId, "preset");
  EXPECT_STREQ(s.bankInstrument, "inst");
  EXPECT_STREQ(s.bankLocator, "/a/b");
  EXPECT_EQ(s.authoredVersion, -3);
  EXPECT_EQ(s.authoredBytes, std::vector<std::uint8_t>(bytes, bytes + sizeof bytes));

  const BankStateRefOut again{s.bankId,       s.bankVersion,    s.bankSha256, s.bankSource,
                              s.bankPresetId, s.bankInstrument, s.bankLocator};
  const AuthoredStateOut authoredAgain{s.authoredBytes.data(), s.authoredBytes.size(), s.authoredVersion};
  EXPECT_EQ(writeStateJson(s.params[0], s.params[1], s.params[2], s.variation, &s.ccMap, s.samplerAssetFault,
                           s.samplerZoneProgram, &again, &s.padOverrides, &authoredAgain),
            first);
}

TEST(StateDocument, EveryTruncationOfAFullDocumentIsRejectedWithinTheRange) {
  const std::string full =
      R"({"params":{"oriel.rate":5,"oriel.depth":0.1,"oriel.wet":true},"variation":3,)"
      R"("ccMap":{"version":1,"bindings":[{"cc":1,"path":"oriel.rate","curve":"exp","enabled":false}]},)"
      R"("samplerAssetFault":"missing-in-memory-asset","samplerZoneProgram":"one-shot-drum",)"
      R"("sampler":{"v":1,"pads":{"a\u0041":{"gain":2}}},"bank":{"version":1,"id":"x","source":"hosted"},)"
      R"("authoredState":{"v":1,"bytes":"AAEC"},"extra":[null,-1e-3,{"q":"\""}]})";
  StateChunk whole;
  ASSERT_TRUE(parse(full, whole));
  EXPECT_EQ(test::firstAcceptedPrefix(full,
                                      [](const char* text, std::size_t n) {
                                        StateChunk s;
                                        return parseStateJson(text, n, s);
                                      }),
            full.size());
}

}  // namespace
}  // namespace talvo
