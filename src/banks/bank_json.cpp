#include "banks/bank_json.h"

#include <cstring>

#include "bridge/json_read.h"

namespace talvo {
namespace {

void appendUtf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace

const JsonValue* JsonValue::find(const std::string& key) const {
  if (kind != kObject) return nullptr;
  const auto it = members.find(key);
  return it == members.end() ? nullptr : &it->second;
}

std::string JsonValue::str(const std::string& key, const std::string& fallback) const {
  const JsonValue* member = find(key);
  return member && member->kind == kString ? member->text : fallback;
}

namespace banks {

void JsonReader::skipWhitespace() {
  talvo::JsonReader cursor{at_, end_};
  talvo::skipWhitespace(cursor);
  at_ = cursor.pos;
}

bool JsonReader::atEndAfterWhitespace() {
  skipWhitespace();
  return at_ == end_;
}

bool JsonReader::startsWith(const char* word, std::size_t length) const {
  return static_cast<std::size_t>(end_ - at_) >= length && std::memcmp(at_, word, length) == 0;
}

bool JsonReader::readValue(JsonValue& out, int depth) {
  JsonValue value;
  if (!readInto(value, depth)) return false;
  out = std::move(value);
  return true;
}

bool JsonReader::readInto(JsonValue& out, int depth) {
  if (depth > kMaxDepth) return false;
  skipWhitespace();
  if (at_ == end_) return false;
  out = JsonValue();
  switch (*at_) {
    case '"':
      out.kind = JsonValue::kString;
      return readString(out.text);
    case '[':
      return readArray(out, depth);
    case '{':
      return readObject(out, depth);
    default:
      break;
  }
  // The literals are matched as prefixes only when at least four bytes remain.
  if (end_ - at_ >= 4) {
    if (startsWith("true", 4)) {
      out.kind = JsonValue::kBool;
      out.boolean = true;
      at_ += 4;
      return true;
    }
    if (startsWith("false", 5)) {
      out.kind = JsonValue::kBool;
      at_ += 5;
      return true;
    }
    if (startsWith("null", 4)) {
      at_ += 4;
      return true;
    }
  }
  out.kind = JsonValue::kNumber;
  return readNumber(out.number);
}

// Numbers take strtod's syntax ("+1", "0x10", "inf", "nan"), read in the C
// locale so a host's decimal comma cannot change what a bank means. strtod
// also skips vertical tab and form feed before a number, so they may lead one.
bool JsonReader::readNumber(double& out) {
  const char* start = at_;
  while (start != end_ && (*start == '\v' || *start == '\f' || *start == ' ' || *start == '\t' ||
                           *start == '\n' || *start == '\r'))
    ++start;
  talvo::JsonReader cursor{start, end_};
  if (!parseNumber(cursor, &out)) return false;
  at_ = cursor.pos;
  return true;
}

bool JsonReader::readArray(JsonValue& out, int depth) {
  out.kind = JsonValue::kArray;
  ++at_;
  skipWhitespace();
  if (at_ != end_ && *at_ == ']') {
    ++at_;
    return true;
  }
  for (;;) {
    out.elements.emplace_back();
    if (!readInto(out.elements.back(), depth + 1)) return false;
    skipWhitespace();
    if (at_ == end_) return false;
    const char c = *at_++;
    if (c == ']') return true;
    if (c != ',') return false;
  }
}

bool JsonReader::readObject(JsonValue& out, int depth) {
  out.kind = JsonValue::kObject;
  ++at_;
  skipWhitespace();
  if (at_ != end_ && *at_ == '}') {
    ++at_;
    return true;
  }
  std::string key;
  for (;;) {
    skipWhitespace();
    if (at_ == end_ || *at_ != '"') return false;
    key.clear();
    if (!readString(key)) return false;
    skipWhitespace();
    if (at_ == end_ || *at_ != ':') return false;
    ++at_;
    // A repeated key replaces the earlier member's value.
    if (!readInto(out.members[key], depth + 1)) return false;
    skipWhitespace();
    if (at_ == end_) return false;
    const char c = *at_++;
    if (c == '}') return true;
    if (c != ',') return false;
  }
}

bool JsonReader::readString(std::string& out) {
  ++at_;  // opening quote
  for (;;) {
    const char* run = at_;
    while (at_ != end_ && *at_ != '"' && *at_ != '\\')
      ++at_;
    out.append(run, at_);
    if (at_ == end_) return false;
    if (*at_ == '"') {
      ++at_;
      return true;
    }
    if (!readEscape(out)) return false;
  }
}

bool JsonReader::readHex4(const char* from, std::uint32_t& value) const {
  if (end_ - from < 4) return false;
  value = 0;
  for (int i = 0; i < 4; ++i) {
    const char c = from[i];
    std::uint32_t digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<std::uint32_t>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      digit = static_cast<std::uint32_t>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
      digit = static_cast<std::uint32_t>(c - 'A' + 10);
    } else {
      return false;
    }
    value = value * 16 + digit;
  }
  return true;
}

bool JsonReader::readEscape(std::string& out) {
  ++at_;  // backslash
  if (at_ == end_) return false;
  const char c = *at_++;
  switch (c) {
    case '"':
    case '\\':
    case '/':
      out += c;
      return true;
    case 'b':
      out += '\b';
      return true;
    case 'f':
      out += '\f';
      return true;
    case 'n':
      out += '\n';
      return true;
    case 'r':
      out += '\r';
      return true;
    case 't':
      out += '\t';
      return true;
    case 'u':
      break;
    default:
      return false;
  }
  std::uint32_t code = 0;
  if (!readHex4(at_, code)) return false;
  at_ += 4;
  // A high surrogate directly followed by an escaped low one forms one code
  // point; a surrogate without its partner is written on its own.
  std::uint32_t low = 0;
  if (code >= 0xD800 && code <= 0xDBFF && end_ - at_ >= 6 && at_[0] == '\\' && at_[1] == 'u' &&
      readHex4(at_ + 2, low) && low >= 0xDC00 && low <= 0xDFFF) {
    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
    at_ += 6;
  }
  appendUtf8(out, code);
  return true;
}

}  // namespace banks

bool parseJsonDocument(const std::vector<std::uint8_t>& bytes, JsonValue& out) {
  banks::JsonReader reader(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  JsonValue value;
  if (!reader.readValue(value, 0) || !reader.atEndAfterWhitespace()) return false;
  out = std::move(value);
  return true;
}

}  // namespace talvo
