#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "banks/bank_json.h"

using namespace talvo;

namespace {

bool parse(const std::string& text, JsonValue& out) {
  return parseJsonDocument(std::vector<std::uint8_t>(text.begin(), text.end()), out);
}

bool parses(const std::string& text) {
  JsonValue ignored;
  return parse(text, ignored);
}

JsonValue parsed(const std::string& text) {
  JsonValue value;
  EXPECT_TRUE(parse(text, value)) << text;
  return value;
}

std::string stringOf(const std::string& json) {
  return parsed(json).text;
}

}  // namespace

TEST(BankJson, ReadsNestedDocumentsWithMembersInByteOrder) {
  const JsonValue doc =
      parsed(" {\"b\":[1,\"x\",true,null,{}],\r\n\t\"a\":false,\"\xC3\xA9\":2,\"B\":{\"k\":[]}} ");
  ASSERT_TRUE(doc.isObject());
  std::string keys;
  for (const auto& [key, value] : doc.members)
    keys += key + ";";
  EXPECT_EQ(keys, "B;a;b;\xC3\xA9;");
  const JsonValue* list = doc.find("b");
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->elements.size(), 5u);
  EXPECT_EQ(list->elements[0].number, 1.0);
  EXPECT_EQ(list->elements[1].text, "x");
  EXPECT_TRUE(list->elements[2].boolean);
  EXPECT_EQ(list->elements[3].kind, JsonValue::kNull);
  EXPECT_TRUE(list->elements[4].isObject());
  EXPECT_EQ(doc.find("a")->kind, JsonValue::kBool);
}

TEST(BankJson, RepeatedKeyReplacesTheEarlierValue) {
  const JsonValue doc = parsed(R"({"k":[1,2],"k":"last"})");
  EXPECT_EQ(doc.members.size(), 1u);
  EXPECT_EQ(doc.str("k", "-"), "last");
}

TEST(BankJson, StrFallsBackForMissingOrNonStringMembers) {
  const JsonValue doc = parsed(R"({"s":"text","n":3,"z":null})");
  EXPECT_EQ(doc.str("s", "fb"), "text");
  EXPECT_EQ(doc.str("n", "fb"), "fb");
  EXPECT_EQ(doc.str("z", "fb"), "fb");
  EXPECT_EQ(doc.str("absent", "fb"), "fb");
  EXPECT_EQ(parsed("[1]").find("0"), nullptr);
  EXPECT_EQ(parsed("\"s\"").str("s", "fb"), "fb");
}

TEST(BankJson, NumbersAreWhateverStrtodAccepts) {
  EXPECT_EQ(parsed("+1.5").number, 1.5);
  EXPECT_EQ(parsed("0x10").number, 16.0);
  EXPECT_EQ(parsed("-.5e1").number, -5.0);
  EXPECT_TRUE(std::isinf(parsed("[inf]").elements[0].number));
  EXPECT_TRUE(std::isnan(parsed("nan").number));
  EXPECT_EQ(parsed("  12  ").number, 12.0);
  // strtod's own white space may lead a number, though not end a document.
  EXPECT_EQ(parsed("[\v\f 7]").elements.at(0).number, 7.0);
  EXPECT_FALSE(parses("[\f]"));
  EXPECT_FALSE(parses("\vtrue"));
  for (const char* bad : {"", " ", "-", "1 2", "1e5x", "01x", ".", "[1,]", "{\"a\":}", "0x"}) {
    EXPECT_FALSE(parses(bad)) << bad;
  }
}

TEST(BankJson, LiteralsMatchAsPrefixesOnlyWithFourBytesLeft) {
  EXPECT_TRUE(parsed("true").boolean);
  EXPECT_EQ(parsed("false").kind, JsonValue::kBool);
  EXPECT_EQ(parsed("null").kind, JsonValue::kNull);
  EXPECT_FALSE(parses("nul"));
  EXPECT_FALSE(parses("tru"));
  EXPECT_FALSE(parses("fals"));
  // Nothing after the word is checked; the document then fails on the rest.
  banks::JsonReader reader("trueish", 7);
  JsonValue value;
  ASSERT_TRUE(reader.readValue(value, 0));
  EXPECT_TRUE(value.boolean);
  EXPECT_FALSE(reader.atEndAfterWhitespace());
  EXPECT_FALSE(parses("trueish"));
}

TEST(BankJson, NestingDeeperThan32LevelsFails) {
  const auto nested = [](int levels) { return std::string(levels, '[') + std::string(levels, ']'); };
  EXPECT_TRUE(parses(nested(33)));  // innermost array at depth 32
  EXPECT_FALSE(parses(nested(34)));
  EXPECT_FALSE(parses(std::string(100000, '[')));
}

TEST(BankJson, TrailingCommasAndTrailingTextFail) {
  EXPECT_FALSE(parses(R"({"a":1,})"));
  EXPECT_FALSE(parses("[1,2,]"));
  EXPECT_FALSE(parses("{} x"));
  EXPECT_FALSE(parses("{\"a\" 1}"));
  EXPECT_FALSE(parses("{1:2}"));
  EXPECT_FALSE(parses("[1"));
  EXPECT_TRUE(parses("{ }"));
  EXPECT_TRUE(parses("[ \n]"));
  EXPECT_FALSE(parses("{}\f"));  // only space, tab, LF and CR are white space
}

TEST(BankJson, StringEscapesDecodeToUtf8) {
  EXPECT_EQ(stringOf(R"("a\"b\\c\/d\b\f\n\r\t")"), "a\"b\\c/d\b\f\n\r\t");
  EXPECT_EQ(stringOf(R"("\u0041\u00e9\u20AC")"), "A\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(stringOf(R"("\ud83d\ude00")"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(stringOf(R"("\uD83Dx")"), "\xED\xA0\xBDx");
  EXPECT_EQ(stringOf(R"("\uD83D\u0041")"),
            "\xED\xA0\xBD"
            "A");
  EXPECT_EQ(stringOf(R"("\uDE00")"), "\xED\xB8\x80");
  EXPECT_EQ(stringOf(std::string("\"\x01\t\xFF\"")), "\x01\t\xFF");
  EXPECT_EQ(stringOf(R"("\u0000")"), std::string(1, '\0'));
}

TEST(BankJson, MalformedStringsFail) {
  for (const char* bad : {R"("\x")", R"("\u12")", R"("\u12G4")", "\"open", "\"\\", R"("\uD83D\u12")"}) {
    EXPECT_FALSE(parses(bad)) << bad;
  }
}
