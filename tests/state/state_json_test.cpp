// The component state document: what it reads, what it rejects, and the
// exact bytes it writes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "bridge/exact_text.h"
#include "bridge/golden.h"
#include "state/state_chunk.h"

namespace talvo {
namespace {

using Texts = std::vector<std::string>;

bool accepts(const std::string& text) {
  StateChunk s;
  return parseStateJson(text.data(), text.size(), s);
}

StateChunk parsed(const std::string& text) {
  StateChunk s;
  EXPECT_TRUE(parseStateJson(text.data(), text.size(), s)) << text;
  return s;
}

// The fields of `s` that differ from a fresh record, as "name=value" words.
std::string describe(const StateChunk& s) {
  static const char* const kParams[] = {"rate", "depth", "wet"};
  std::ostringstream out;
  for (int i = 0; i < 3; ++i) {
    if (s.paramPresent[i]) out << ' ' << kParams[i] << '=' << s.params[i];
  }
  if (s.variation != -1) out << " variation=" << s.variation;
  if (s.hasSamplerAssetFault) out << " assetFault=0x" << std::hex << s.samplerAssetFault << std::dec;
  if (s.hasSamplerZoneProgram) out << " zoneProgram=" << s.samplerZoneProgram;
  std::string map, pads;
  if (s.hasCcMap) writeCcMapJson(map, s.ccMap);
  if (s.hasPadOverrides) writeSamplerPadOverridesJson(pads, s.padOverrides);
  out << (s.hasCcMap ? " map=" + map : "") << (s.hasPadOverrides ? " pads=" + pads : "");
  if (s.hasBank) {
    out << " bank=" << s.bankId << '|' << s.bankSource << (s.hasBankLocator ? "|locator" : "")
        << (s.hasBankPresetId ? "|preset" : "");
  }
  if (s.hasAuthoredState) out << " authored=" << s.authoredVersion << ':';
  for (std::uint8_t byte : s.authoredBytes)
    out << int{byte} << ',';
  return out.str().empty() ? "" : out.str().substr(1);
}

// The rows of tests/data/state/fields.txt.
TEST(StateDocument, MembersReadAsGivenAndOtherKindsOrValuesOutsideTheirLimitsCountAsAbsent) {
  for (const test::CaseRow& row : test::readCaseTable("state/fields.txt"))
    EXPECT_EQ(describe(parsed(row.at(0))), row.at(1)) << row[0];
  static const char kNulId[] = "{\"bank\":{\"id\":\"\0abc\"}}";
  EXPECT_FALSE(parsed(std::string(kNulId, sizeof kNulId - 1)).hasBank);
  const std::string tooLong(1048576 / 3 * 4 + 8, 'A');
  EXPECT_FALSE(parsed(R"({"authoredState":{"v":1,"bytes":")" + tooLong + R"("}})").hasAuthoredState);
}

// And the rows of tests/data/state/documents.txt.
TEST(StateDocument, BrokenSyntaxAndWrongMemberTypesRejectTheDocument) {
  for (const std::string& text : Texts{" \t{ } \r\n", test::nestedMember(32)})
    EXPECT_TRUE(accepts(text)) << text;
  EXPECT_FALSE(accepts(test::nestedMember(33)));
  test::expectDocumentCases<StateChunk>("state/documents.txt", parseStateJson);
}

TEST(StateDocument, BankStringsOverTheirLimitsReadAsEmpty) {
  for (std::size_t over : {0u, 1u}) {
    const StateChunk s = parsed(
        R"({"bank":{"version":"any","id":"b","bankVersion":")" + std::string(31 + over, 'v') +
        R"(","sha256":")" + std::string(64 + over, 'a') + R"(","locator":")" + std::string(1023 + over, 'l') +
        R"(","source":"user-folder","instrument":")" + std::string(63 + over, 'n') + R"(","presetId":")" +
        std::string(63 + over, 'p') + R"(","id":7}})");
    EXPECT_EQ(std::tie(s.hasBank, s.hasBankLocator, s.hasBankPresetId), std::make_tuple(true, !over, !over));
    EXPECT_EQ(std::string(s.bankId) + "|" + s.bankSource, "b|user-folder");
    using Lengths = std::vector<std::size_t>;
    const Lengths lengths{std::strlen(s.bankVersion), std::strlen(s.bankSha256), std::strlen(s.bankLocator),
                          std::strlen(s.bankInstrument), std::strlen(s.bankPresetId)};
    EXPECT_EQ(lengths, (over ? Lengths(5, 0) : Lengths{31, 64, 1023, 63, 63}));
  }
}

// The fuzz corpus checks that what the writer makes reads back to the same values.
TEST(StateDocument, WriterEmitsEveryBlockInItsFixedOrderAndLeavesOutWhatCannotBeWritten) {
  EXPECT_EQ(writeStateJson(HUGE_VAL, 0, -0.25, 0, nullptr, 0, 0, nullptr, nullptr, nullptr),
            R"({"params":{"oriel.rate":null,"oriel.depth":0,"oriel.wet":-0.25},"variation":0})");
  const CcMap map{.count = 1, .bindings = {{.param = 1, .cc = 74}}};
  const std::string sha(64, 'f');
  const BankStateRefOut bank{"pack", "1.2", sha.c_str(), "", "p1", "inst", "/a/b"};
  const SamplerPadOverrides pads{{.key = "k", .mask = kPadGain, .gain = 0.5}};
  const std::uint8_t bytes[] = {1, 2, 3};
  const AuthoredStateOut authored{bytes, 3, -4};
  test::expectGolden("state/every_block.json",
                     writeStateJson(0.5, 0.25, 1, 7, &map, 0x53410005, 9, &bank, &pads, &authored));
  const BankStateRefOut idOnly{.id = "pack"};
  const SamplerPadOverrides unwritable{{.key = "", .mask = kPadGain}, {.key = "k"}};  // no key, no bit
  EXPECT_EQ(writeStateJson(0, 0, 0, -1, nullptr, 0x1234, 0, &idOnly, &unwritable, nullptr),
            R"({"params":{"oriel.rate":0,"oriel.depth":0,"oriel.wet":0},"samplerAssetFault":"none",)"
            R"("bank":{"version":1,"id":"pack","source":"embedded"}})");
}

}  // namespace
}  // namespace talvo
