#include "bridge/json_read.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#if defined(__APPLE__)
#include <xlocale.h>
#else
#include <locale.h>
#endif

namespace talvo {
namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

bool isHexDigit(char c) {
  return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

char lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Case-insensitive match of `word` at p, entirely before end.
bool matchWord(const char* p, const char* end, const char* word) {
  const std::size_t n = std::strlen(word);
  if (static_cast<std::size_t>(end - p) < n) return false;
  for (std::size_t i = 0; i < n; ++i) {
    if (lower(p[i]) != word[i]) return false;
  }
  return true;
}

// Digits with at most one radix point; returns past them, and whether any
// digit was seen.
const char* scanMantissa(const char* p, const char* end, bool hex, bool& anyDigit) {
  bool point = false;
  anyDigit = false;
  while (p < end) {
    if (hex ? isHexDigit(*p) : isDigit(*p)) {
      anyDigit = true;
    } else if (*p == '.' && !point) {
      point = true;
    } else {
      break;
    }
    ++p;
  }
  return p;
}

// An exponent is consumed only when at least one digit follows its marker.
const char* scanExponent(const char* p, const char* end, char marker) {
  if (p >= end || lower(*p) != marker) return p;
  const char* q = p + 1;
  if (q < end && (*q == '+' || *q == '-')) ++q;
  if (q >= end || !isDigit(*q)) return p;
  while (q < end && isDigit(*q))
    ++q;
  return q;
}

// The end of the longest prefix at p that strtod would consume, scanning no
// further than `end`; p itself when there is none.
const char* scanNumber(const char* p, const char* end) {
  const char* start = p;
  if (p < end && (*p == '+' || *p == '-')) ++p;
  if (matchWord(p, end, "infinity")) return p + 8;
  if (matchWord(p, end, "inf")) return p + 3;
  if (matchWord(p, end, "nan")) {
    p += 3;
    const char* q = p;
    if (q < end && *q == '(') {
      ++q;
      while (q < end && (isDigit(*q) || (lower(*q) >= 'a' && lower(*q) <= 'z') || *q == '_'))
        ++q;
      if (q < end && *q == ')') return q + 1;
    }
    return p;
  }
  bool anyDigit = false;
  if (end - p >= 2 && p[0] == '0' && lower(p[1]) == 'x') {
    const char* q = scanMantissa(p + 2, end, true, anyDigit);
    if (anyDigit) return scanExponent(q, end, 'p');
    return p + 1;  // "0x" without hex digits reads as the zero alone
  }
  const char* q = scanMantissa(p, end, false, anyDigit);
  if (!anyDigit) return start;
  return scanExponent(q, end, 'e');
}

locale_t cLocale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return locale;
}

}  // namespace

void skipWhitespace(JsonReader& reader) {
  while (reader.pos < reader.end &&
         (*reader.pos == ' ' || *reader.pos == '\t' || *reader.pos == '\n' || *reader.pos == '\r')) {
    ++reader.pos;
  }
}

bool consumeByte(JsonReader& reader, char c) {
  skipWhitespace(reader);
  if (reader.pos < reader.end && *reader.pos == c) {
    ++reader.pos;
    return true;
  }
  return false;
}

char peekByte(JsonReader& reader) {
  skipWhitespace(reader);
  return reader.pos < reader.end ? *reader.pos : '\0';
}

bool atEndAfterWhitespace(JsonReader& reader) {
  skipWhitespace(reader);
  return reader.pos == reader.end;
}

bool parseString(JsonReader& reader, std::string* out) {
  if (!consumeByte(reader, '"')) return false;
  std::string text;
  const char* p = reader.pos;
  while (p < reader.end) {
    const char c = *p++;
    if (c == '"') {
      reader.pos = p;
      if (out) *out = std::move(text);
      return true;
    }
    if (c != '\\') {
      if (out) text += c;
      continue;
    }
    if (p >= reader.end) break;
    const char e = *p++;
    char value = e;
    switch (e) {
      case 'b':
        value = '\b';
        break;
      case 'f':
        value = '\f';
        break;
      case 'n':
        value = '\n';
        break;
      case 'r':
        value = '\r';
        break;
      case 't':
        value = '\t';
        break;
      case 'u':
        // Code points are not decoded; the four bytes that follow, whatever
        // they are, stand for one "?".
        for (int i = 0; i < 4 && p < reader.end; ++i)
          ++p;
        value = '?';
        break;
      default:
        break;
    }
    if (out) text += value;
  }
  reader.pos = p;
  return false;
}

bool parseNumber(JsonReader& reader, double* out) {
  skipWhitespace(reader);
  const char* stop = scanNumber(reader.pos, reader.end);
  const auto length = static_cast<std::size_t>(stop - reader.pos);
  if (length == 0) return false;
  // strtod needs a terminated text and must not see the host's decimal
  // separator, so the scanned characters are converted from a private copy
  // in the C locale.
  char small[64];
  std::string large;
  const char* text = small;
  if (length < sizeof small) {
    std::memcpy(small, reader.pos, length);
    small[length] = '\0';
  } else {
    large.assign(reader.pos, length);
    text = large.c_str();
  }
  char* parsedEnd = nullptr;
  const double value = strtod_l(text, &parsedEnd, cLocale());
  if (parsedEnd != text + length) return false;
  reader.pos = stop;
  if (out) *out = value;
  return true;
}

bool parseBool(JsonReader& reader, bool* out) {
  skipWhitespace(reader);
  const auto left = static_cast<std::size_t>(reader.end - reader.pos);
  if (left >= 4 && std::memcmp(reader.pos, "true", 4) == 0) {
    reader.pos += 4;
    if (out) *out = true;
    return true;
  }
  if (left >= 5 && std::memcmp(reader.pos, "false", 5) == 0) {
    reader.pos += 5;
    if (out) *out = false;
    return true;
  }
  return false;
}

bool nextMember(JsonReader& reader, bool& first, bool& done, std::string& key) {
  done = false;
  if (first) {
    first = false;
    if (consumeByte(reader, '}')) {
      done = true;
      return true;
    }
  } else {
    if (consumeByte(reader, '}')) {
      done = true;
      return true;
    }
    if (!consumeByte(reader, ',')) return false;
  }
  // After a comma another member must follow: "{"a":1,}" is broken.
  if (!parseString(reader, &key)) return false;
  return consumeByte(reader, ':');
}

bool nextElement(JsonReader& reader, bool& first, bool& done) {
  done = false;
  if (consumeByte(reader, ']')) {
    done = true;
    return true;
  }
  // A comma must separate elements; "[1,]" then fails on the element.
  if (!first && !consumeByte(reader, ',')) return false;
  first = false;
  return true;
}

bool skipValue(JsonReader& reader, int depth) {
  if (depth > kJsonMaxDepth) return false;
  const char c = peekByte(reader);
  if (reader.pos >= reader.end) return false;
  if (c == '"') return parseString(reader, nullptr);
  const auto left = static_cast<std::size_t>(reader.end - reader.pos);
  if (c == 'n') {
    if (left >= 4 && std::memcmp(reader.pos, "null", 4) == 0) {
      reader.pos += 4;
      return true;
    }
    return parseNumber(reader, nullptr);  // "nan" reads as a number
  }
  if (c == 't' || c == 'f') return parseBool(reader, nullptr);
  if (c == '[') return readArrayElements(reader, [&] { return skipValue(reader, depth + 1); });
  if (c == '{')
    return readObjectMembers(reader, [&](const std::string&) { return skipValue(reader, depth + 1); });
  return parseNumber(reader, nullptr);
}

}  // namespace talvo
