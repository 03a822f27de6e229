// Page messages: the members each type carries, what fails a message, and
// the embedded state, map and pad values.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
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

// The fields of `m` that differ from a fresh record, as "name=value" words.
std::string describe(const BridgeMessage& m) {
  static const char* const kOps[] = {"none", "subscribe", "unsubscribe", "stimulus"};
  std::ostringstream out;
  const std::pair<const char*, const std::string*> texts[] = {{"type", &m.type},
                                                              {"path", &m.path},
                                                              {"id", &m.id},
                                                              {"source", &m.source},
                                                              {"bankPath", &m.bankPath},
                                                              {"url", &m.url},
                                                              {"sha256", &m.sha256},
                                                              {"instrument", &m.instrument},
                                                              {"stimulus", &m.stimulusKind}};
  for (const auto& [name, text] : texts) {
    if (!text->empty()) out << ' ' << name << '=' << *text;
  }
  const std::pair<const char*, double> numbers[] = {
      {"note", m.note}, {"velocity", m.velocity}, {"hz", m.hz}, {"value", m.hasValue ? m.value : 0.0}};
  for (const auto& [name, number] : numbers) {
    if (number != 0.0) out << ' ' << name << '=' << number;
  }
  if (m.feeds != 0) out << " feeds=" << m.feeds;
  if (m.diagnosticOp != DiagnosticOp::none) out << " op=" << kOps[static_cast<int>(m.diagnosticOp)];
  if (m.hasState) out << " state.wet=" << m.state.params[2] << " state.variation=" << m.state.variation;
  std::string map, pads;
  if (m.hasCcMap) writeCcMapJson(map, m.ccMap);
  if (m.hasPads) writeSamplerPadOverridesJson(pads, m.pads);
  out << (m.hasCcMap ? " map=" + map : "") << (m.hasPads ? " pads=" + pads : "");
  const DiagnosticStimulusFact& fact = m.stimulusFact;
  if (fact.frequencyHz != 440.0 || fact.tempoBpm != 120.0 || fact.timeSignatureNumerator != 4 ||
      fact.timeSignatureDenominator != 4) {
    out << " fact=changed";
  }
  return out.str().empty() ? "" : out.str().substr(1);
}

// The rows of tests/data/messages/fields.txt.
TEST(BridgeMessage, EachTypeReadsItsMembersAndSkipsUnknownOnes) {
  for (const test::CaseRow& row : test::readCaseTable("messages/fields.txt"))
    EXPECT_EQ(describe(parsed(row.at(0))), row.at(1)) << row[0];
  for (const std::string& text : Texts{" { \n } ", "\t{}\r\n", test::nestedMember(32)})
    EXPECT_EQ(describe(parsed(text)), "") << text;
}

// The rows of tests/data/messages/documents.txt.
TEST(BridgeMessage, WrongMemberTypesBrokenSyntaxAndTrailingTextFail) {
  BridgeMessage m;
  const std::string deep = test::nestedMember(33);
  EXPECT_FALSE(parseBridgeMessage(deep.data(), deep.size(), m));
  test::expectDocumentCases<BridgeMessage>("messages/documents.txt", parseBridgeMessage);
}

}  // namespace
}  // namespace talvo
