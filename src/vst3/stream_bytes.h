#pragma once
// Reading a whole host stream (a saved state) into memory. Main thread only.
#include <cstddef>
#include <string>

#include "pluginterfaces/base/ibstream.h"

namespace talvo {

/// The largest state either component accepts; an endless stream ends here.
inline constexpr std::size_t kStateMaxBytes = std::size_t{16} << 20;

/// Appends 4096-byte pieces until a read fails, returns nothing or falls short
/// of a whole piece. False when the stream holds more than `maxBytes`.
[[nodiscard]] bool readStreamBytes(Steinberg::IBStream& stream, std::string& out,
                                   std::size_t maxBytes = kStateMaxBytes);

}  // namespace talvo
