#include "talvo_host/audio_file.h"

#include <cmath>

namespace talvo::host {

AudioFileReader::~AudioFileReader() {
  if (file_ != nullptr) sf_close(file_);
}

bool AudioFileReader::open(const std::string& path, std::string& error) {
  path_ = path;
  file_ = sf_open(path.c_str(), SFM_READ, &info_);
  if (file_ == nullptr) {
    error = "cannot read " + path + ": " + sf_strerror(nullptr);
    return false;
  }
  if (info_.channels < 1 || info_.samplerate < 1 || info_.frames < 0) {
    error = path + " has no channels, no sample rate or no length";
    return false;
  }
  return true;
}

bool AudioFileReader::read(float* out, std::int32_t frames, std::string& error) {
  if (sf_readf_float(file_, out, frames) != frames) {
    error = "cannot read all of " + path_ + ": " + sf_strerror(file_);
    return false;
  }
  return true;
}

AudioFileWriter::AudioFileWriter(std::string path, int format, double sampleRate)
    : path_(std::move(path)), format_(format), sampleRate_(sampleRate), target_(path_) {}

AudioFileWriter::~AudioFileWriter() {
  if (file_ != nullptr) sf_close(file_);
}

bool AudioFileWriter::open(std::int32_t channels, std::string& error) {
  SF_INFO info{};
  info.channels = channels;
  info.samplerate = static_cast<int>(std::lround(sampleRate_));
  info.format = format_;
  if (!sf_format_check(&info)) {
    error = "the output format cannot hold " + std::to_string(channels) + " channels at " +
            std::to_string(info.samplerate) + " Hz";
    return false;
  }
  const int fd = target_.create(error);
  if (fd < 0) return false;
  file_ = sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE);
  if (file_ == nullptr) {
    error = "cannot write " + path_ + ": " + sf_strerror(nullptr);
    return false;
  }
  // The PEAK chunk carries a timestamp; without it two renders of the same
  // input are byte-identical.
  sf_command(file_, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
  // Integer formats clip what lies past full scale instead of wrapping it round.
  sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  return true;
}

bool AudioFileWriter::write(const float* frames, std::int32_t count, std::string& error) {
  if (sf_writef_float(file_, frames, count) != count) {
    error = "cannot write all of " + path_ + ": " + sf_strerror(file_);
    return false;
  }
  return true;
}

bool AudioFileWriter::commit(std::string& error) {
  const int closed = sf_close(file_);
  file_ = nullptr;
  if (closed != 0) {
    error = "cannot write all of " + path_ + ": " + sf_error_number(closed);
    return false;
  }
  return target_.commit(error);
}

}  // namespace talvo::host
