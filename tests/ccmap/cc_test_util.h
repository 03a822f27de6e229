#pragma once
// Small builders shared by the CC library tests.
#include <cstdint>
#include <initializer_list>
#include <string>

#include <gtest/gtest.h>

#include "ccmap/cc_map.h"

namespace talvo::test {

inline CcBinding ccBinding(std::uint32_t param, std::uint8_t cc, std::uint8_t valueMode = kCcValueAbsolute,
                           std::uint8_t takeover = kCcTakeoverJump, std::uint8_t curve = kCcCurveLinear) {
  CcBinding b;
  b.param = param;
  b.cc = cc;
  b.valueMode = valueMode;
  b.takeover = takeover;
  b.curve = curve;
  return b;
}

inline CcBinding withRange(CcBinding b, double min, double max) {
  b.hasMin = b.hasMax = true;
  b.min = min;
  b.max = max;
  return b;
}

inline CcMap ccMapOf(std::initializer_list<CcBinding> bindings) {
  CcMap map;
  for (const CcBinding& b : bindings)
    map.bindings[map.count++] = b;
  return map;
}

/// The one binding of the CC map document "[{members}]".
inline CcBinding parsedBinding(const std::string& members) {
  const std::string text = "[{" + members + "}]";
  CcMap map;
  EXPECT_TRUE(parseCcMapJson(text.data(), text.size(), map) && map.count == 1) << text;
  return map.bindings[0];
}

}  // namespace talvo::test
