#include "hosting/channel_map.h"

namespace talvo::host {

namespace {

std::string channels(std::int32_t count) {
  return count == 1 ? "mono" : count == 2 ? "stereo" : std::to_string(count) + "-channel";
}

}  // namespace

bool planInputChannels(std::int32_t fileChannels, std::int32_t busChannels, bool mixDown, std::string& note,
                       std::string& error) {
  note.clear();
  if (busChannels == 0) {
    note = "the plug-in has no audio input; the input file sets only the length";
  } else if (fileChannels > busChannels) {
    if (!mixDown && !(fileChannels == 2 && busChannels == 1)) {
      error = "the input has " + std::to_string(fileChannels) + " channels but the plug-in's input takes " +
              std::to_string(busChannels) + "; --mix-down averages them into its channels";
      return false;
    }
    note = channels(fileChannels) + " input mixed down to the plug-in's " + channels(busChannels) + " input";
  } else if (fileChannels == 1 && busChannels > 1) {
    note = "mono input fed to each of the plug-in's " + std::to_string(busChannels) + " input channels";
  } else if (fileChannels < busChannels) {
    note = "the plug-in's input channels past the file's " + std::to_string(fileChannels) + " get silence";
  }
  return true;
}

void spreadInputChannels(const float* in, std::int32_t fileChannels, std::int32_t frames, float* const* bus,
                         std::int32_t busChannels) noexcept {
  for (std::int32_t c = 0; c < busChannels; ++c) {
    float* out = bus[c];
    if (fileChannels == 1) {
      for (std::int32_t i = 0; i < frames; ++i)
        out[i] = in[i];
      continue;
    }
    std::int32_t sources = 0;
    for (std::int32_t k = c; k < fileChannels; k += busChannels)
      ++sources;
    const float scale = sources > 0 ? 1.0f / static_cast<float>(sources) : 0.0f;
    for (std::int32_t i = 0; i < frames; ++i) {
      float sum = 0.0f;
      for (std::int32_t k = c; k < fileChannels; k += busChannels)
        sum += in[i * fileChannels + k];
      out[i] = sum * scale;
    }
  }
}

}  // namespace talvo::host
