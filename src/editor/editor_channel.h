#pragma once
// The byte stream between the plug-in and its editor process (a socket pair;
// the process's end is descriptor 3). Each frame is one type byte, the payload
// length as four bytes little-endian, then the payload:
//   plug-in -> editor  'D' script to evaluate in the page (a _deliver call)
//                      'S' new view size: width, height as four bytes each
//   editor -> plug-in  'M' one message the page posted (JSON text)
//                      'E' an editor error (reason text); the editor goes on
// Closing the plug-in's end tells the editor process to quit; the end of the
// stream from the editor means it is gone.
// The readers hand values over only on success: on false (or anything but a
// whole frame) their outputs are untouched.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace talvo {

inline constexpr int kEditorChannelFd = 3;
/// Larger frames mean a broken stream (a bank document is far smaller).
inline constexpr std::uint32_t kMaxEditorFrame = 64u << 20;

enum class EditorFrame : char { Script = 'D', Size = 'S', Message = 'M', Error = 'E' };

void appendEditorFrame(std::string& out, EditorFrame type, std::string_view payload);
[[nodiscard]] std::string editorSizePayload(std::uint32_t width, std::uint32_t height);
[[nodiscard]] bool parseEditorSizePayload(std::string_view payload, std::uint32_t& width,
                                          std::uint32_t& height);

/// Cuts frames out of bytes that arrive in pieces of any size.
class EditorFrameReader {
 public:
  void append(const char* data, std::size_t length) { buffer_.append(data, length); }
  enum class Next { Frame, NeedMore, Broken };
  /// The next whole frame, if one has arrived; Broken (for good) on an
  /// unknown type or an oversized length.
  Next next(EditorFrame& type, std::string& payload);

 private:
  std::string buffer_;
  std::size_t start_ = 0;
  bool broken_ = false;
};

}  // namespace talvo
