#include "bridge/json_check.h"

#include <cstring>

#include "bridge/json_read.h"

namespace talvo {
namespace {

struct Cursor {
  const char* p;
  const char* end;

  [[nodiscard]] bool at(char c) const { return p < end && *p == c; }
  [[nodiscard]] bool digit() const { return p < end && *p >= '0' && *p <= '9'; }
  void skipSpace() {
    while (p < end && (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r'))
      ++p;
  }
  bool take(char c) {
    if (!at(c)) return false;
    ++p;
    return true;
  }
  void digits() {
    while (digit())
      ++p;
  }
};

bool isHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool string(Cursor& c) {
  if (!c.take('"')) return false;
  while (c.p < c.end) {
    const auto byte = static_cast<unsigned char>(*c.p++);
    if (byte == '"') return true;
    if (byte < 0x20) return false;
    if (byte != '\\') continue;
    if (c.p >= c.end) return false;
    const char escape = *c.p++;
    if (escape == 'u') {
      for (int i = 0; i < 4; ++i, ++c.p)
        if (c.p >= c.end || !isHex(*c.p)) return false;
    } else if (std::strchr("\"\\/bfnrt", escape) == nullptr || escape == '\0') {
      return false;
    }
  }
  return false;
}

// -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?
bool number(Cursor& c) {
  c.take('-');
  if (c.take('0')) {
    if (c.digit()) return false;
  } else {
    if (!c.digit()) return false;
    c.digits();
  }
  if (c.take('.')) {
    if (!c.digit()) return false;
    c.digits();
  }
  if (c.take('e') || c.take('E')) {
    if (!c.take('+')) c.take('-');
    if (!c.digit()) return false;
    c.digits();
  }
  return true;
}

bool word(Cursor& c, const char* literal) {
  const std::size_t n = std::strlen(literal);
  if (static_cast<std::size_t>(c.end - c.p) < n || std::memcmp(c.p, literal, n) != 0) return false;
  c.p += n;
  return true;
}

bool value(Cursor& c, int depth);

// The members of an object or the elements of an array after its opening byte.
bool container(Cursor& c, char close, bool keyed, int depth) {
  c.skipSpace();
  if (c.take(close)) return true;
  for (;;) {
    c.skipSpace();
    if (keyed) {
      if (!string(c)) return false;
      c.skipSpace();
      if (!c.take(':')) return false;
      c.skipSpace();
    }
    if (!value(c, depth + 1)) return false;
    c.skipSpace();
    if (c.take(close)) return true;
    if (!c.take(',')) return false;
  }
}

bool value(Cursor& c, int depth) {
  if (depth > kJsonMaxDepth || c.p >= c.end) return false;
  switch (*c.p) {
    case '{':
      ++c.p;
      return container(c, '}', true, depth);
    case '[':
      ++c.p;
      return container(c, ']', false, depth);
    case '"':
      return string(c);
    case 't':
      return word(c, "true");
    case 'f':
      return word(c, "false");
    case 'n':
      return word(c, "null");
    default:
      return number(c);
  }
}

}  // namespace

bool isJsonValue(const char* text, std::size_t length) {
  if (text == nullptr) return false;
  Cursor c{text, text + length};
  c.skipSpace();
  if (!value(c, 1)) return false;
  c.skipSpace();
  return c.p == c.end;
}

}  // namespace talvo
