#pragma once
// Parameter settings and automation for offline rendering. Automation is a
// list of (seconds, plain value) points joined by linear ramps; it is sent to
// the plug-in as parameter points on a fixed frame grid that depends only on
// the absolute frame, never on how the audio is cut into blocks. Every reader
// here parses into a fresh value and hands it over only on success: on false
// its output is untouched.
#include <cstdint>
#include <string>
#include <vector>

#include "hosting/param_changes.h"
#include "params/params.h"

namespace talvo::host {

struct AutomationPoint {
  double seconds;
  double plain;
};

struct AutomationLane {
  const talvo_param_desc* desc = nullptr;
  std::vector<AutomationPoint> points;  // times never decrease
};

/// A fixed value given as "path=plain", e.g. "oriel.depth=0.5".
struct ParamSetting {
  const talvo_param_desc* desc = nullptr;
  double plain = 0.0;
};

/// A whole finite number in strtod's syntax, as the command line gives it.
[[nodiscard]] bool parseReal(const std::string& text, double& out);
[[nodiscard]] bool parseSetting(const std::string& text, ParamSetting& out, std::string& error);
/// "path=t:v,t:v,...", e.g. "oriel.rate=0:0.5,2.5:8"; times in seconds, never decreasing.
[[nodiscard]] bool parseAutomation(const std::string& text, AutomationLane& out, std::string& error);

/// Plain value of the lane at `seconds`: held before the first and after the
/// last point, linear between neighbours; two points at one time make a step.
[[nodiscard]] double laneValueAt(const AutomationLane& lane, double seconds);

class AutomationSchedule {
 public:
  AutomationSchedule(std::vector<AutomationLane> lanes, double sampleRate, std::int32_t gridFrames);

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
  double sampleRate_;
  std::int32_t gridFrames_;
};

}  // namespace talvo::host
