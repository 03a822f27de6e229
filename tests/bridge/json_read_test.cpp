// The shared reader primitives: strings, numbers and skipping, always within
// the byte range they are given.
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <string>

#include "bridge/exact_text.h"
#include "bridge/json_read.h"

namespace talvo {
namespace {

// Runs `read` on an exact copy of `text`; returns what is left after it.
template <typename Read>
std::string restAfter(const std::string& text, bool expected, Read read) {
  const test::ExactText exact(text);
  JsonReader r{exact.data(), exact.data() + exact.size};
  EXPECT_EQ(read(r), expected) << text;
  return std::string(r.pos, r.end);
}

TEST(JsonString, EscapesDecodeUnicodeEscapesBecomeOneQuestionMarkAndOtherBytesStand) {
  const std::pair<std::string, std::string> cases[] = {
      {R"( "a\u00e9b\"\\\/\b\f\n\r\tz" )", "a?b\"\\/\b\f\n\r\tz"}, {"\"\x01\xc3\xa9\\q\"", "\x01\xc3\xa9q"}};
  for (const auto& [text, decoded] : cases) {
    std::string out;
    EXPECT_EQ(restAfter(text, true, [&](JsonReader& r) { return parseString(r, &out); }),
              text.substr(text.rfind('"') + 1));
    EXPECT_EQ(out, decoded);
  }
  for (const char* text : {"\"abc", "\"ab\\\"", "\"\\", "\"\\u12", "\"\\u\"", "abc\""})
    restAfter(text, false, [](JsonReader& r) { return parseString(r, nullptr); });
}

TEST(JsonNumber, AcceptsTheCLibraryFormsAndStopsAfterThem) {
  const std::string tiny = "0." + std::string(200, '0') + "1";
  const struct {
    std::string text;
    double value;
    std::size_t consumed;
  } cases[] = {
      {"-0.5", -0.5, 4},   {"1e3", 1000.0, 3},     {"+2", 2.0, 2},         {".5", 0.5, 2},
      {"5.", 5.0, 2},      {"1e", 1.0, 1},         {"1e+", 1.0, 1},        {"0x10", 16.0, 4},
      {"0x", 0.0, 1},      {"0x1p4", 16.0, 5},     {"1.5.2", 1.5, 3},      {"2E-2,", 0.02, 4},
      {"12", 12.0, 2},     {"-inf", -HUGE_VAL, 4}, {"1e400", HUGE_VAL, 5}, {"INFINITY", HUGE_VAL, 8},
      {tiny, 1e-201, 203}, {"-.5e1x", -5.0, 5},    {"-0x1p-2", -0.25, 7},  {"0x1P99999", HUGE_VAL, 9},
      {"-1e-999", -0.0, 7}};
  for (const auto& c : cases) {
    double value = 0.0;
    EXPECT_EQ(restAfter(c.text, true, [&](JsonReader& r) { return parseNumber(r, &value); }),
              c.text.substr(c.consumed));
    EXPECT_EQ(value, c.value) << c.text;
  }
  double value = 0.0;
  EXPECT_EQ(restAfter("nan(abc)", true, [&](JsonReader& r) { return parseNumber(r, &value); }), "");
  EXPECT_TRUE(std::isnan(value));
}

TEST(JsonNumber, NothingReadableFailsWithoutConsuming) {
  for (const std::string body :
       {"x", "-", "+", ".", "-.e1", "+-5", "--5", "- 5", "", "   ", "\"1\"", "[1]"}) {
    double value = 7.0;
    EXPECT_EQ(restAfter(body, false, [&](JsonReader& r) { return parseNumber(r, &value); }),
              body.substr(std::min(body.find_first_not_of(' '), body.size())));
    EXPECT_EQ(value, 7.0) << body;
  }
}

TEST(JsonNumber, ReadingIgnoresTheProcessLocale) {
  const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  ASSERT_TRUE(std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
      << "scripts/setup.sh makes this comma-decimal locale";
  double value = 0.0;
  const std::string rest = restAfter("0.5", true, [&](JsonReader& r) { return parseNumber(r, &value); });
  std::setlocale(LC_NUMERIC, saved.c_str());
  EXPECT_EQ(value, 0.5);
  EXPECT_EQ(rest, "");
}

TEST(JsonSkip, WholeValuesUpToThirtyTwoLevelsAreSkippedAndBrokenOrTruncatedOnesFail) {
  const auto skip = [](JsonReader& r) { return skipValue(r, 1); };
  EXPECT_EQ(restAfter(R"({"a":[1,{"b":null}],"c":"x"} tail)", true, skip), " tail");
  EXPECT_EQ(restAfter("falsey", true, skip), "y");  // the caller rejects what follows
  for (const test::CaseRow& row : test::readCaseTable("bridge/skip.txt"))
    restAfter(row.at(1), row[0] == "skipped", skip);
  for (const std::string& ok : {test::nested(32), test::nestedMember(31)})
    restAfter(ok, true, skip);
  restAfter(test::nested(33), false, skip);
  const std::string full = R"({"a":[1,-2.5e3,{"b":null,"t":true}],"c":"x\"y\u0041","d":false})";
  for (std::size_t n = 0; n < full.size(); ++n)
    restAfter(full.substr(0, n), false, skip);  // every truncation
}

}  // namespace
}  // namespace talvo
