#include "hosting/automation.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace talvo::host {

namespace {

bool splitPath(const std::string& text, const talvo_param_desc*& desc, std::string& rest,
               std::string& error) {
  std::size_t equals = text.find('=');
  if (equals == std::string::npos) {
    error = "expected path=value in \"" + text + "\"";
    return false;
  }
  std::string path = text.substr(0, equals);
  desc = paramByPath(path.c_str());
  if (desc == nullptr) {
    error = "unknown parameter \"" + path + "\"";
    return false;
  }
  rest = text.substr(equals + 1);
  return true;
}

}  // namespace

bool parseReal(const std::string& text, double& out) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(value)) return false;
  out = value;
  return true;
}

bool parseSetting(const std::string& text, ParamSetting& out, std::string& error) {
  std::string value;
  ParamSetting parsed;
  if (!splitPath(text, parsed.desc, value, error)) return false;
  if (!parseReal(value, parsed.plain)) {
    error = "not a number: \"" + value + "\"";
    return false;
  }
  out = parsed;
  return true;
}

bool parseAutomation(const std::string& text, AutomationLane& out, std::string& error) {
  std::string list;
  AutomationLane parsed;
  if (!splitPath(text, parsed.desc, list, error)) return false;
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t comma = list.find(',', start);
    std::string item = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    std::size_t colon = item.find(':');
    AutomationPoint point{};
    if (colon == std::string::npos || !parseReal(item.substr(0, colon), point.seconds) ||
        !parseReal(item.substr(colon + 1), point.plain)) {
      error = "expected seconds:value, got \"" + item + "\"";
      return false;
    }
    if (point.seconds < 0 || (!parsed.points.empty() && point.seconds < parsed.points.back().seconds)) {
      error = "automation times must start at 0 or later and never decrease (\"" + item + "\")";
      return false;
    }
    parsed.points.push_back(point);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  out = std::move(parsed);
  return true;
}

double laneValueAt(const AutomationLane& lane, double seconds) {
  const auto& p = lane.points;
  if (p.empty()) return lane.desc != nullptr ? lane.desc->default_plain : 0.0;
  if (seconds < p.front().seconds) return p.front().plain;
  // The last point at or before `seconds`; a step (equal times) takes the later value.
  std::size_t i = 0;
  while (i + 1 < p.size() && p[i + 1].seconds <= seconds)
    ++i;
  if (i + 1 == p.size()) return p[i].plain;
  double span = p[i + 1].seconds - p[i].seconds;
  double t = (seconds - p[i].seconds) / span;
  return p[i].plain + t * (p[i + 1].plain - p[i].plain);
}

AutomationSchedule::AutomationSchedule(std::vector<AutomationLane> lanes, double sampleRate,
                                       std::int32_t gridFrames)
    : lanes_(std::move(lanes)), sampleRate_(sampleRate), gridFrames_(gridFrames > 0 ? gridFrames : 1) {}

double AutomationSchedule::normalizedAt(const AutomationLane& lane, std::int64_t frame) const {
  return talvo_param_normalize(lane.desc, laneValueAt(lane, static_cast<double>(frame) / sampleRate_));
}

bool AutomationSchedule::addBlock(std::int64_t blockStart, std::int32_t frames,
                                  ParameterChanges& changes) const {
  bool ok = true;
  const std::int64_t grid = gridFrames_;
  std::int64_t first = (blockStart + grid - 1) / grid * grid;
  for (const AutomationLane& lane : lanes_) {
    for (std::int64_t frame = first; frame < blockStart + frames; frame += grid) {
      double value = normalizedAt(lane, frame);
      if (frame > 0 && value == normalizedAt(lane, frame - grid)) continue;
      ok = changes.addPoint(lane.desc->id, static_cast<Steinberg::int32>(frame - blockStart), value) && ok;
    }
  }
  return ok;
}

std::int32_t AutomationSchedule::maxPointsPerBlock(std::int32_t frames) const {
  return frames / gridFrames_ + 2;
}

}  // namespace talvo::host
