#include "bridge/json_write.h"

#include <charconv>
#include <cmath>

namespace talvo {

void jsonAppendNumber(std::string& out, double value) {
  if (!std::isfinite(value)) {
    out += "null";
    return;
  }
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  out.append(text, result.ptr);
}

void jsonAppendQuoted(std::string& out, const char* text) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  for (const char* p = text ? text : ""; *p; ++p) {
    const auto byte = static_cast<unsigned char>(*p);
    switch (byte) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        // Raw control bytes would make the text invalid JSON and break the
        // page's script delivery; everything else (UTF-8 included) is copied.
        if (byte < 0x20) {
          const char escape[6] = {'\\', 'u', '0', '0', kHex[byte >> 4], kHex[byte & 0xF]};
          out.append(escape, sizeof escape);
        } else {
          out += static_cast<char>(byte);
        }
    }
  }
  out += '"';
}

}  // namespace talvo
