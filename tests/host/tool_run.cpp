#include "host/tool_run.h"

#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>

#include <cstdio>

namespace talvo::test {

ToolRun runTool(const std::string& arguments) {
  ToolRun result;
  FILE* pipe = popen((std::string(TALVO_BINARY_DIR) + "/talvo-host " + arguments + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
    result.output += buffer;
  const int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

Audio readAudio(const std::filesystem::path& path) {
  Audio audio;
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  EXPECT_NE(file, nullptr) << path << ": " << sf_strerror(nullptr);
  if (file == nullptr) return audio;
  audio.channels = info.channels;
  audio.sampleRate = info.samplerate;
  audio.format = info.format;
  audio.samples.resize(static_cast<std::size_t>(info.frames * info.channels));
  EXPECT_EQ(sf_readf_float(file, audio.samples.data(), info.frames), info.frames) << path;
  sf_close(file);
  return audio;
}

void writeAudio(const std::filesystem::path& path, const Audio& audio) {
  SF_INFO info{};
  info.channels = audio.channels;
  info.samplerate = static_cast<int>(audio.sampleRate);
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr) << path << ": " << sf_strerror(nullptr);
  EXPECT_EQ(sf_writef_float(file, audio.samples.data(), audio.frames()), audio.frames());
  sf_close(file);
}

Audio noise(double rate, double seconds, int channels) {
  Audio audio;
  audio.channels = channels;
  audio.sampleRate = rate;
  audio.samples.resize(static_cast<std::size_t>(rate * seconds) * static_cast<std::size_t>(channels));
  std::uint32_t state = 12345;
  for (float& sample : audio.samples) {
    state = state * 1664525u + 1013904223u;
    sample = static_cast<float>(state >> 8) / 16777216.0f - 0.5f;
  }
  return audio;
}

}  // namespace talvo::test
