#pragma once
// Builds WAV files and whole sound packs on disk for the loader's tests.
#include <cstdint>
#include <string>
#include <vector>

#include "banks/runtime_bank.h"

namespace talvo::test {

using Bytes = std::vector<std::uint8_t>;

struct WavChunk {
  std::string id;  // four characters
  Bytes body;
  std::int64_t declaredSize = -1;  // -1: the body's real size
};

/// A RIFF/WAVE file of the given chunks; odd bodies get their pad byte.
Bytes riffWave(const std::vector<WavChunk>& chunks);
/// A 16-byte "fmt " body.
Bytes fmtBody(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits);
/// A 40-byte extensible "fmt " body whose SubFormat starts with `subTag`.
Bytes extensibleFmtBody(std::uint16_t subTag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits);
/// Little-endian integer samples of `width` bytes each (2 or 3).
Bytes pcm(const std::vector<std::int32_t>& samples, int width);
Bytes float32(const std::vector<float>& samples);
/// A "fmt " chunk followed by a "data" chunk.
Bytes wav(const Bytes& fmt, const Bytes& data);
/// A mono 16-bit file whose frame i holds i * 64; below 256 frames every
/// value survives the 16-bit grid exactly, so frame i decodes to i / 512.
Bytes monoRamp16(std::size_t frames, std::uint32_t rate = 44100);

/// A fresh directory under the build tree, removed with everything in it.
class TempBank {
 public:
  TempBank();
  ~TempBank();
  TempBank(const TempBank&) = delete;
  TempBank& operator=(const TempBank&) = delete;

  [[nodiscard]] const std::string& dir() const { return dir_; }
  void write(const std::string& relative, const std::string& text) const;
  void write(const std::string& relative, const Bytes& bytes) const;
  void symlink(const std::string& target, const std::string& relative) const;
  void writeSparse(const std::string& relative, std::uint64_t size) const;

  /// Writes the asset and returns its assetTable entry with size and digest.
  [[nodiscard]] std::string asset(const std::string& id, const std::string& path, const Bytes& bytes) const;
  /// Writes bank.json: format, id "demo", the asset entries and `rest` members.
  void manifest(const std::vector<std::string>& assets, const std::string& rest) const;
  /// Writes an instrument document holding `zones` (the inside of the array).
  void instrument(const std::string& path, const std::string& zones) const;

  [[nodiscard]] RuntimeBankLoad load(const std::string& instrument = "",
                                     std::uint64_t arenaFrames = 0) const {
    return loadRuntimeBank(dir_, arenaFrames, instrument);
  }

 private:
  std::string dir_;
};

}  // namespace talvo::test
