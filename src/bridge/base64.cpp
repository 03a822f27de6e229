#include "bridge/base64.h"

namespace talvo {

namespace {
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
}

void base64Append(std::string& out, const std::uint8_t* bytes, std::size_t count) {
  out.reserve(out.size() + (count + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= count; i += 3) {
    const std::uint32_t v = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
    const char group[4] = {kAlphabet[v >> 18], kAlphabet[(v >> 12) & 63], kAlphabet[(v >> 6) & 63],
                           kAlphabet[v & 63]};
    out.append(group, 4);
  }
  const std::size_t rest = count - i;
  if (rest == 1) {
    const std::uint32_t v = bytes[i] << 16;
    const char group[4] = {kAlphabet[v >> 18], kAlphabet[(v >> 12) & 63], '=', '='};
    out.append(group, 4);
  } else if (rest == 2) {
    const std::uint32_t v = (bytes[i] << 16) | (bytes[i + 1] << 8);
    const char group[4] = {kAlphabet[v >> 18], kAlphabet[(v >> 12) & 63], kAlphabet[(v >> 6) & 63], '='};
    out.append(group, 4);
  }
}

int base64Digit(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

bool base64Decode(const std::string& text, std::vector<std::uint8_t>& result, std::size_t maxDecoded) {
  const std::size_t length = text.size();
  if (length % 4 != 0) return false;
  if (length == 0) {
    result.clear();
    return true;
  }

  std::size_t padding = 0;
  if (text[length - 1] == '=') padding = text[length - 2] == '=' ? 2 : 1;
  const std::size_t decoded = 3 * length / 4 - padding;
  if (decoded > maxDecoded) return false;

  std::vector<std::uint8_t> out;
  out.reserve(decoded);
  for (std::size_t g = 0; g < length; g += 4) {
    const bool last = g + 4 == length;
    const int a = base64Digit(text[g]);
    const int b = base64Digit(text[g + 1]);
    if (a < 0 || b < 0) return false;
    const char c3 = text[g + 2];
    const char c4 = text[g + 3];
    int c = base64Digit(c3);
    int d = base64Digit(c4);
    if (c < 0) {
      if (!(last && c3 == '=')) return false;
      c = 0;
    }
    if (d < 0) {
      if (!(last && c4 == '=')) return false;
      d = 0;
    }
    // "x=y=" style groups are caught by the size check below.
    const std::uint32_t v = (a << 18) | (b << 12) | (c << 6) | d;
    const std::uint8_t group[3] = {static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
                                   static_cast<std::uint8_t>(v)};
    for (int k = 0; k < 3 && out.size() < decoded; ++k)
      out.push_back(group[k]);
  }
  if (out.size() != decoded) return false;
  result = std::move(out);
  return true;
}

}  // namespace talvo
