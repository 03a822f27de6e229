#pragma once
// The sound pack loader's own JSON reader, used for bank.json, instrument and
// preset documents only. Main thread only. Every reader here parses into a
// fresh value and hands it over only on success: on false its output is
// untouched.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace talvo {

/// One parsed JSON value. Object members iterate in ascending byte-wise key order.
struct JsonValue {
  enum Kind : std::uint8_t { kNull = 0, kBool = 1, kNumber = 2, kString = 3, kArray = 4, kObject = 5 };

  std::uint8_t kind = kNull;
  bool boolean = false;
  double number = 0.0;
  std::string text;
  std::vector<JsonValue> elements;
  std::map<std::string, JsonValue> members;

  /// The member `key` of an object, or null (also when this is not an object).
  [[nodiscard]] const JsonValue* find(const std::string& key) const;
  /// The member's text when it exists and is a string, else `fallback`.
  [[nodiscard]] std::string str(const std::string& key, const std::string& fallback) const;
  [[nodiscard]] bool isObject() const { return kind == kObject; }
  [[nodiscard]] bool isArray() const { return kind == kArray; }
  [[nodiscard]] bool isNumber() const { return kind == kNumber; }
};

namespace banks {

/// Recursive-descent reader over one byte range; nesting beyond 32 levels
/// fails. It lives apart from the bridge's reader cursor of the same name,
/// whose number and white-space primitives it shares.
class JsonReader {
 public:
  JsonReader(const char* text, std::size_t length) : at_(text), end_(text + length) {}

  /// Reads one value at the current position; false on any syntax error.
  [[nodiscard]] bool readValue(JsonValue& out, int depth);
  /// True when nothing but white space is left.
  [[nodiscard]] bool atEndAfterWhitespace();

  static constexpr int kMaxDepth = 32;

 private:
  void skipWhitespace();
  /// readValue's work, straight into `out` (a fresh value of the caller's).
  bool readInto(JsonValue& out, int depth);
  bool readString(std::string& out);
  bool readEscape(std::string& out);
  bool readHex4(const char* from, std::uint32_t& value) const;
  bool readNumber(double& out);
  bool readArray(JsonValue& out, int depth);
  bool readObject(JsonValue& out, int depth);
  bool startsWith(const char* word, std::size_t length) const;

  const char* at_;
  const char* end_;
};

}  // namespace banks

/// Parses a whole document: one value followed by nothing but whitespace.
[[nodiscard]] bool parseJsonDocument(const std::vector<std::uint8_t>& bytes, JsonValue& out);

}  // namespace talvo
