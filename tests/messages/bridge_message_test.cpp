// Page messages: the members each type carries, what fails a message, and
// the embedded state, map and pad values.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "bridge/exact_text.h"
#include "messages/bridge_message.h"

namespace talvo {
namespace {

using Texts = std::vector<std::string>;

BridgeMessage parsed(const std::string& text) {
  BridgeMessage m;
  EXPECT_TRUE(parseBridgeMessage(text.data(), text.size(), m)) << text;
  return m;
}

std::string nestedMember(int levels) {
  return "{\"x\":" + std::string(levels, '[') + std::string(levels, ']') + "}";
}

TEST(BridgeMessage, SetParamAndBankRequestMembersAreRead) {
  const BridgeMessage m = parsed(R"({"type":"talvo.setParam","path":"oriel.depth","value":0.25})");
  EXPECT_EQ(std::tie(m.type, m.path, m.hasValue, m.value, m.diagnosticOp),
            std::make_tuple("talvo.setParam", "oriel.depth", true, 0.25, DiagnosticOp::none));
  EXPECT_FALSE(parsed(R"({"type":"talvo.setParam","path":"oriel.wet"})").hasValue);
  const BridgeMessage bank =
      parsed(R"({"type":"talvo.loadBank","source":"hosted","bankPath":"/p","instrument":"i",)"
             R"("url":"https://x/b.zip","sha256":"ab","note":60,"velocity":0.5})");
  EXPECT_EQ(
      std::tie(bank.source, bank.bankPath, bank.instrument, bank.url, bank.sha256, bank.note, bank.velocity),
      std::make_tuple("hosted", "/p", "i", "https://x/b.zip", "ab", 60.0, 0.5));
}

TEST(BridgeMessage, UnknownMembersAreSkippedAndLaterDuplicateStringsWin) {
  for (const std::string& text : Texts{"{}", " { \n } ", "\t{}\r\n", nestedMember(32)})
    EXPECT_TRUE(parsed(text).type.empty()) << text;
  const BridgeMessage m =
      parsed(R"({"x":{"a":[1,{"b":null},"s",-2e5,true]},"type":"talvo.getState","y":null,"id":"a",)"
             R"("id":"b\u0041"} )");
  EXPECT_EQ(m.type, "talvo.getState");
  EXPECT_EQ(m.id, "b?");
}

// The rows of tests/data/messages/documents.txt.
TEST(BridgeMessage, WrongMemberTypesBrokenSyntaxAndTrailingTextFail) {
  BridgeMessage m;
  const std::string deep = nestedMember(33);
  EXPECT_FALSE(parseBridgeMessage(deep.data(), deep.size(), m));
  test::expectDocumentCases<BridgeMessage>("messages/documents.txt", parseBridgeMessage);
}

TEST(BridgeMessage, StateMapAndPadsAreReadByTheirDocumentReadersAndOtherKindsSkipped) {
  const BridgeMessage m = parsed(
      R"({"type":"talvo.setState","state":{"params":{"oriel.wet":0.5},"variation":2},)"
      R"("map":{"bindings":[{"cc":10,"path":"oriel.rate"}]},"pads":{"a":{"gain":2}},"pads":{"p":{"pan":-0.5}}})");
  ASSERT_TRUE(m.hasState && m.hasCcMap && m.hasPads);
  EXPECT_EQ(std::tie(m.state.paramPresent[2], m.state.params[2], m.state.variation),
            std::make_tuple(true, 0.5, 2));
  ASSERT_EQ(m.ccMap.count, 1u);
  EXPECT_EQ(m.ccMap.bindings[0].cc, 10);
  ASSERT_EQ(m.pads.size(), 1u);  // a repeated member replaces the earlier map
  EXPECT_EQ(std::tie(m.pads[0].key, m.pads[0].pan), std::make_tuple("p", -0.5));
  EXPECT_FALSE(parsed(R"({"type":"talvo.setCcMap","map":{}})").hasCcMap);
  EXPECT_TRUE(parsed(R"({"type":"talvo.setCcMap","map":[]})").hasCcMap);
  const BridgeMessage other =
      parsed(R"({"type":"talvo.setState","state":3,"map":"x","pads":[1],"feeds":"host","stimulus":7})");
  EXPECT_FALSE(other.hasState || other.hasCcMap || other.hasPads);
  EXPECT_EQ(other.feeds, 0u);
}

TEST(BridgeMessage, FeedNamesAccumulateTheirBits) {
  const BridgeMessage m =
      parsed(R"({"type":"talvo.diag.subscribe","feeds":["transport","lifecycle","Host","bogus"],"hz":30})");
  EXPECT_EQ(std::tie(m.feeds, m.hz, m.diagnosticOp), std::make_tuple(66u, 30.0, DiagnosticOp::subscribe));
  EXPECT_EQ(parsed(R"({"feeds":["host","transport","midiIn","midiOut","meters","scope","lifecycle",)"
                   R"("counters","params","presets","clock"]})")
                .feeds,
            2047u);
  EXPECT_EQ(parsed(R"({"feeds":[]})").feeds, 0u);
}

TEST(BridgeMessage, StimulusReadsItsKindAndKeepsTheFactDefaults) {
  const BridgeMessage m =
      parsed(R"({"type":"talvo.diag.stimulus","stimulus":{"hz":880,"kind":"tone","x":{"y":[]}}})");
  EXPECT_EQ(std::tie(m.diagnosticOp, m.stimulusKind), std::make_tuple(DiagnosticOp::stimulus, "tone"));
  const auto& fact = m.stimulusFact;
  EXPECT_EQ(std::tie(fact.frequencyHz, fact.timeSignatureNumerator, fact.timeSignatureDenominator),
            std::make_tuple(440.0, 4, 4));
  EXPECT_EQ(parsed(R"({"type":"talvo.diag.unsubscribe","stimulus":{}})").diagnosticOp,
            DiagnosticOp::unsubscribe);
}

}  // namespace
}  // namespace talvo
