#include "params/params.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "bridge/json_read.h"

extern "C" const talvo_param_desc TALVO_PARAMS[TALVO_PARAM_COUNT] = {
    {0, "oriel.rate", "Rate", "Oriel", TALVO_PARAM_KIND_CONTINUOUS, 0.1, 20.0, 0.0, 5.0,
     (5.0 - 0.1) / (20.0 - 0.1), "Hz", 0, nullptr},
    {1, "oriel.depth", "Depth", "Oriel", TALVO_PARAM_KIND_CONTINUOUS, 0.0, 1.0, 0.0, 0.1, 0.1, "", 0,
     nullptr},
    {2, "oriel.wet", "Mix", "Oriel", TALVO_PARAM_KIND_CONTINUOUS, 0.0, 1.0, 0.0, 1.0, 1.0, "", 0, nullptr},
};

namespace {

double clamp01(double v) {
  return std::clamp(v, 0.0, 1.0);
}

// Shared by the plain and text directions: a number read from text is
// normalized exactly as a plain value is.
double normalizeByKind(const talvo_param_desc& d, double plain) {
  switch (d.kind) {
    case TALVO_PARAM_KIND_LIST:
      if (d.list_count >= 2) {
        const double last = static_cast<double>(d.list_count - 1);
        return std::clamp(plain, 0.0, last) / last;
      }
      return 0.0;
    case TALVO_PARAM_KIND_TOGGLE:
      return plain == 0.0 ? 0.0 : 1.0;
    default:
      if (d.maximum != d.minimum) return clamp01((plain - d.minimum) / (d.maximum - d.minimum));
      return 0.0;
  }
}

double listIndex(const talvo_param_desc& d, double normalized) {
  const double n = static_cast<double>(d.list_count - 1);
  return std::clamp(std::floor(n * normalized + 0.5), 0.0, std::max(n, 0.0));
}

}  // namespace

extern "C" double talvo_param_normalize(const talvo_param_desc* desc, double plain) {
  return desc ? normalizeByKind(*desc, plain) : 0.0;
}

namespace talvo {

const talvo_param_desc* paramById(std::uint32_t id) {
  return id < TALVO_PARAM_COUNT ? &TALVO_PARAMS[id] : nullptr;
}

const talvo_param_desc* paramByPath(const char* path) {
  if (!path) return nullptr;
  for (const auto& d : TALVO_PARAMS) {
    if (std::strcmp(d.path, path) == 0) return &d;
  }
  return nullptr;
}

double paramToPlain(const talvo_param_desc& d, double normalized) {
  switch (d.kind) {
    case TALVO_PARAM_KIND_LIST:
      return listIndex(d, normalized);
    case TALVO_PARAM_KIND_TOGGLE:
      return normalized >= 0.5 ? 1.0 : 0.0;
    default: {
      double v = d.minimum + clamp01(normalized) * (d.maximum - d.minimum);
      if (d.step != 0.0) v = d.step * std::floor(v / d.step + 0.5);
      return v;
    }
  }
}

double paramToNormalized(const talvo_param_desc& d, double plain) {
  return normalizeByKind(d, plain);
}

std::size_t formatShortestDouble(double value, char (&out)[33]) {
  const auto result = std::to_chars(out, out + 32, value);
  const std::size_t length = result.ec == std::errc() ? static_cast<std::size_t>(result.ptr - out) : 0;
  out[length] = '\0';
  return length;
}

std::string paramToText(const talvo_param_desc& d, double normalized) {
  if (d.kind == TALVO_PARAM_KIND_LIST && d.list_labels) {
    const double index = listIndex(d, normalized);
    if (index >= 0 && index < d.list_count) {
      const char* label = d.list_labels[static_cast<int>(index)];
      return label ? label : "";
    }
    return "";
  }
  if (d.kind == TALVO_PARAM_KIND_TOGGLE) return normalized >= 0.5 ? "on" : "off";
  char text[33];
  formatShortestDouble(paramToPlain(d, normalized), text);
  return text;
}

bool paramFromText(const talvo_param_desc& d, const char* text, double& normalized) {
  if (!text) return false;
  char ascii[256] = {};
  std::size_t length = 0;
  while (text[length] && length < sizeof ascii - 1) {
    ascii[length] = text[length];
    ++length;
  }
  ascii[length] = '\0';

  if (d.kind == TALVO_PARAM_KIND_TOGGLE) {
    if (std::strcmp(ascii, "on") == 0 || std::strcmp(ascii, "true") == 0) {
      normalized = 1.0;
      return true;
    }
    if (std::strcmp(ascii, "off") == 0 || std::strcmp(ascii, "false") == 0) {
      normalized = 0.0;
      return true;
    }
  }
  if (d.kind == TALVO_PARAM_KIND_LIST && d.list_labels && d.list_count >= 1) {
    for (std::int32_t i = 0; i < d.list_count; ++i) {
      if (d.list_labels[i] && std::strcmp(d.list_labels[i], ascii) == 0) {
        normalized =
            d.list_count == 1 ? 0.0 : static_cast<double>(std::min(i, d.list_count - 1)) / (d.list_count - 1);
        return true;
      }
    }
  }
  // A leading number as strtod reads it: white space first, anything after it ignored.
  const char* start = ascii;
  while (*start == ' ' || (*start >= '\t' && *start <= '\r'))
    ++start;
  JsonReader reader{start, ascii + length};
  double value = 0.0;
  if (!parseNumber(reader, &value)) return false;
  // "nan" reads as a number but names no value; it must not reach a parameter.
  if (std::isnan(value)) return false;
  normalized = normalizeByKind(d, value);
  return true;
}

}  // namespace talvo
