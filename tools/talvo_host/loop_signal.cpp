#include "talvo_host/loop_signal.h"

#include <algorithm>

#include "hosting/realtime_player.h"
#include "talvo_host/audio_file.h"

namespace talvo::host {
namespace {

// The part of an input file that is looped; the rest is never read.
constexpr double kMaxLoopSeconds = 60.0;

}  // namespace

bool loadLoopSignal(const std::string& path, LoopSignal& out, std::string& error) {
  if (path.empty()) {
    out = LoopSignal{};
    out.samples = testSignal(out.sampleRate);
    return true;
  }
  AudioFileReader reader;
  if (!reader.open(path, error)) return false;
  const auto frames = std::min<std::int64_t>(
      reader.frames(), static_cast<std::int64_t>(kMaxLoopSeconds * reader.sampleRate()));
  if (frames < 1) {
    error = path + " holds no audio";
    return false;
  }
  out.channels = reader.channels();
  out.sampleRate = reader.sampleRate();
  out.samples.resize(static_cast<std::size_t>(frames) * static_cast<std::size_t>(out.channels));
  return reader.read(out.samples.data(), static_cast<std::int32_t>(frames), error);
}

}  // namespace talvo::host
