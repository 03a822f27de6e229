#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "bank_writer.h"
#include "bridge/sha256.h"

namespace talvo::test {
namespace {

void put(Bytes& out, std::uint32_t value, int width) {
  for (int i = 0; i < width; ++i)
    out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

Bytes riffWave(const std::vector<WavChunk>& chunks) {
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

Bytes fmtBody(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
  Bytes out;
  put(out, tag, 2);
  put(out, channels, 2);
  put(out, rate, 4);
  put(out, rate * channels * (bits / 8), 4);
  put(out, channels * (bits / 8), 2);
  put(out, bits, 2);
  return out;
}

Bytes extensibleFmtBody(std::uint16_t subTag, std::uint16_t channels, std::uint32_t rate,
                        std::uint16_t bits) {
  Bytes out = fmtBody(0xFFFE, channels, rate, bits);
  put(out, 22, 2);    // extension size
  put(out, bits, 2);  // valid bits
  put(out, 3, 4);     // channel mask
  put(out, subTag, 2);
  const std::uint8_t guidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                     0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
  out.insert(out.end(), guidTail, guidTail + 14);
  return out;
}

Bytes pcm(const std::vector<std::int32_t>& samples, int width) {
  Bytes out;
  for (std::int32_t s : samples)
    put(out, static_cast<std::uint32_t>(s), width);
  return out;
}

Bytes float32(const std::vector<float>& samples) {
  Bytes out(samples.size() * 4);
  std::memcpy(out.data(), samples.data(), out.size());
  return out;
}

Bytes wav(const Bytes& fmt, const Bytes& data) {
  return riffWave({{"fmt ", fmt}, {"data", data}});
}

Bytes monoRamp16(std::size_t frames, std::uint32_t rate) {
  std::vector<std::int32_t> samples(frames);
  for (std::size_t i = 0; i < frames; ++i)
    samples[i] = static_cast<std::int32_t>(i * 64);
  return wav(fmtBody(1, 1, rate, 16), pcm(samples, 2));
}

TempBank::TempBank() {
  static std::atomic<int> counter{0};
  std::random_device random;
  const std::filesystem::path root = std::filesystem::path(TALVO_BINARY_DIR) / "banks-test-tmp";
  dir_ = (root / ("bank-" + std::to_string(random()) + "-" + std::to_string(counter++))).string();
  std::filesystem::create_directories(dir_);
}

TempBank::~TempBank() {
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

void TempBank::write(const std::string& relative, const std::string& text) const {
  write(relative, Bytes(text.begin(), text.end()));
}

void TempBank::write(const std::string& relative, const Bytes& bytes) const {
  const std::filesystem::path path = std::filesystem::path(dir_) / relative;
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void TempBank::symlink(const std::string& target, const std::string& relative) const {
  const std::filesystem::path path = std::filesystem::path(dir_) / relative;
  std::filesystem::create_directories(path.parent_path());
  std::filesystem::create_symlink(target, path);
}

void TempBank::writeSparse(const std::string& relative, std::uint64_t size) const {
  write(relative, Bytes());
  std::filesystem::resize_file(std::filesystem::path(dir_) / relative, size);
}

std::string TempBank::asset(const std::string& id, const std::string& path, const Bytes& bytes) const {
  write(path, bytes);
  return R"({"id":")" + id + R"(","path":")" + path + R"(","bytes":)" + std::to_string(bytes.size()) +
         R"(,"sha256":")" + sha256Hex(bytes.data(), static_cast<std::uint32_t>(bytes.size())) + "\"}";
}

void TempBank::manifest(const std::vector<std::string>& assets, const std::string& rest) const {
  std::string text = R"({"format":"talvo-sound-pack/v1","id":"demo","version":"1.2","name":"Demo Pack",)";
  text += "\"assetTable\":[";
  for (std::size_t i = 0; i < assets.size(); ++i)
    text += (i ? "," : "") + assets[i];
  write("bank.json", text + "]" + (rest.empty() ? "" : "," + rest) + "}");
}

void TempBank::instrument(const std::string& path, const std::string& zones) const {
  write(path, R"({"format":"talvo-sampler-instrument/v1","zones":[)" + zones + "]}");
}

}  // namespace talvo::test
