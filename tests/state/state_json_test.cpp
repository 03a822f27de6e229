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

std::string nestedMember(int levels) {
  return "{\"x\":" + std::string(levels, '[') + std::string(levels, ']') + "}";
}

// The rows of tests/data/state/params.txt.
TEST(StateDocument, ParametersAndVariationReadAsGivenAndOtherKindsOrNonFiniteCountAsAbsent) {
  for (const test::CaseRow& row : test::readCaseTable("state/params.txt")) {
    const StateChunk s = parsed(row.at(0));
    std::istringstream values(row.at(1));
    std::string value;
    for (int i = 0; i < 3 && values >> value; ++i) {
      EXPECT_EQ(s.paramPresent[i], value != "-") << row[0] << " #" << i;
      EXPECT_TRUE(value == "-" || s.params[i] == std::stod(value)) << row[0] << " #" << i;
    }
    EXPECT_EQ(s.variation, std::stol(row.at(2))) << row[0];
    EXPECT_FALSE(s.hasCcMap || s.hasBank || s.hasPadOverrides || s.hasAuthoredState) << row[0];
  }
}

// And the rows of tests/data/state/documents.txt.
TEST(StateDocument, BrokenSyntaxAndWrongMemberTypesRejectTheDocument) {
  for (const std::string& text : Texts{" \t{ } \r\n", nestedMember(32)})
    EXPECT_TRUE(accepts(text)) << text;
  EXPECT_FALSE(accepts(nestedMember(33)));
  test::expectDocumentCases<StateChunk>("state/documents.txt", parseStateJson);
}

TEST(StateDocument, SamplerNamesAndBlockCountOnlyWhenRecognised) {
  const StateChunk s =
      parsed(R"({"samplerAssetFault":"unsupported-stereo-source",)"
             R"("samplerZoneProgram":"voice-limit-steal","sampler":{"pads":{"a":{"gain":2}},"v":1}})");
  EXPECT_EQ(
      std::tie(s.hasSamplerAssetFault, s.samplerAssetFault, s.hasSamplerZoneProgram, s.samplerZoneProgram),
      std::make_tuple(true, kSamplerAssetUnsupportedStereoSource, true, kZoneVoiceLimitSteal));
  ASSERT_TRUE(s.hasPadOverrides);
  ASSERT_EQ(s.padOverrides.size(), 1u);
  EXPECT_EQ(s.padOverrides[0].gain, 2.0);
  const StateChunk u = parsed(R"({"samplerAssetFault":"none","samplerZoneProgram":"Voice-Limit-Steal",)"
                              R"("sampler":{"v":2,"pads":{"a":{"gain":2}}}})");
  EXPECT_FALSE(u.hasSamplerAssetFault || u.hasSamplerZoneProgram || u.hasPadOverrides);
  EXPECT_FALSE(parsed(R"({"sampler":{"v":1,"pads":[]}})").hasPadOverrides);
}

TEST(StateDocument, BankCountsOnlyWithAnIdentifierWithinItsLimit) {
  static const char kNulId[] = "{\"bank\":{\"id\":\"\0abc\"}}";
  for (const std::string& text :
       Texts{R"({"bank":{"id":")" + std::string(128, 'i') + R"(","source":"hosted"}})",
             R"({"bank":{"id":"","source":"hosted"}})", std::string(kNulId, sizeof kNulId - 1)}) {
    EXPECT_FALSE(parsed(text).hasBank) << text;
  }
  const std::string id127(127, 'i');
  const StateChunk fits =
      parsed(R"({"bank":{"id":")" + id127 + R"(","source":"carrier-pigeon","locator":"","presetId":""}})");
  EXPECT_EQ(std::tie(fits.hasBank, fits.hasBankLocator, fits.hasBankPresetId),
            std::make_tuple(true, false, false));
  EXPECT_EQ(std::string(fits.bankId) + "|" + fits.bankSource, id127 + "|");
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

TEST(StateDocument, AuthoredBytesCountOnlyWhenTheyDecodeWithinTheLimit) {
  const StateChunk s = parsed(R"({"authoredState":{"v":-2.9,"bytes":"AAEC/w=="}})");
  EXPECT_EQ(std::tie(s.hasAuthoredState, s.authoredVersion, s.authoredBytes),
            std::make_tuple(true, -2, std::vector<std::uint8_t>{0, 1, 2, 255}));
  for (const std::string& bytes : Texts{"AAE", "", std::string(1048576 / 3 * 4 + 8, 'A')})
    EXPECT_FALSE(parsed(R"({"authoredState":{"v":1,"bytes":")" + bytes + R"("}})").hasAuthoredState);
}

TEST(StateDocument, CcMapIsReadFromEitherFormAndAnEmptyObjectIsNoMap) {
  const StateChunk s = parsed(R"({"ccMap":{"version":1,"bindings":[{"cc":7,"path":"oriel.wet"}]}})");
  EXPECT_TRUE(s.hasCcMap);
  ASSERT_EQ(s.ccMap.count, 1u);
  EXPECT_EQ(s.ccMap.bindings[0].param, 2u);
  EXPECT_TRUE(parsed(R"({"ccMap":[]})").hasCcMap);
  EXPECT_FALSE(parsed(R"({"ccMap":{}})").hasCcMap);
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
