#pragma once
// Renders a check compares, and the comparison: whether one plug-in gives the
// same output for the same input whatever the thread, sample size or company.
#include <string>
#include <vector>

#include "hosting/parameter_directory.h"
#include "validate/check.h"
#include "validate/process_rig.h"

namespace talvo::validate {

/// The parameters a host may automate: automatable, writable and not a
/// program change; at most 64 of them. Empty without a controller.
[[nodiscard]] std::vector<host::ParameterEntry> automatable(Steinberg::Vst::IEditController* controller);

/// Renders `plan` through a fresh instance into `out`.
[[nodiscard]] bool renderWith(Session& session, const RenderPlan& plan, std::vector<double>& out,
                              std::string& error);

/// Renders `plan` through two fresh instances; `stable` says whether they
/// agreed, since only a plug-in that repeats itself can be compared.
[[nodiscard]] bool referenceRender(Session& session, const RenderPlan& plan, std::vector<double>& out,
                                   bool& stable, std::string& error);

/// False with the first difference beyond `tolerance` (relative to the
/// larger peak, at least 1) between `a` and `b`, named `aName` and `bName`.
[[nodiscard]] bool compareOutputs(const std::vector<double>& a, const std::vector<double>& b,
                                  double tolerance, const char* aName, const char* bName, std::string& error);

}  // namespace talvo::validate
