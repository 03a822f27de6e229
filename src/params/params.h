#pragma once
// The plug-in's fixed parameter table and the conversions between plain,
// normalized and text values. Plain C records so C-facing code can share them.
// The text reader hands a value over only on success: on false its output is
// untouched.
#include <cstddef>
#include <cstdint>
#include <string>

extern "C" {

/// One parameter. Identifiers equal row indices; 3 or more is never a parameter.
struct talvo_param_desc {
  std::uint32_t id;
  const char* path;
  const char* title;
  const char* group;
  std::uint32_t kind;  // TALVO_PARAM_KIND_*
  double minimum;
  double maximum;
  double step;  // 0: unquantised
  double default_plain;
  double default_normalized;
  const char* units;
  std::int32_t list_count;
  const char* const* list_labels;  // may be null
};

enum : std::uint32_t {
  TALVO_PARAM_KIND_CONTINUOUS = 0,
  TALVO_PARAM_KIND_LIST = 1,
  TALVO_PARAM_KIND_TOGGLE = 2,
};

enum : std::uint32_t { TALVO_PARAM_COUNT = 3 };

extern const talvo_param_desc TALVO_PARAMS[TALVO_PARAM_COUNT];

/// Plain to normalized by kind, clamped to 0..1; no step rounding.
double talvo_param_normalize(const talvo_param_desc* desc, double plain);

}  // extern "C"

namespace talvo {

enum : std::uint32_t {
  kParamRate = 0,
  kParamDepth = 1,
  kParamWet = 2,
};

/// The descriptor for an identifier, or null when it is not a parameter.
[[nodiscard]] const talvo_param_desc* paramById(std::uint32_t id);
/// The descriptor whose path equals `path` exactly, or null.
[[nodiscard]] const talvo_param_desc* paramByPath(const char* path);

/// Normalized to plain by kind (list index, toggle 0/1, or range with step rounding).
[[nodiscard]] double paramToPlain(const talvo_param_desc& desc, double normalized);
/// Same as talvo_param_normalize.
[[nodiscard]] double paramToNormalized(const talvo_param_desc& desc, double plain);
/// Display text of a normalized value: list label, "on"/"off", or the shortest
/// round-trip decimal form of the plain value.
[[nodiscard]] std::string paramToText(const talvo_param_desc& desc, double normalized);
/// Reads display text back; false when no number or label could be read. At
/// most 255 characters of `text` are considered.
[[nodiscard]] bool paramFromText(const talvo_param_desc& desc, const char* text, double& normalized);

/// Shortest decimal text that reads back to the same double (locale-free).
/// Writes at most 32 characters plus NUL into `out` and returns the length.
std::size_t formatShortestDouble(double value, char (&out)[33]);

}  // namespace talvo
