#include "talvo_host/output_format.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>

namespace talvo::host {

namespace {

struct Container {
  const char* name;
  const char* extensions[2];
  const char* title;
  int major;
  int defaultBits;  // 0: the container has no sample size to choose (a lossy codec)
  bool floats;      // holds 32-bit float samples
};

constexpr Container kContainers[] = {
    {"wav", {".wav", nullptr}, "WAV", SF_FORMAT_WAV, 32, true},
    {"flac", {".flac", nullptr}, "FLAC", SF_FORMAT_FLAC, 24, false},
    {"aiff", {".aif", ".aiff"}, "AIFF", SF_FORMAT_AIFF, 32, true},
    {"ogg", {".ogg", ".oga"}, "Ogg Vorbis", SF_FORMAT_OGG, 0, false},
};

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

const Container* byExtension(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return nullptr;
  const std::string extension = lower(path.substr(dot));
  for (const Container& c : kContainers) {
    for (const char* known : c.extensions) {
      if (known != nullptr && extension == known) return &c;
    }
  }
  return nullptr;
}

}  // namespace

bool chooseOutputFormat(const std::string& path, const std::string& format, int bits, OutputFormat& out,
                        std::string& error) {
  const Container* container = nullptr;
  if (!format.empty()) {
    for (const Container& c : kContainers) {
      if (lower(format) == c.name) container = &c;
    }
    if (container == nullptr) {
      error = "unknown --format " + format + "; wav, flac, aiff and ogg are known";
      return false;
    }
  } else if ((container = byExtension(path)) == nullptr) {
    error = "cannot tell the format of " + path + " from its extension; use .wav, .flac, .aiff or .ogg, " +
            "or name one with --format";
    return false;
  }
  if (container->defaultBits == 0) {
    if (bits != 0) {
      error = std::string(container->title) + " has no sample size to choose; leave out --bits";
      return false;
    }
    out = {container->major | SF_FORMAT_VORBIS, container->title, false};
    return true;
  }
  if (bits == 0) bits = container->defaultBits;
  if (bits != 16 && bits != 24 && !(bits == 32 && container->floats)) {
    error = std::string(container->title) +
            (container->floats ? " holds 16, 24 or 32 (float)" : " holds 16 or 24") + "-bit samples, not " +
            std::to_string(bits);
    return false;
  }
  const int subtype = bits == 16 ? SF_FORMAT_PCM_16 : bits == 24 ? SF_FORMAT_PCM_24 : SF_FORMAT_FLOAT;
  out = {container->major | subtype,
         std::string(container->title) + " " + std::to_string(bits) + (bits == 32 ? "-bit float" : "-bit"),
         bits == 32};
  return true;
}

}  // namespace talvo::host
