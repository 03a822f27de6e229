#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "banks/bank_json.h"
#include "bridge/exact_text.h"

using namespace talvo;

namespace {

bool parse(const std::string& text, JsonValue& out) {
  return parseJsonDocument(std::vector<std::uint8_t>(text.begin(), text.end()), out);
}

JsonValue parsed(const std::string& text) {
  JsonValue value;
  EXPECT_TRUE(parse(text, value)) << text;
  return value;
}

}  // namespace

TEST(BankJson, ReadsNestedDocumentsWithMembersInByteOrder) {
  const JsonValue doc = parsed(" {\"b\":[1,\"x\",{}],\r\n\t\"a\":false,\"\xC3\xA9\":2,\"B\":{\"k\":[]}} ");
  std::string keys;
  for (const auto& [key, value] : doc.members)
    keys += key + ";";
  EXPECT_EQ(keys, "B;a;b;\xC3\xA9;");
  const JsonValue& list = doc.members.at("b");
  ASSERT_EQ(list.elements.size(), 3u);
  EXPECT_TRUE(list.isArray() && list.elements[1].text == "x" && list.elements[2].isObject());
  EXPECT_TRUE(doc.members.at("B").find("k")->isArray());
  // Up to 32 levels of nesting below the document, and empty containers.
  for (const std::string& text : {test::nested(33), std::string("{ }"), std::string("[ \n]")}) {
    JsonValue ignored;
    EXPECT_TRUE(parse(text, ignored)) << text;
  }
}

TEST(BankJson, MemberLookupTakesTheLastRepeatAndFallsBackForNonStrings) {
  const JsonValue doc = parsed(R"({"k":[1,2],"k":"last","n":3,"z":null})");
  EXPECT_EQ(doc.members.size(), 3u);
  EXPECT_EQ(doc.str("k", "fb"), "last");
  for (const char* key : {"n", "z", "absent"})
    EXPECT_EQ(doc.str(key, "fb"), "fb") << key;
  EXPECT_EQ(parsed("[1]").find("0"), nullptr);
}

// The number grammar is the bridge reader's; strtod's own white space
// (vertical tab, form feed) may lead a number, nowhere else.
TEST(BankJson, NumbersFollowTheSharedReaderAndLiteralsRead) {
  const std::pair<const char*, double> cases[] = {{"0x10", 16.0}, {"  12  ", 12.0}, {"\v\f 7", 7.0}};
  for (const auto& [text, value] : cases)
    EXPECT_EQ(parsed(std::string("[") + text + "]").elements.at(0).number, value) << text;
  EXPECT_TRUE(std::isnan(parsed("nan").number));
  EXPECT_TRUE(parsed("true").boolean);
  EXPECT_EQ(parsed("false").kind, JsonValue::kBool);
  EXPECT_EQ(parsed("null").kind, JsonValue::kNull);
}

// And the rows of tests/data/banks/json_documents.txt.
TEST(BankJson, MalformedDocumentsFailAndLeaveTheOutputAlone) {
  // Only space, tab, LF and CR are white space between tokens and at the end.
  for (const std::string& text : {std::string(" "), std::string("[\f]"), std::string("\vtrue"),
                                  std::string("{}\f"), test::nested(34), std::string(100000, '[')}) {
    JsonValue out;
    out.number = 42.0;
    EXPECT_FALSE(parse(text, out)) << text;
    EXPECT_EQ(out.number, 42.0) << "a failed parse leaves its output alone";
  }
  test::expectDocumentCases<JsonValue>(
      "banks/json_documents.txt", [](const char* text, std::size_t size, JsonValue& out) {
        return parseJsonDocument(std::vector<std::uint8_t>(text, text + size), out);
      });
}

TEST(BankJson, StringEscapesDecodeToUtf8) {
  const std::pair<const char*, std::string> cases[] = {
      {R"("a\"b\\c\/d\b\f\n\r\t")", "a\"b\\c/d\b\f\n\r\t"},
      {R"("\u0041\u00e9\u20AC")", "A\xC3\xA9\xE2\x82\xAC"},
      {R"("\ud83d\ude00")", "\xF0\x9F\x98\x80"},
      // A surrogate without its partner is written on its own.
      {R"("\uD83Dx")", "\xED\xA0\xBDx"},
      {R"("\uD83D\u0041")",
       "\xED\xA0\xBD"
       "A"},
      {R"("\uDE00")", "\xED\xB8\x80"},
      {"\"\x01\t\xFF\"", "\x01\t\xFF"},
      {R"("\u0000")", std::string(1, '\0')},
  };
  for (const auto& [json, text] : cases)
    EXPECT_EQ(parsed(json).text, text) << json;
}
