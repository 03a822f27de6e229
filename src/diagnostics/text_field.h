#pragma once
// Fixed-size, NUL-terminated text fields shared by the diagnostic records.
#include <cstddef>
#include <cstring>

namespace talvo {

/// Copies at most N - 1 bytes of `text` (null taken as empty) and terminates.
/// A cut backs off to a character boundary: half a UTF-8 sequence would make
/// the reports that carry the text invalid for the page.
template <std::size_t N>
void copyTextField(char (&field)[N], const char* text) {
  std::size_t length = text == nullptr ? 0 : strnlen(text, N);
  if (length > N - 1) {
    length = N - 1;
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
      --length;
  }
  if (length > 0) std::memcpy(field, text, length);
  field[length] = '\0';
}

/// Length of a field that may lack its terminator (bytes received raw).
template <std::size_t N>
[[nodiscard]] std::size_t textFieldLength(const char (&field)[N]) {
  return strnlen(field, N);
}

/// True when two fields hold the same text, looking no further than N bytes.
template <std::size_t N>
[[nodiscard]] bool textFieldsEqual(const char (&a)[N], const char (&b)[N]) {
  return std::strncmp(a, b, N) == 0;
}

}  // namespace talvo
