#pragma once
// RFC 4648 base64 with the standard alphabet and "=" padding, strict decoding.
// The decoder reads into a fresh value and hands it over only on success: on
// false its output is untouched.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace talvo {

/// Appends the base64 text of `count` bytes; no line breaks.
void base64Append(std::string& out, const std::uint8_t* bytes, std::size_t count);
/// The 6-bit value of an alphabet character, or -1.
[[nodiscard]] int base64Digit(char c);
/// Strict decode: length a multiple of 4, padding only in the last group, no
/// white space or URL-safe characters. Refuses before decoding when the result
/// would exceed `maxDecoded`.
[[nodiscard]] bool base64Decode(const std::string& text, std::vector<std::uint8_t>& out,
                                std::size_t maxDecoded);

}  // namespace talvo
