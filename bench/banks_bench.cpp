// Loading a sound pack of 64 stereo 24-bit assets of 2 s each, and the three
// stages the load spends its time in: reading, hashing and decoding.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "banks/bank_files.h"
#include "banks/runtime_bank.h"
#include "banks/wav_decode.h"
#include "bridge/sha256.h"

namespace {

constexpr int kAssets = 64;
constexpr std::uint32_t kRate = 48000;
constexpr std::uint32_t kFrames = 2 * kRate;

void putU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void putU16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

// A stereo 24-bit file of two detuned sawtooth-like ramps, different per asset.
std::vector<std::uint8_t> stereo24(int seed) {
  const std::uint32_t dataBytes = kFrames * 6;
  std::vector<std::uint8_t> out = {'R', 'I', 'F', 'F'};
  putU32(out, 36 + dataBytes);
  out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  putU32(out, 16);
  putU16(out, 1);
  putU16(out, 2);
  putU32(out, kRate);
  putU32(out, kRate * 6);
  putU16(out, 6);
  putU16(out, 24);
  out.insert(out.end(), {'d', 'a', 't', 'a'});
  putU32(out, dataBytes);
  std::uint32_t left = static_cast<std::uint32_t>(seed) * 7919u;
  std::uint32_t right = static_cast<std::uint32_t>(seed) * 104729u;
  for (std::uint32_t i = 0; i < kFrames; ++i) {
    left += 3000 + static_cast<std::uint32_t>(seed);
    right += 3100;
    for (std::uint32_t v : {left, right}) {
      out.push_back(static_cast<std::uint8_t>(v >> 8));
      out.push_back(static_cast<std::uint8_t>(v >> 16));
      out.push_back(static_cast<std::uint8_t>(v >> 24));
    }
  }
  return out;
}

// Appending instead of "s" + to_string(i) sidesteps a false -Wrestrict in GCC 12.
std::string numbered(const char* prefix, int i) {
  std::string text = prefix;
  text += std::to_string(i);
  return text;
}

struct GeneratedBank {
  GeneratedBank() {
    // A name of its own, so runs started side by side do not share files.
    dir = (std::filesystem::temp_directory_path() /
           numbered("talvo-banks-bench-", static_cast<int>(std::random_device()() & 0x7FFFFFFF)))
              .string();
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir + "/samples");
    std::string assets;
    std::string zones;
    for (int i = 0; i < kAssets; ++i) {
      const std::vector<std::uint8_t> bytes = stereo24(i);
      const std::string id = numbered("s", i);
      const std::string path = "samples/" + id + ".wav";
      std::ofstream(dir + "/" + path, std::ios::binary)
          .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
      if (i > 0) {
        assets += ',';
        zones += ',';
      }
      assets += R"({"id":")";
      assets += id;
      assets += R"(","path":")";
      assets += path;
      assets += R"(","bytes":)";
      assets += std::to_string(bytes.size());
      assets += R"(,"sha256":")";
      assets += talvo::sha256Hex(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
      assets += "\"}";
      zones += R"({"assetId":")";
      zones += id;
      zones += R"(","lowKey":)";
      zones += std::to_string(36 + i);
      zones += '}';
      paths.push_back(dir + "/" + path);
      wavBytes += bytes.size();
    }
    std::ofstream(dir + "/bank.json")
        << R"({"format":"talvo-sound-pack/v1","id":"bench","assetTable":[)" << assets
        << R"(],"instruments":[{"id":"keys","document":"keys.json"}]})";
    std::ofstream(dir + "/keys.json")
        << R"({"format":"talvo-sampler-instrument/v1","zones":[)" << zones << "]}";
  }
  ~GeneratedBank() { std::filesystem::remove_all(dir); }

  std::string dir;
  std::vector<std::string> paths;
  std::uint64_t wavBytes = 0;
};

const GeneratedBank& bank() {
  static const GeneratedBank generated;
  return generated;
}

void reportWavRate(benchmark::State& state) {
  const auto bytes = static_cast<std::int64_t>(bank().wavBytes);
  state.SetBytesProcessed(state.iterations() * bytes);
  state.counters["wav_MB/s"] =
      benchmark::Counter(static_cast<double>(bytes) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_LoadBank(benchmark::State& state) {
  for (auto _ : state) {
    talvo::RuntimeBankLoad load = talvo::loadRuntimeBank(bank().dir, 0, "");
    if (load.outcome != talvo::RuntimeBankOutcome::kOk) state.SkipWithError(load.error.c_str());
    benchmark::DoNotOptimize(load.bank.samplePool.data());
  }
  reportWavRate(state);
}
BENCHMARK(BM_LoadBank)->Unit(benchmark::kMillisecond);

void BM_ReadAssets(benchmark::State& state) {
  std::vector<std::uint8_t> bytes;
  for (auto _ : state) {
    for (const std::string& path : bank().paths) {
      std::vector<std::uint8_t> fresh;  // the loader reads every asset into a new buffer
      if (!talvo::readWholeFile(path, fresh)) state.SkipWithError("read failed");
      benchmark::DoNotOptimize(fresh.data());
    }
  }
  reportWavRate(state);
}
BENCHMARK(BM_ReadAssets)->Unit(benchmark::kMillisecond);

std::vector<std::vector<std::uint8_t>> assetBytes() {
  std::vector<std::vector<std::uint8_t>> all(bank().paths.size());
  for (std::size_t i = 0; i < all.size(); ++i)
    (void)talvo::readWholeFile(bank().paths[i], all[i]);
  return all;
}

void BM_HashAssets(benchmark::State& state) {
  const auto all = assetBytes();
  for (auto _ : state) {
    for (const auto& bytes : all) {
      benchmark::DoNotOptimize(talvo::sha256Hex(bytes.data(), static_cast<std::uint32_t>(bytes.size())));
    }
  }
  reportWavRate(state);
}
BENCHMARK(BM_HashAssets)->Unit(benchmark::kMillisecond);

void BM_DecodeAssets(benchmark::State& state) {
  const auto all = assetBytes();
  for (auto _ : state) {
    for (const auto& bytes : all) {
      talvo::WavAudio audio;
      std::string error;
      if (!talvo::decodeWav(bytes, audio, error)) state.SkipWithError(error.c_str());
      benchmark::DoNotOptimize(audio.samples.data());
    }
  }
  reportWavRate(state);
}
BENCHMARK(BM_DecodeAssets)->Unit(benchmark::kMillisecond);

}  // namespace
