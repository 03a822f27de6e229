#include "hosting/automation.h"

namespace talvo::host {

namespace {

bool splitName(const ParameterDirectory& directory, const std::string& text, ParameterEntry& entry,
               std::string& rest, std::string& error) {
  const std::size_t equals = text.find('=');
  if (equals == std::string::npos) {
    error = "expected name=value in \"" + text + "\"";
    return false;
  }
  if (!directory.find(text.substr(0, equals), entry, error)) return false;
  rest = text.substr(equals + 1);
  return true;
}

}  // namespace

bool parseSetting(const ParameterDirectory& directory, const std::string& text, ParamSetting& out,
                  std::string& error) {
  ParameterEntry entry;
  std::string value;
  ParamSetting parsed;
  if (!splitName(directory, text, entry, value, error) ||
      !directory.normalizeText(entry, value, parsed.normalized, error)) {
    return false;
  }
  parsed.id = entry.id;
  out = parsed;
  return true;
}

bool parseAutomation(const ParameterDirectory& directory, const std::string& text, AutomationLane& out,
                     std::string& error) {
  ParameterEntry entry;
  std::string list;
  if (!splitName(directory, text, entry, list, error)) return false;
  AutomationLane parsed{entry.id, text.substr(0, text.find('=')), {}};
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t comma = list.find(',', start);
    const std::string item =
        list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    const std::size_t colon = item.find(':');
    AutomationPoint point{};
    double ignored = 0.0;
    if (colon == std::string::npos || !parseReal(item.substr(0, colon), point.seconds) ||
        !parseReal(item.substr(colon + 1), point.plain)) {
      error = "expected seconds:value, got \"" + item + "\"";
      return false;
    }
    if (point.seconds < 0 || (!parsed.points.empty() && point.seconds < parsed.points.back().seconds)) {
      error = "automation times must start at 0 or later and never decrease (\"" + item + "\")";
      return false;
    }
    if (!directory.normalize(entry, point.plain, ignored, error)) return false;
    parsed.points.push_back(point);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  out = std::move(parsed);
  return true;
}

double laneValueAt(const AutomationLane& lane, double seconds) {
  const auto& p = lane.points;
  if (p.empty()) return 0.0;
  if (seconds < p.front().seconds) return p.front().plain;
  // The last point at or before `seconds`; a step (equal times) takes the later value.
  std::size_t i = 0;
  while (i + 1 < p.size() && p[i + 1].seconds <= seconds)
    ++i;
  if (i + 1 == p.size()) return p[i].plain;
  const double span = p[i + 1].seconds - p[i].seconds;
  const double t = (seconds - p[i].seconds) / span;
  return p[i].plain + t * (p[i + 1].plain - p[i].plain);
}

AutomationSchedule::AutomationSchedule(std::vector<AutomationLane> lanes, ToNormalized toNormalized,
                                       double sampleRate, std::int32_t gridFrames)
    : lanes_(std::move(lanes)),
      toNormalized_(std::move(toNormalized)),
      sampleRate_(sampleRate),
      gridFrames_(gridFrames > 0 ? gridFrames : 1) {}

double AutomationSchedule::normalizedAt(const AutomationLane& lane, std::int64_t frame) const {
  return toNormalized_(lane.id, laneValueAt(lane, static_cast<double>(frame) / sampleRate_));
}

bool AutomationSchedule::addBlock(std::int64_t blockStart, std::int32_t frames,
                                  ParameterChanges& changes) const {
  bool ok = true;
  const std::int64_t grid = gridFrames_;
  const std::int64_t first = (blockStart + grid - 1) / grid * grid;
  for (const AutomationLane& lane : lanes_) {
    for (std::int64_t frame = first; frame < blockStart + frames; frame += grid) {
      const double value = normalizedAt(lane, frame);
      if (frame > 0 && value == normalizedAt(lane, frame - grid)) continue;
      ok = changes.addPoint(lane.id, static_cast<Steinberg::int32>(frame - blockStart), value) && ok;
    }
  }
  return ok;
}

std::int32_t AutomationSchedule::maxPointsPerBlock(std::int32_t frames) const {
  return frames / gridFrames_ + 2;
}

}  // namespace talvo::host
