#include "editor/editor_channel.h"

namespace talvo {
namespace {

void appendU32(std::string& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8)
    out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

std::uint32_t readU32(const char* bytes) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i)
    value = (value << 8) | static_cast<unsigned char>(bytes[i]);
  return value;
}

bool isKnown(char type) {
  switch (static_cast<EditorFrame>(type)) {
    case EditorFrame::Script:
    case EditorFrame::Size:
    case EditorFrame::Message:
    case EditorFrame::Error:
      return true;
  }
  return false;
}

}  // namespace

void appendEditorFrame(std::string& out, EditorFrame type, std::string_view payload) {
  out.push_back(static_cast<char>(type));
  appendU32(out, static_cast<std::uint32_t>(payload.size()));
  out.append(payload);
}

std::string editorSizePayload(std::uint32_t width, std::uint32_t height) {
  std::string payload;
  appendU32(payload, width);
  appendU32(payload, height);
  return payload;
}

bool parseEditorSizePayload(std::string_view payload, std::uint32_t& width, std::uint32_t& height) {
  if (payload.size() != 8) return false;
  width = readU32(payload.data());
  height = readU32(payload.data() + 4);
  return true;
}

EditorFrameReader::Next EditorFrameReader::next(EditorFrame& type, std::string& payload) {
  if (broken_) return Next::Broken;
  const std::size_t available = buffer_.size() - start_;
  if (available < 5) return Next::NeedMore;
  const char* head = buffer_.data() + start_;
  const std::uint32_t length = readU32(head + 1);
  if (!isKnown(head[0]) || length > kMaxEditorFrame) {
    broken_ = true;
    return Next::Broken;
  }
  if (available - 5 < length) return Next::NeedMore;
  type = static_cast<EditorFrame>(head[0]);
  payload.assign(head + 5, length);
  start_ += 5 + length;
  // Drop consumed bytes once they outweigh what is left, keeping appends cheap.
  if (start_ > buffer_.size() / 2) {
    buffer_.erase(0, start_);
    start_ = 0;
  }
  return Next::Frame;
}

}  // namespace talvo
