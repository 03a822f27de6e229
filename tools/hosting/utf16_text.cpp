#include "hosting/utf16_text.h"

namespace talvo::host {

std::string utf8FromUtf16(const Steinberg::Vst::TChar* text, std::size_t capacity) {
  std::string out;
  for (std::size_t i = 0; i < capacity && text[i] != 0; ++i) {
    char32_t c = static_cast<char16_t>(text[i]);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < capacity) {
      char32_t low = static_cast<char16_t>(text[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

void utf16FromUtf8(const std::string& text, Steinberg::Vst::String128 out) {
  constexpr std::size_t kLast = 127;  // the terminator's place
  std::size_t n = 0;
  for (std::size_t i = 0; i < text.size() && n < kLast;) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int extra = lead < 0x80 ? 0 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    char32_t c = extra == 0 ? lead : extra == 1 ? lead & 0x1F : extra == 2 ? lead & 0x0F : lead & 0x07;
    std::size_t used = 1;
    for (int k = 0; k < extra && i + used < text.size(); ++k, ++used)
      c = (c << 6) | (static_cast<unsigned char>(text[i + used]) & 0x3F);
    // A stray continuation byte or a cut sequence becomes the replacement character.
    if (extra < 0 || used != static_cast<std::size_t>(extra) + 1) c = 0xFFFD;
    i += used;
    if (c >= 0x10000) {
      if (n + 1 >= kLast) break;
      c -= 0x10000;
      out[n++] = static_cast<Steinberg::Vst::TChar>(0xD800 + (c >> 10));
      out[n++] = static_cast<Steinberg::Vst::TChar>(0xDC00 + (c & 0x3FF));
    } else {
      out[n++] = static_cast<Steinberg::Vst::TChar>(c);
    }
  }
  out[n] = 0;
}

}  // namespace talvo::host
