#include "banks/wav_decode.h"

#include <bit>
#include <cmath>
#include <cstring>

namespace talvo {
namespace {

static_assert(std::endian::native == std::endian::little, "float samples are read in place");

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatFloat = 3;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;

std::uint16_t readU16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t readU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

struct Pcm16 {
  static constexpr int kBytes = 2;
  static double read(const std::uint8_t* p) {
    return static_cast<std::int16_t>(readU16(p)) * (1.0 / 32768.0);
  }
};

struct Pcm24 {
  static constexpr int kBytes = 3;
  static double read(const std::uint8_t* p) {
    // Place the 24 bits at the top of a 32-bit word so the shift sign-extends.
    const auto word = static_cast<std::int32_t>((static_cast<std::uint32_t>(p[0]) << 8) |
                                                (static_cast<std::uint32_t>(p[1]) << 16) |
                                                (static_cast<std::uint32_t>(p[2]) << 24));
    return (word >> 8) * (1.0 / 8388608.0);
  }
};

struct Float32 {
  static constexpr int kBytes = 4;
  static double read(const std::uint8_t* p) {
    float value;
    std::memcpy(&value, p, sizeof value);
    return value;
  }
};

// Full scale goes in as 32767 and comes out over 32768, so +1.0 is stored as
// 32767/32768; halves round away from zero and a NaN sample is stored as
// silence. Truncation plus the exact remainder rounds without a libm call and
// without branches, which matters: round() per sample cost as much as the
// rest of the decode.
float quantize(double value) {
  value = value == value ? value : 0.0;
  double scaled = value * 32767.0;
  scaled = scaled < -32769.0 ? -32769.0 : scaled;
  scaled = scaled > 32768.0 ? 32768.0 : scaled;
  std::int32_t level = static_cast<std::int32_t>(scaled);
  const double remainder = scaled - level;  // exact (Sterbenz)
  level += static_cast<std::int32_t>(remainder >= 0.5) - static_cast<std::int32_t>(remainder <= -0.5);
  level = level < -32768 ? -32768 : level;
  level = level > 32767 ? 32767 : level;
  return static_cast<float>(level * (1.0 / 32768.0));
}

template <typename Sample>
void decodeFrames(const std::uint8_t* data, std::size_t frames, std::size_t stride, int channels,
                  float* out) {
  if (channels == 1) {
    for (std::size_t i = 0; i < frames; ++i)
      out[i] = quantize(Sample::read(data + i * stride));
  } else {
    for (std::size_t i = 0; i < frames; ++i) {
      const std::uint8_t* frame = data + i * stride;
      out[i] = quantize((Sample::read(frame) + Sample::read(frame + Sample::kBytes)) / 2.0);
    }
  }
}

struct ChunkScan {
  std::uint16_t formatTag = 0;
  std::uint16_t channels = 0;
  std::uint32_t sampleRate = 0;
  std::uint16_t bitsPerSample = 0;
  bool haveData = false;
  std::size_t dataStart = 0;
  std::size_t dataLength = 0;
};

void readFormat(const std::uint8_t* body, std::uint64_t size, ChunkScan& scan) {
  scan.formatTag = readU16(body);
  scan.channels = readU16(body + 2);
  scan.sampleRate = readU32(body + 4);
  scan.bitsPerSample = readU16(body + 14);
  // Extensible files carry the real tag in the first two bytes of the SubFormat GUID.
  if (size >= 40 && scan.formatTag == kFormatExtensible) scan.formatTag = readU16(body + 24);
}

// Walks the chunk list; every access is bounded by the input length.
ChunkScan scanChunks(const std::uint8_t* bytes, std::size_t length) {
  ChunkScan scan;
  std::uint64_t header = 12;
  while (header + 8 <= length) {
    const std::uint8_t* id = bytes + header;
    const std::uint64_t size = readU32(id + 4);
    const std::uint64_t body = header + 8;
    const bool isData = std::memcmp(id, "data", 4) == 0;
    if (size > length || body + size > length) {
      // A truncated final data chunk keeps whatever bytes are present.
      if (isData && body < length) {
        scan.haveData = true;
        scan.dataStart = body;
        scan.dataLength = length - body;
      }
      break;
    }
    if (std::memcmp(id, "fmt ", 4) == 0 && size >= 16) {
      readFormat(bytes + body, size, scan);
    } else if (isData) {
      scan.haveData = true;
      scan.dataStart = body;
      scan.dataLength = size;
    }
    header = body + size + (size & 1);
  }
  return scan;
}

}  // namespace

bool inspectWav(const std::vector<std::uint8_t>& bytes, WavLayout& layout, std::string& error) {
  const std::uint8_t* data = bytes.data();
  if (bytes.size() < 44 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0) {
    error = "not a RIFF/WAVE file";
    return false;
  }
  const ChunkScan scan = scanChunks(data, bytes.size());
  if (!scan.haveData || scan.dataLength == 0) {
    error = "no data chunk";
    return false;
  }
  if (scan.channels != 1 && scan.channels != 2) {
    error = "unsupported channel count " + std::to_string(scan.channels);
    return false;
  }
  const auto stride = static_cast<std::uint16_t>(scan.channels * (scan.bitsPerSample / 8));
  if (scan.bitsPerSample < 8 || scan.dataLength < stride) {
    error = "empty or unreadable data chunk";
    return false;
  }
  const std::uint16_t tag = scan.formatTag;
  const std::uint16_t bits = scan.bitsPerSample;
  if (!(tag == kFormatPcm && (bits == 16 || bits == 24)) && !(tag == kFormatFloat && bits == 32)) {
    error = "unsupported WAV format tag " + std::to_string(tag) + " / " + std::to_string(bits) + "-bit";
    return false;
  }
  layout.frames = scan.dataLength / stride;
  layout.sampleRate = scan.sampleRate == 0 ? 48000.0 : static_cast<double>(scan.sampleRate);
  layout.dataStart = scan.dataStart;
  layout.stride = stride;
  layout.channels = scan.channels;
  layout.formatTag = tag;
  layout.bitsPerSample = bits;
  return true;
}

void decodeWavFrames(const std::vector<std::uint8_t>& bytes, const WavLayout& layout, float* out) {
  const std::uint8_t* samples = bytes.data() + layout.dataStart;
  if (layout.formatTag == kFormatFloat) {
    decodeFrames<Float32>(samples, layout.frames, layout.stride, layout.channels, out);
  } else if (layout.bitsPerSample == 24) {
    decodeFrames<Pcm24>(samples, layout.frames, layout.stride, layout.channels, out);
  } else {
    decodeFrames<Pcm16>(samples, layout.frames, layout.stride, layout.channels, out);
  }
}

bool decodeWav(const std::vector<std::uint8_t>& bytes, WavAudio& audio, std::string& error) {
  WavLayout layout;
  if (!inspectWav(bytes, layout, error)) return false;
  audio.sampleRate = layout.sampleRate;
  audio.samples.resize(layout.frames);
  decodeWavFrames(bytes, layout, audio.samples.data());
  return true;
}

}  // namespace talvo
