#include "bridge/json_write.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using talvo::jsonAppendNumber;
using talvo::jsonAppendQuoted;

namespace {
std::string number(double v) {
  std::string s;
  jsonAppendNumber(s, v);
  return s;
}
std::string quoted(const char* t) {
  std::string s;
  jsonAppendQuoted(s, t);
  return s;
}
}  // namespace

TEST(JsonNumber, ShortestRoundTripForm) {
  EXPECT_EQ(number(0.1), "0.1");
  EXPECT_EQ(number(20.0), "20");
  EXPECT_EQ(number(48000), "48000");
  EXPECT_EQ(number(-0.5), "-0.5");
  EXPECT_EQ(number(1e21), "1e+21");
  EXPECT_EQ(number(0.2462311557788945), "0.2462311557788945");
}

TEST(JsonNumber, NonFiniteValuesAreNull) {
  EXPECT_EQ(number(std::numeric_limits<double>::infinity()), "null");
  EXPECT_EQ(number(-std::numeric_limits<double>::infinity()), "null");
  EXPECT_EQ(number(std::nan("")), "null");
}

TEST(JsonNumber, AppendsWithoutTouchingWhatIsThere) {
  std::string s = "{\"a\":";
  jsonAppendNumber(s, 2.5);
  EXPECT_EQ(s, "{\"a\":2.5");
}

TEST(JsonQuoted, EscapesQuoteBackslashAndControlBytes) {
  EXPECT_EQ(quoted("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(quoted("line\nnext\ttab\r\b\f"), "\"line\\nnext\\ttab\\r\\b\\f\"");
  EXPECT_EQ(quoted("\x01\x1f"), "\"\\u0001\\u001f\"");
  EXPECT_EQ(quoted("\x7f"), "\"\x7f\"");
}

TEST(JsonQuoted, CopiesUtf8AndHandlesEmptyText) {
  EXPECT_EQ(quoted("caf\xc3\xa9 \xe2\x86\x92"), "\"caf\xc3\xa9 \xe2\x86\x92\"");
  EXPECT_EQ(quoted(""), "\"\"");
  EXPECT_EQ(quoted(nullptr), "\"\"");
}
