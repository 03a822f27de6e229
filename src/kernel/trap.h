#pragma once
// Trap message formatting: the text the panic sink receives when a kernel
// library state poisons itself. Fixed buffers only, so a trap raised on the
// audio thread does not allocate.
#include <cstddef>

namespace talvo::kernel {

/// Largest message handed to the sink, in bytes (no terminator counted).
inline constexpr std::size_t kTrapMessageMax = 2047;

/// The six-character trap code for a trap text, chosen by how the text begins
/// ("Uncaught " gives "RV4013", "rivet: RangeError: " "RV4014", ... anything
/// else "RV4019").
[[nodiscard]] const char* trapCode(const char* text, std::size_t length);

/// Writes the sink message for `text` raised while `entryName` ran: the text
/// with bytes 1 and 31 turned into spaces, byte 31, the code, byte 31 and the
/// entry name, cut to kTrapMessageMax bytes. A text starting with byte 1 is
/// copied unchanged (cut the same way). `out` holds kTrapMessageMax + 1 bytes;
/// the message is NUL-terminated there. Returns the message length.
std::size_t formatTrapMessage(const char* text, std::size_t length, const char* entryName,
                              char (&out)[kTrapMessageMax + 1]);

/// Appends `piece` to a NUL-terminated text in `out` of `capacity` bytes,
/// cutting what does not fit. Returns the new length.
std::size_t appendCut(char* out, std::size_t capacity, std::size_t used, const char* piece);

}  // namespace talvo::kernel
