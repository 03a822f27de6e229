#pragma once
// Primitives shared by every hand-written JSON reader: one forward cursor over
// a byte range the caller owns. The range need not be NUL-terminated, and no
// primitive reads at or past `end`. Every reader here parses into a fresh
// value and hands it over only on success: on false its output is untouched,
// while the cursor is left wherever it stopped and the caller abandons the
// whole parse.
#include <string>

namespace talvo {

/// Deepest nesting any reader accepts; a value at depth 33 fails.
constexpr int kJsonMaxDepth = 32;

struct JsonReader {
  const char* pos;
  const char* end;
};

/// Advances past space, tab, line feed and carriage return.
void skipWhitespace(JsonReader& reader);
/// Skips white space, then consumes `c` when it is the next byte.
[[nodiscard]] bool consumeByte(JsonReader& reader, char c);
/// Skips white space and peeks the next byte; 0 at the end of input.
[[nodiscard]] char peekByte(JsonReader& reader);
/// True when only white space is left.
[[nodiscard]] bool atEndAfterWhitespace(JsonReader& reader);

/// One JSON string; a null `out` only skips it. \uXXXX reads as "?".
[[nodiscard]] bool parseString(JsonReader& reader, std::string* out);
/// One number with strtod's syntax ("1e3", "-0.5", "+2", "inf", hex), read in
/// the C locale whatever the process locale is: the one number reader of
/// every text the plug-in reads.
[[nodiscard]] bool parseNumber(JsonReader& reader, double* out);
/// One literal true or false.
[[nodiscard]] bool parseBool(JsonReader& reader, bool* out);
/// Skips one value of any kind; `depth` is the nesting level of that value.
[[nodiscard]] bool skipValue(JsonReader& reader, int depth);

/// Iterates an object's members: call with `first` true right after the
/// opening brace was consumed. Returns false on broken syntax; on success sets
/// `done` at the closing brace, or reads the next key and consumes its colon.
[[nodiscard]] bool nextMember(JsonReader& reader, bool& first, bool& done, std::string& key);
/// Same for an array's elements: sets `done` at the closing bracket, otherwise
/// leaves the cursor at the next element.
[[nodiscard]] bool nextElement(JsonReader& reader, bool& first, bool& done);

/// Reads the object at the cursor: `onMember(key)` is called with the cursor
/// at each member's value, must read or skip it, and returns false to fail.
template <typename OnMember>
[[nodiscard]] bool readObjectMembers(JsonReader& reader, OnMember&& onMember) {
  if (!consumeByte(reader, '{')) return false;
  bool first = true;
  bool done = false;
  std::string key;
  while (true) {
    if (!nextMember(reader, first, done, key)) return false;
    if (done) return true;
    if (!onMember(key)) return false;
  }
}

/// Reads the array at the cursor: `onElement()` reads or skips each element.
template <typename OnElement>
[[nodiscard]] bool readArrayElements(JsonReader& reader, OnElement&& onElement) {
  if (!consumeByte(reader, '[')) return false;
  bool first = true;
  bool done = false;
  while (true) {
    if (!nextElement(reader, first, done)) return false;
    if (done) return true;
    if (!onElement()) return false;
  }
}

}  // namespace talvo
