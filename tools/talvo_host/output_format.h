#pragma once
// The file format of a render's output: from the output's extension, or as
// --format and --bits name it.
#include <string>

namespace talvo::host {

struct OutputFormat {
  int sndfile = 0;          // libsndfile's major format and subtype
  std::string description;  // "WAV 32-bit float", for the summary
  bool lossless = true;     // float samples reach the file unchanged: no clipping, no rounding
};

/// Reads the format from `path`'s extension (.wav, .flac, .aif/.aiff, .ogg)
/// unless `format` names one ("wav", "flac", "aiff", "ogg"); `bits` (0 for the
/// format's default) is 16, 24 or 32, 32 meaning float. False with a reason
/// for an unknown extension or format, or a size the format cannot hold.
[[nodiscard]] bool chooseOutputFormat(const std::string& path, const std::string& format, int bits,
                                      OutputFormat& out, std::string& error);

}  // namespace talvo::host
