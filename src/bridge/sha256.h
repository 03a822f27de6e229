#pragma once
#include <cstdint>
#include <string>

namespace talvo {

/// SHA-256 of `count` bytes as 64 lower-case hex digits. Inputs of 4 GiB or
/// more are not supported (the count is 32-bit).
[[nodiscard]] std::string sha256Hex(const void* bytes, std::uint32_t count);

}  // namespace talvo
