#pragma once
// Parameter settings and automation for offline rendering. Automation is a
// list of (seconds, plain value) points joined by linear ramps; it is sent to
// the plug-in as parameter points on a fixed frame grid that depends only on
// the absolute frame, never on how the audio is cut into blocks. Names and
// plain values are resolved through the plug-in's parameter directory. Every
// reader here parses into a fresh value and hands it over only on success: on
// false its output is untouched.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "hosting/param_changes.h"
#include "hosting/parameter_directory.h"

namespace talvo::host {

struct AutomationPoint {
  double seconds;
  double plain;
};

struct AutomationLane {
  Steinberg::Vst::ParamID id = 0;
  std::string name;                     // as the user wrote it
  std::vector<AutomationPoint> points;  // times never decrease; at least one
};

/// A fixed value sent at frame 0.
struct ParamSetting {
  Steinberg::Vst::ParamID id = 0;
  double normalized = 0.0;
};

/// "name=value", e.g. "oriel.depth=0.5" or "Invert=on"; the value may be any text the plug-in reads.
[[nodiscard]] bool parseSetting(const ParameterDirectory& directory, const std::string& text,
                                ParamSetting& out, std::string& error);
/// "name=t:v,t:v,...", e.g. "oriel.rate=0:0.5,2.5:8"; times in seconds, never decreasing, plain values.
[[nodiscard]] bool parseAutomation(const ParameterDirectory& directory, const std::string& text,
                                   AutomationLane& out, std::string& error);

/// Plain value of the lane at `seconds`: held before the first and after the
/// last point, linear between neighbours; two points at one time make a step.
[[nodiscard]] double laneValueAt(const AutomationLane& lane, double seconds);

/// Plain to normalized for one parameter; the schedule calls it for each point it sends.
using ToNormalized = std::function<double(Steinberg::Vst::ParamID, double)>;

class AutomationSchedule {
 public:
  AutomationSchedule(std::vector<AutomationLane> lanes, ToNormalized toNormalized, double sampleRate,
                     std::int32_t gridFrames);

  /// Adds the points on grid frames inside [blockStart, blockStart + frames)
  /// as normalized values at their offsets in the block. A grid frame carries
  /// a point when it is frame 0 or the value moved since the previous grid
  /// frame. False when `changes` ran out of room.
  bool addBlock(std::int64_t blockStart, std::int32_t frames, ParameterChanges& changes) const;

  /// Most points one lane can put into a block of `frames` frames.
  [[nodiscard]] std::int32_t maxPointsPerBlock(std::int32_t frames) const;

 private:
  [[nodiscard]] double normalizedAt(const AutomationLane& lane, std::int64_t frame) const;

  std::vector<AutomationLane> lanes_;
  ToNormalized toNormalized_;
  double sampleRate_;
  std::int32_t gridFrames_;
};

}  // namespace talvo::host
