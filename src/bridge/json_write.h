#pragma once
// Appending JSON writers: documents are built by appending literal keys and
// these values to a byte string, without white space. Any thread that owns
// the output may call them; the audio thread never does.
#include <string>

namespace talvo {

/// Shortest round-trip decimal form ("5", "0.1", "1e+21"); null when not finite.
void jsonAppendNumber(std::string& out, double value);
/// A quoted string: quote and backslash escaped, every byte below 0x20 escaped
/// (short forms for \b \f \n \r \t, \u00XX otherwise), UTF-8 copied unchanged.
void jsonAppendQuoted(std::string& out, const char* text);

}  // namespace talvo
