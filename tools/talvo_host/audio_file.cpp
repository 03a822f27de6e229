#include "talvo_host/audio_file.h"

#include <sndfile.h>

#include <cmath>

namespace talvo::host {

bool readAudioFile(const std::string& path, AudioData& out, std::string& error) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) {
    error = "cannot read " + path + ": " + sf_strerror(nullptr);
    return false;
  }
  if (info.channels < 1 || info.samplerate < 1) {
    sf_close(file);
    error = path + " has no channels or no sample rate";
    return false;
  }
  AudioData audio;
  audio.channels = info.channels;
  audio.sampleRate = info.samplerate;
  audio.samples.resize(static_cast<std::size_t>(info.frames) * static_cast<std::size_t>(info.channels));
  sf_count_t got = sf_readf_float(file, audio.samples.data(), info.frames);
  sf_close(file);
  if (got != info.frames) {
    error = "cannot read all of " + path;
    return false;
  }
  out = std::move(audio);
  return true;
}

bool writeAudioFile(const std::string& path, const AudioData& audio, std::string& error) {
  SF_INFO info{};
  info.channels = audio.channels;
  info.samplerate = static_cast<int>(std::lround(audio.sampleRate));
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) {
    error = "cannot write " + path + ": " + sf_strerror(nullptr);
    return false;
  }
  // The PEAK chunk carries a timestamp; without it two renders of the same
  // input are byte-identical.
  sf_command(file, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
  sf_count_t wrote = sf_writef_float(file, audio.samples.data(), audio.frames());
  int closed = sf_close(file);
  if (wrote != audio.frames() || closed != 0) {
    error = "cannot write all of " + path;
    return false;
  }
  return true;
}

}  // namespace talvo::host
