#pragma once
// The controller's factory presets; the program list "Factory Presets" shows
// them in this order. Values are normalized, in parameter order.
#include "params/params.h"

namespace talvo {

struct FactoryPreset {
  const char* id;
  const char* name;
  double normalized[TALVO_PARAM_COUNT];
};

/// One preset, equal to the parameter defaults.
inline constexpr FactoryPreset kFactoryPresets[] = {
    {"default", "Default", {(5.0 - 0.1) / (20.0 - 0.1), 0.1, 1.0}},
};

}  // namespace talvo
