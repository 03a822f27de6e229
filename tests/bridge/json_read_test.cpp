// The shared reader primitives: strings, numbers and skipping, always within
// the byte range they are given.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include "bridge/json_read.h"

namespace talvo {
namespace {

// A heap copy of exactly the text's bytes, so a read past the end is caught
// by the address sanitizer.
struct ExactText {
  explicit ExactText(const std::string& text)
      : bytes(new char[text.size() ? text.size() : 1]), size(text.size()) {
    if (size) text.copy(bytes.get(), size);
  }
  JsonReader reader() const { return JsonReader{bytes.get(), bytes.get() + size}; }
  std::unique_ptr<char[]> bytes;
  std::size_t size;
};

std::string nested(int levels) {
  return std::string(levels, '[') + std::string(levels, ']');
}

TEST(JsonString, EscapesDecodeAndUnicodeEscapesBecomeOneQuestionMark) {
  ExactText text(R"( "a\u00e9b\"\\\/\b\f\n\r\tz" )");
  JsonReader r = text.reader();
  std::string out;
  ASSERT_TRUE(parseString(r, &out));
  EXPECT_EQ(out, std::string("a?b\"\\/\b\f\n\r\tz"));
  EXPECT_EQ(*r.pos, ' ');
}

TEST(JsonString, RawBytesAndUnknownEscapesAreCopiedAsTheyStand) {
  ExactText text(std::string("\"\x01\xc3\xa9\\q\""));
  JsonReader r = text.reader();
  std::string out;
  ASSERT_TRUE(parseString(r, &out));
  EXPECT_EQ(out, std::string("\x01\xc3\xa9q"));
}

TEST(JsonString, MissingClosingQuoteFailsAtEveryLength) {
  for (const std::string body : {"\"abc", "\"ab\\\"", "\"\\", "\"\\u12", "\"\\u\""}) {
    ExactText text(body);
    JsonReader r = text.reader();
    EXPECT_FALSE(parseString(r, nullptr)) << body;
  }
  ExactText notString("abc\"");
  JsonReader r = notString.reader();
  EXPECT_FALSE(parseString(r, nullptr));
}

TEST(JsonNumber, AcceptsTheCLibraryForms) {
  const struct {
    const char* text;
    double value;
    std::size_t consumed;
  } cases[] = {
      {"-0.5", -0.5, 4}, {"1e3", 1000.0, 3},     {"+2", 2.0, 2},         {".5", 0.5, 2},
      {"5.", 5.0, 2},    {"1e", 1.0, 1},         {"1e+", 1.0, 1},        {"0x10", 16.0, 4},
      {"0x", 0.0, 1},    {"0x1p4", 16.0, 5},     {"1.5.2", 1.5, 3},      {"2E-2,", 0.02, 4},
      {"12", 12.0, 2},   {"1e400", HUGE_VAL, 5}, {"-inf", -HUGE_VAL, 4}, {"INFINITY", HUGE_VAL, 8},
  };
  for (const auto& c : cases) {
    ExactText text(c.text);
    JsonReader r = text.reader();
    double value = 0.0;
    ASSERT_TRUE(parseNumber(r, &value)) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
    EXPECT_EQ(static_cast<std::size_t>(r.pos - text.bytes.get()), c.consumed) << c.text;
  }
  ExactText nan("nan(abc)");
  JsonReader r = nan.reader();
  double value = 0.0;
  ASSERT_TRUE(parseNumber(r, &value));
  EXPECT_TRUE(std::isnan(value));
  EXPECT_EQ(r.pos, r.end);
}

TEST(JsonNumber, NothingReadableFailsWithoutConsuming) {
  for (const char* body : {"x", "-", "+", ".", "-.e1", "", "   ", "\"1\"", "[1]"}) {
    ExactText text(body);
    JsonReader r = text.reader();
    double value = 7.0;
    EXPECT_FALSE(parseNumber(r, &value)) << body;
    EXPECT_EQ(value, 7.0) << body;
  }
}

TEST(JsonNumber, LongDigitRunsReadExactly) {
  const std::string digits = "0." + std::string(200, '0') + "1";
  ExactText text(digits);
  JsonReader r = text.reader();
  double value = 0.0;
  ASSERT_TRUE(parseNumber(r, &value));
  EXPECT_EQ(value, 1e-201);
  EXPECT_EQ(r.pos, r.end);
}

// Switches LC_NUMERIC to a locale whose decimal separator is a comma; when
// none is installed, one is compiled into the build tree.
bool switchToCommaLocale() {
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"}) {
    if (std::setlocale(LC_NUMERIC, name)) return true;
  }
  const std::string dir = std::string(TALVO_BINARY_DIR) + "/test-locales";
  const std::string command = "localedef -i de_DE -f UTF-8 " + dir + "/de_DE.UTF-8 >/dev/null 2>&1";
  if (std::system(("mkdir -p " + dir).c_str()) != 0 || std::system(command.c_str()) != 0) return false;
  setenv("LOCPATH", dir.c_str(), 1);
  return std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
}

TEST(JsonNumber, ReadingIgnoresTheProcessLocale) {
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous ? previous : "C";
  if (!switchToCommaLocale()) GTEST_SKIP() << "no comma-separator locale available";
  ASSERT_EQ(std::localeconv()->decimal_point[0], ',');
  ExactText text("0.5");
  JsonReader r = text.reader();
  double value = 0.0;
  const bool ok = parseNumber(r, &value);
  std::setlocale(LC_NUMERIC, saved.c_str());
  ASSERT_TRUE(ok);
  EXPECT_EQ(value, 0.5);
  EXPECT_EQ(r.pos, r.end);
}

TEST(JsonSkip, SkipsCompositeValuesAndStopsAfterThem) {
  ExactText text(R"({"a":[1,{"b":null}],"c":"x"} tail)");
  JsonReader r = text.reader();
  ASSERT_TRUE(skipValue(r, 1));
  EXPECT_EQ(std::string(r.pos, r.end), " tail");
  for (const char* ok :
       {"true", "false", "null", "[]", "{}", " [ 1 , \"]\" ] ", "-1e-3", "nan", "{\"k\" : { } }"}) {
    ExactText t(ok);
    JsonReader rr = t.reader();
    EXPECT_TRUE(skipValue(rr, 1)) << ok;
  }
}

TEST(JsonSkip, BrokenValuesFail) {
  for (const char* bad : {"{\"a\":1,}", "[1,]", "[1 2]", "{\"a\" 1}", "{1:2}", "{\"a\":}", "[", "{", "tru",
                          "nul", "\"x", "}", "]", ",", "", "{\"a\":1", "[,1]", "falsey"}) {
    ExactText t(bad);
    JsonReader r = t.reader();
    const bool ok = skipValue(r, 1);
    // "falsey" reads "false" and leaves "y" for the caller, which then fails.
    if (std::string(bad) == "falsey") {
      EXPECT_TRUE(ok && r.pos != r.end);
    } else {
      EXPECT_FALSE(ok) << bad;
    }
  }
}

TEST(JsonSkip, ThirtyTwoLevelsPassAndThirtyThreeFail) {
  ExactText deep32(nested(32));
  JsonReader r32 = deep32.reader();
  EXPECT_TRUE(skipValue(r32, 1));
  ExactText deep33(nested(33));
  JsonReader r33 = deep33.reader();
  EXPECT_FALSE(skipValue(r33, 1));
  ExactText objects("{\"a\":" + std::string(31, '[') + std::string(31, ']') + "}");
  JsonReader ro = objects.reader();
  EXPECT_TRUE(skipValue(ro, 1));
}

TEST(JsonSkip, EveryTruncationOfAValueFailsInsideTheRange) {
  const std::string full = R"({"a":[1,-2.5e3,{"b":null,"t":true}],"c":"x\"y\u0041","d":false})";
  for (std::size_t n = 0; n < full.size(); ++n) {
    ExactText t(full.substr(0, n));
    JsonReader r = t.reader();
    EXPECT_FALSE(skipValue(r, 1)) << n;
  }
}

}  // namespace
}  // namespace talvo
