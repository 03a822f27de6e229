#include "validate/compare.h"

#include <algorithm>
#include <cmath>

namespace talvo::validate {

using Steinberg::Vst::ParameterInfo;

std::vector<host::ParameterEntry> automatable(Steinberg::Vst::IEditController* controller) {
  std::vector<host::ParameterEntry> out;
  const host::ParameterDirectory directory(controller);
  for (const host::ParameterEntry& p : directory.entries()) {
    const bool writable = (p.flags & (ParameterInfo::kIsReadOnly | ParameterInfo::kIsProgramChange)) == 0;
    if ((p.flags & ParameterInfo::kCanAutomate) != 0 && writable && out.size() < 64) out.push_back(p);
  }
  return out;
}

bool renderWith(Session& session, const RenderPlan& plan, std::vector<double>& out, std::string& error) {
  const auto instance = session.instance(error);
  return instance != nullptr && renderNoise(*instance, plan, &out, error);
}

bool referenceRender(Session& session, const RenderPlan& plan, std::vector<double>& out, bool& stable,
                     std::string& error) {
  std::vector<double> again;
  if (!renderWith(session, plan, out, error) || !renderWith(session, plan, again, error)) return false;
  stable = again == out;
  return true;
}

bool compareOutputs(const std::vector<double>& a, const std::vector<double>& b, double tolerance,
                    const char* aName, const char* bName, std::string& error) {
  if (a.size() != b.size()) {
    error = std::string(aName) + " has " + std::to_string(a.size()) + " samples, " + bName + " " +
            std::to_string(b.size());
    return false;
  }
  double peak = 1.0;
  for (std::size_t i = 0; i < a.size(); ++i)
    peak = std::max({peak, std::fabs(a[i]), std::fabs(b[i])});
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::fabs(a[i] - b[i]) <= tolerance * peak) continue;
    error = std::string(aName) + " differs from " + bName + " at sample " + std::to_string(i) + " (" +
            std::to_string(a[i]) + " against " + std::to_string(b[i]) + ")";
    return false;
  }
  return true;
}

}  // namespace talvo::validate
