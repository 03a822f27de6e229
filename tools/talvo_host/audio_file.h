#pragma once
// Audio files through libsndfile, read and written block by block.
#include <sndfile.h>

#include <cstdint>
#include <string>

#include "hosting/offline_render.h"
#include "talvo_host/replacing_file.h"

namespace talvo::host {

/// Any format libsndfile reads.
class AudioFileReader final : public AudioSource {
 public:
  AudioFileReader() = default;
  ~AudioFileReader() override;
  AudioFileReader(const AudioFileReader&) = delete;
  AudioFileReader& operator=(const AudioFileReader&) = delete;

  /// Opens `path` and reads its header; false with a reason.
  [[nodiscard]] bool open(const std::string& path, std::string& error);
  [[nodiscard]] double sampleRate() const { return info_.samplerate; }
  [[nodiscard]] std::int32_t channels() const override { return info_.channels; }
  [[nodiscard]] std::int64_t frames() const override { return info_.frames; }
  [[nodiscard]] bool read(float* out, std::int32_t frames, std::string& error) override;

 private:
  std::string path_;
  SF_INFO info_{};
  SNDFILE* file_ = nullptr;
};

/// Writes a file of one libsndfile format beside `path` and puts it in
/// place on commit; dropped uncommitted, it leaves nothing behind.
class AudioFileWriter final : public AudioSink {
 public:
  AudioFileWriter(std::string path, int format, double sampleRate);
  ~AudioFileWriter() override;
  AudioFileWriter(const AudioFileWriter&) = delete;
  AudioFileWriter& operator=(const AudioFileWriter&) = delete;

  [[nodiscard]] bool open(std::int32_t channels, std::string& error) override;
  [[nodiscard]] bool write(const float* frames, std::int32_t count, std::string& error) override;
  /// Closes the file and renames it over the target.
  [[nodiscard]] bool commit(std::string& error);

 private:
  std::string path_;
  int format_;
  double sampleRate_;
  ReplacingFile target_;
  SNDFILE* file_ = nullptr;
};

}  // namespace talvo::host
