#include "bridge/json_write.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace talvo {
namespace {

TEST(JsonNumber, AppendsTheShortestRoundTripFormAndNullForNonFinite) {
  const double inf = std::numeric_limits<double>::infinity();
  const std::pair<double, const char*> cases[] = {
      {0.1, "0.1"},   {20.0, "20"},    {48000, "48000"},
      {-0.5, "-0.5"}, {1e21, "1e+21"}, {0.2462311557788945, "0.2462311557788945"},
      {inf, "null"},  {-inf, "null"},  {std::nan(""), "null"}};
  for (const auto& [value, text] : cases) {
    std::string out = "{\"a\":";
    jsonAppendNumber(out, value);
    EXPECT_EQ(out, std::string("{\"a\":") + text);
  }
}

TEST(JsonQuoted, EscapesQuoteBackslashAndControlBytesAndCopiesUtf8) {
  const std::pair<const char*, const char*> cases[] = {
      {"a\"b\\c", "\"a\\\"b\\\\c\""},
      {"line\nnext\ttab\r\b\f", "\"line\\nnext\\ttab\\r\\b\\f\""},
      {"\x01\x1f", "\"\\u0001\\u001f\""},
      {"\x7f", "\"\x7f\""},
      {"caf\xc3\xa9 \xe2\x86\x92", "\"caf\xc3\xa9 \xe2\x86\x92\""},
      {"", "\"\""},
      {nullptr, "\"\""}};
  for (const auto& [text, quoted] : cases) {
    std::string out = "x";
    jsonAppendQuoted(out, text);
    EXPECT_EQ(out, std::string("x") + quoted) << (text ? text : "(null)");
  }
}

}  // namespace
}  // namespace talvo
