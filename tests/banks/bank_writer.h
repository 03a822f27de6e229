#pragma once
// Builds WAV files and whole sound packs on disk for the loader's tests.
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "banks/runtime_bank.h"
#include "bridge/sha256.h"
#include "support/scratch_dir.h"

namespace talvo::test {

using Bytes = std::vector<std::uint8_t>;

/// Appends `value` little-endian in `width` bytes.
inline void put(Bytes& out, std::uint32_t value, int width) {
  for (int i = 0; i < width; ++i)
    out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

struct WavChunk {
  std::string id;  // four characters
  Bytes body;
  std::int64_t declaredSize = -1;  // -1: the body's real size
};

/// A RIFF/WAVE file of the given chunks; odd bodies get their pad byte.
inline Bytes riffWave(const std::vector<WavChunk>& chunks) {
  Bytes out = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
  for (const WavChunk& chunk : chunks) {
    out.insert(out.end(), chunk.id.begin(), chunk.id.begin() + 4);
    put(out, static_cast<std::uint32_t>(chunk.declaredSize >= 0 ? chunk.declaredSize : chunk.body.size()), 4);
    out.insert(out.end(), chunk.body.begin(), chunk.body.end());
    if (chunk.body.size() % 2 == 1 && chunk.declaredSize < 0) out.push_back(0);
  }
  const auto riffSize = static_cast<std::uint32_t>(out.size() - 8);
  std::memcpy(out.data() + 4, &riffSize, 4);
  return out;
}

/// A 16-byte "fmt " body.
inline Bytes fmtBody(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
  Bytes out;
  put(out, tag, 2);
  put(out, channels, 2);
  put(out, rate, 4);
  put(out, rate * channels * (bits / 8), 4);
  put(out, channels * (bits / 8), 2);
  put(out, bits, 2);
  return out;
}

/// A 40-byte extensible "fmt " body whose SubFormat GUID starts with `subTag`.
inline Bytes extensibleFmtBody(std::uint16_t subTag, std::uint16_t channels, std::uint32_t rate,
                               std::uint16_t bits) {
  Bytes out = fmtBody(0xFFFE, channels, rate, bits);
  put(out, 22, 2);    // extension size
  put(out, bits, 2);  // valid bits
  put(out, 3, 4);     // channel mask
  put(out, subTag, 2);
  out.insert(out.end(), {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71});
  return out;
}

/// Little-endian integer samples of `width` bytes each (2 or 3).
inline Bytes pcm(const std::vector<std::int32_t>& samples, int width) {
  Bytes out;
  for (std::int32_t s : samples)
    put(out, static_cast<std::uint32_t>(s), width);
  return out;
}

inline Bytes float32(const std::vector<float>& samples) {
  Bytes out(samples.size() * 4);
  std::memcpy(out.data(), samples.data(), out.size());
  return out;
}

inline Bytes wav(const Bytes& fmt, const Bytes& data) {
  return riffWave({{"fmt ", fmt}, {"data", data}});
}

/// A mono 16-bit file whose frame i holds i * 64; below 256 frames every
/// value survives the 16-bit grid exactly, so frame i decodes to i / 512.
inline Bytes monoRamp16(std::size_t frames, std::uint32_t rate = 44100) {
  std::vector<std::int32_t> samples(frames);
  for (std::size_t i = 0; i < frames; ++i)
    samples[i] = static_cast<std::int32_t>(i * 64);
  return wav(fmtBody(1, 1, rate, 16), pcm(samples, 2));
}

/// A bank.json: format, id "demo", the asset entries and `rest` members.
inline std::string packManifest(const std::vector<std::string>& assets, const std::string& rest) {
  std::string text = R"({"format":"talvo-sound-pack/v1","id":"demo","version":"1.2","name":"Demo Pack",)";
  text += "\"assetTable\":[";
  for (std::size_t i = 0; i < assets.size(); ++i)
    text += (i ? "," : "") + assets[i];
  return text + "]" + (rest.empty() ? "" : "," + rest) + "}";
}

/// An instrument document holding `zones` (the inside of the array).
inline std::string instrumentDocument(const std::string& zones) {
  return R"({"format":"talvo-sampler-instrument/v1","zones":[)" + zones + "]}";
}

/// A scratch directory for sound packs.
class TempBank : public ScratchDir {
 public:
  using ScratchDir::write;
  void write(const std::string& relative, const Bytes& bytes) const {
    write(relative, std::string(bytes.begin(), bytes.end()));
  }
  void symlink(const std::string& target, const std::string& relative) const {
    std::filesystem::create_symlink(target, prepare(relative));
  }
  void writeSparse(const std::string& relative, std::uint64_t size) const {
    write(relative, Bytes());
    std::filesystem::resize_file(prepare(relative), size);
  }

  /// Writes the asset and returns its assetTable entry with size and digest.
  [[nodiscard]] std::string asset(const std::string& id, const std::string& path, const Bytes& bytes) const {
    write(path, bytes);
    return R"({"id":")" + id + R"(","path":")" + path + R"(","bytes":)" + std::to_string(bytes.size()) +
           R"(,"sha256":")" + sha256Hex(bytes.data(), static_cast<std::uint32_t>(bytes.size())) + "\"}";
  }
  void manifest(const std::vector<std::string>& assets, const std::string& rest) const {
    write("bank.json", packManifest(assets, rest));
  }
  void instrument(const std::string& path, const std::string& zones) const {
    write(path, instrumentDocument(zones));
  }

  /// A valid pack in `prefix` (a folder path ending in "/", or empty): one
  /// 100-frame asset played by the instrument "piano".
  void pack(const std::string& prefix = "") const {
    write(prefix + "a.wav", monoRamp16(100));
    write(prefix + "bank.json", packManifest({R"({"id":"a","path":"a.wav"})"},
                                             R"("instruments":[{"id":"piano","document":"p.json"}])"));
    instrument(prefix + "p.json", R"({"id":"z","assetId":"a"})");
  }

  [[nodiscard]] RuntimeBankLoad load(const std::string& instrument = "",
                                     std::uint64_t arenaFrames = 0) const {
    return loadRuntimeBank(dir(), arenaFrames, instrument);
  }
};

}  // namespace talvo::test
