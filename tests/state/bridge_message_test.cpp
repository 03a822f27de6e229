// Page messages: the members each type carries, what fails a message, and
// the embedded state, map and pad values.
#include <gtest/gtest.h>

#include <string>

#include "bridge/bridge_message.h"
#include "state/exact_text.h"

namespace talvo {
namespace {

bool parse(const std::string& text, BridgeMessage& out) {
  return parseBridgeMessage(text.data(), text.size(), out);
}

TEST(BridgeMessage, SetParamExampleReadsPathAndValue) {
  BridgeMessage m;
  ASSERT_TRUE(parse(R"({"type":"talvo.setParam","path":"oriel.depth","value":0.25})", m));
  EXPECT_EQ(m.type, "talvo.setParam");
  EXPECT_EQ(m.path, "oriel.depth");
  EXPECT_TRUE(m.hasValue);
  EXPECT_EQ(m.value, 0.25);
  EXPECT_EQ(m.diagnosticOp, DiagnosticOp::none);
  BridgeMessage noValue;
  ASSERT_TRUE(parse(R"({"type":"talvo.setParam","path":"oriel.wet"})", noValue));
  EXPECT_FALSE(noValue.hasValue);
}

TEST(BridgeMessage, EmptyObjectIsAMessageWithNoType) {
  for (const char* text : {"{}", " { \n } ", "\t{}\r\n"}) {
    BridgeMessage m;
    EXPECT_TRUE(parse(text, m)) << text;
    EXPECT_TRUE(m.type.empty());
  }
}

TEST(BridgeMessage, OnlyWhitespaceMayFollowTheObject) {
  BridgeMessage m;
  EXPECT_TRUE(parse(R"({"type":"talvo.ready"} )", m));
  EXPECT_FALSE(parse(R"({"type":"talvo.ready"}x)", m));
  EXPECT_FALSE(parse(R"({"type":"talvo.ready"}})", m));
}

TEST(BridgeMessage, WrongMemberTypesAndBrokenSyntaxFail) {
  for (const char* text :
       {R"({"type":5})", R"({"path":null})", R"({"value":"1"})", R"({"note":true})", R"({"hz":[]})",
        R"({"type":"a",})", R"({"type" "a"})", R"({"type":"a" "path":"b"})", R"({type:"a"})", R"([])", R"()",
        R"({"feeds":["host",1]})", R"({"feeds":["host")", R"({"stimulus":{"kind":3}})",
        R"({"state":{"variation":"x"}})", R"({"map":[{"cc":1,"path":5}]})", R"({"pads":{"a":{"gain":}}})"}) {
    BridgeMessage m;
    EXPECT_FALSE(parse(text, m)) << text;
  }
}

TEST(BridgeMessage, UnknownMembersAreSkippedWhateverTheyHold) {
  BridgeMessage m;
  ASSERT_TRUE(parse(R"({"x":{"a":[1,{"b":null},"s",-2e5,true]},"type":"talvo.getState","y":null})", m));
  EXPECT_EQ(m.type, "talvo.getState");
}

TEST(BridgeMessage, UnknownMemberNestedThirtyThreeLevelsFails) {
  auto deep = [](int levels) {
    return "{\"x\":" + std::string(levels, '[') + std::string(levels, ']') + "}";
  };
  BridgeMessage ok;
  EXPECT_TRUE(parse(deep(32), ok));
  BridgeMessage bad;
  EXPECT_FALSE(parse(deep(33), bad));
}

TEST(BridgeMessage, LaterDuplicateStringWins) {
  BridgeMessage m;
  ASSERT_TRUE(parse(R"({"id":"a","id":"b\u0041"})", m));
  EXPECT_EQ(m.id, "b?");
}

TEST(BridgeMessage, EmbeddedValuesOfOtherKindsAreSkipped) {
  BridgeMessage m;
  ASSERT_TRUE(
      parse(R"({"type":"talvo.setState","state":3,"map":"x","pads":[1],"feeds":"host","stimulus":7})", m));
  EXPECT_FALSE(m.hasState);
  EXPECT_FALSE(m.hasCcMap);
  EXPECT_FALSE(m.hasPads);
  EXPECT_EQ(m.feeds, 0u);
}

TEST(BridgeMessage, StateMapAndPadsAreReadByTheirDocumentReaders) {
  BridgeMessage m;
  ASSERT_TRUE(parse(R"({"type":"talvo.setState","state":{"params":{"oriel.wet":0.5},"variation":2},)"
                    R"("map":{"bindings":[{"cc":10,"path":"oriel.rate"}]},"pads":{"p":{"pan":-0.5}}})",
                    m));
  ASSERT_TRUE(m.hasState);
  EXPECT_TRUE(m.state.paramPresent[2]);
  EXPECT_EQ(m.state.params[2], 0.5);
  EXPECT_EQ(m.state.variation, 2);
  ASSERT_TRUE(m.hasCcMap);
  ASSERT_EQ(m.ccMap.count, 1u);
  EXPECT_EQ(m.ccMap.bindings[0].cc, 10);
  ASSERT_TRUE(m.hasPads);
  ASSERT_EQ(m.pads.size(), 1u);
  EXPECT_EQ(m.pads[0].pan, -0.5);
  BridgeMessage emptyMap;
  ASSERT_TRUE(parse(R"({"type":"talvo.setCcMap","map":{}})", emptyMap));
  EXPECT_FALSE(emptyMap.hasCcMap);
  BridgeMessage emptyList;
  ASSERT_TRUE(parse(R"({"type":"talvo.setCcMap","map":[]})", emptyList));
  EXPECT_TRUE(emptyList.hasCcMap);
}

TEST(BridgeMessage, RepeatedPadsMemberReplacesTheEarlierMap) {
  BridgeMessage m;
  ASSERT_TRUE(parse(R"({"pads":{"a":{"gain":2}},"pads":{"b":{"gain":3}}})", m));
  ASSERT_EQ(m.pads.size(), 1u);
  EXPECT_EQ(m.pads[0].key, "b");
}

TEST(BridgeMessage, FeedNamesAccumulateTheirBits) {
  BridgeMessage m;
  ASSERT_TRUE(parse(
      R"({"type":"talvo.diag.subscribe","feeds":["transport","lifecycle","Host","bogus"],"hz":30})", m));
  EXPECT_EQ(m.feeds, 66u);
  EXPECT_EQ(m.hz, 30.0);
  EXPECT_EQ(m.diagnosticOp, DiagnosticOp::subscribe);
  BridgeMessage all;
  ASSERT_TRUE(
      parse(R"({"feeds":["host","transport","midiIn","midiOut","meters","scope","lifecycle","counters",)"
            R"("params","presets","clock"]})",
            all));
  EXPECT_EQ(all.feeds, 2047u);
  BridgeMessage none;
  ASSERT_TRUE(parse(R"({"feeds":[]})", none));
  EXPECT_EQ(none.feeds, 0u);
}

TEST(BridgeMessage, StimulusReadsItsKindAndKeepsTheFactDefaults) {
  BridgeMessage m;
  ASSERT_TRUE(parse(R"({"type":"talvo.diag.stimulus","stimulus":{"hz":880,"kind":"tone","x":{"y":[]}}})", m));
  EXPECT_EQ(m.diagnosticOp, DiagnosticOp::stimulus);
  EXPECT_EQ(m.stimulusKind, "tone");
  EXPECT_EQ(m.stimulusFact.frequencyHz, 440.0);
  EXPECT_EQ(m.stimulusFact.timeSignatureNumerator, 4);
  EXPECT_EQ(m.stimulusFact.timeSignatureDenominator, 4);
  BridgeMessage unsub;
  ASSERT_TRUE(parse(R"({"type":"talvo.diag.unsubscribe","stimulus":{}})", unsub));
  EXPECT_EQ(unsub.diagnosticOp, DiagnosticOp::unsubscribe);
}

TEST(BridgeMessage, BankRequestMembersAreRead) {
  BridgeMessage m;
  ASSERT_TRUE(parse(R"({"type":"talvo.loadBank","source":"hosted","bankPath":"/p","instrument":"i",)"
                    R"("url":"https://x/b.zip","sha256":"ab","note":60,"velocity":0.5})",
                    m));
  EXPECT_EQ(m.source, "hosted");
  EXPECT_EQ(m.bankPath, "/p");
  EXPECT_EQ(m.instrument, "i");
  EXPECT_EQ(m.url, "https://x/b.zip");
  EXPECT_EQ(m.sha256, "ab");
  EXPECT_EQ(m.note, 60.0);
  EXPECT_EQ(m.velocity, 0.5);
}

TEST(BridgeMessage, EveryTruncationIsRejectedWithinTheRange) {
  const std::string full =
      R"({"type":"talvo.diag.subscribe","feeds":["host","clock"],"hz":15,"state":{"params":{"oriel.rate":2}},)"
      R"("map":[{"cc":3,"path":"oriel.wet"}],"pads":{"k":{"gain":1.5}},"stimulus":{"kind":"k"},"z":[{"a":null}]})";
  BridgeMessage whole;
  ASSERT_TRUE(parse(full, whole));
  EXPECT_EQ(test::firstAcceptedPrefix(full,
                                      [](const char* text, std::size_t n) {
                                        BridgeMessage m;
                                        return parseBridgeMessage(text, n, m);
                                      }),
            full.size());
}

}  // namespace
}  // namespace talvo
