#include "vst3/stream_bytes.h"

namespace talvo {

using namespace Steinberg;

bool readStreamBytes(IBStream& stream, std::string& out, std::size_t maxBytes) {
  constexpr int32 kPiece = 4096;
  char piece[kPiece];
  for (;;) {
    int32 got = 0;
    if (stream.read(piece, kPiece, &got) != kResultOk || got <= 0) return true;
    if (got > kPiece || out.size() + static_cast<std::size_t>(got) > maxBytes) return false;
    out.append(piece, static_cast<std::size_t>(got));
    if (got < kPiece) return true;
  }
}

}  // namespace talvo
