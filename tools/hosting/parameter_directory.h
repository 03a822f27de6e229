#pragma once
// The parameters of one plug-in as its own controller publishes them, and how
// a user's words name one. A name is, in this order: a numeric identifier;
// the plug-in's own name for a parameter, asked through
// IParameterFunctionName (Oriel answers to its paths, "oriel.rate"); or a
// title, in any letter case. Plain values become normalized ones through the
// controller. A plug-in without a controller has no names and no plain
// values: its parameters are numeric identifiers with normalized values.
#include <cstdint>
#include <string>
#include <vector>

#include "pluginterfaces/vst/ivsteditcontroller.h"

namespace talvo::host {

/// At most this many parameters are read; a plug-in's count may be a lie.
inline constexpr std::int32_t kMaxParameters = 4096;

struct ParameterEntry {
  Steinberg::Vst::ParamID id = 0;
  std::string title;  // empty without a controller
  std::string units;
  double minimum = 0.0;  // plain values at normalized 0 and 1, in increasing order
  double maximum = 1.0;
  double defaultNormalized = 0.0;
  std::int32_t stepCount = 0;
  std::int32_t flags = 0;
};

/// Main thread, like the controller it asks.
class ParameterDirectory {
 public:
  /// Reads what `controller` publishes; null for a plug-in without one.
  explicit ParameterDirectory(Steinberg::Vst::IEditController* controller);

  [[nodiscard]] bool hasController() const { return controller_ != nullptr; }
  [[nodiscard]] const std::vector<ParameterEntry>& entries() const { return entries_; }

  /// The parameter `name` names; false with the names the plug-in has.
  [[nodiscard]] bool find(const std::string& name, ParameterEntry& out, std::string& error) const;
  /// A plain value of `entry` as a normalized one; refused outside its range.
  [[nodiscard]] bool normalize(const ParameterEntry& entry, double plain, double& out,
                               std::string& error) const;
  /// A value as the user wrote it: a number is plain, any other text is read by the plug-in itself.
  [[nodiscard]] bool normalizeText(const ParameterEntry& entry, const std::string& text, double& out,
                                   std::string& error) const;
  /// Plain to normalized without a range check, for values already checked; within 0 .. 1.
  [[nodiscard]] double toNormalized(Steinberg::Vst::ParamID id, double plain) const;
  /// Normalized to plain as the controller says; the value itself without one.
  [[nodiscard]] double toPlain(Steinberg::Vst::ParamID id, double normalized) const {
    return controller_ != nullptr ? controller_->normalizedParamToPlain(id, normalized) : normalized;
  }

 private:
  [[nodiscard]] const ParameterEntry* byId(Steinberg::Vst::ParamID id) const;
  [[nodiscard]] std::string describeNames() const;

  Steinberg::Vst::IEditController* controller_;
  std::vector<ParameterEntry> entries_;
};

/// A whole finite number in strtod's syntax with a decimal point, whatever the process locale.
[[nodiscard]] bool parseReal(const std::string& text, double& out);

}  // namespace talvo::host
