// What the controller says of its parameters: every one readable, each
// identifier once, values and conversions within their ranges, flags that make
// sense together, and display texts that read back.
#include <cmath>
#include <set>
#include <vector>

#include "hosting/parameter_directory.h"
#include "hosting/utf16_text.h"
#include "validate/checks.h"

namespace talvo::validate {

using Steinberg::kResultOk;
using namespace Steinberg::Vst;

namespace {

bool isUnit(double value) {
  return value >= 0.0 && value <= 1.0;
}

std::string named(const ParameterInfo& info) {
  return "parameter " + std::to_string(info.id) + " (\"" + host::utf8FromUtf16(info.title, 128) + "\")";
}

// The controller's parameters, read by index; false with a reason when one cannot be read.
bool readInfos(IEditController& controller, std::vector<ParameterInfo>& out, std::string& error) {
  const Steinberg::int32 count = controller.getParameterCount();
  if (count < 0 || count > host::kMaxParameters) {
    error = "the controller claims " + std::to_string(count) + " parameters; at most " +
            std::to_string(host::kMaxParameters) + " are believed";
    return false;
  }
  out.resize(static_cast<std::size_t>(count));
  for (Steinberg::int32 i = 0; i < count; ++i) {
    if (controller.getParameterInfo(i, out[static_cast<std::size_t>(i)]) != kResultOk) {
      error = "parameter index " + std::to_string(i) + " of " + std::to_string(count) + " has no info";
      return false;
    }
  }
  return true;
}

// Every parameter's info, or why a check cannot look at them.
Result withInfos(Session& session, std::unique_ptr<host::PluginInstance>& instance,
                 std::vector<ParameterInfo>& infos) {
  std::string error;
  instance = session.instance(error);
  if (instance == nullptr) return fail(error);
  if (instance->controller() == nullptr) return skip("the plug-in has no controller");
  return readInfos(*instance->controller(), infos, error) ? pass() : fail(error);
}

// Normalized values a check tries: the ends, the default and a few between.
std::vector<double> probes(const ParameterInfo& info) {
  return {0.0, 0.25, 0.5, 0.75, 1.0, info.defaultNormalizedValue};
}

}  // namespace

Result checkParameterScanning(Session& session) {
  std::unique_ptr<host::PluginInstance> instance;
  std::vector<ParameterInfo> infos;
  if (Result r = withInfos(session, instance, infos); r.verdict != Verdict::kPass) return r;
  IEditController& controller = *instance->controller();
  std::set<ParamID> ids;
  for (const ParameterInfo& info : infos) {
    if (!ids.insert(info.id).second) return fail("two parameters have the id " + std::to_string(info.id));
    if (host::utf8FromUtf16(info.title, 128).empty())
      return fail("parameter " + std::to_string(info.id) + " has no title");
    if (!isUnit(info.defaultNormalizedValue)) return fail(named(info) + " has a default outside 0 .. 1");
    if (info.stepCount < 0) return fail(named(info) + " has a negative step count");
    if (!isUnit(controller.getParamNormalized(info.id)))
      return fail(named(info) + " has a value outside 0 .. 1");
    // A one-entry list has a single plain value, which every normalized value becomes.
    const bool single =
        controller.normalizedParamToPlain(info.id, 0.0) == controller.normalizedParamToPlain(info.id, 1.0);
    for (double x : probes(info)) {
      const double plain = controller.normalizedParamToPlain(info.id, x);
      if (single && std::isfinite(plain)) continue;
      const double back = controller.plainParamToNormalized(info.id, plain);
      // A stepped parameter rounds to its steps; the step it lands on must stay.
      const bool same = info.stepCount > 0
                            ? std::lround(back * info.stepCount) == std::lround(x * info.stepCount)
                            : std::fabs(back - x) <= 1e-6;
      if (!std::isfinite(plain) || !same) {
        return fail(named(info) + " turns normalized " + std::to_string(x) + " into plain " +
                    std::to_string(plain) + " and back into " + std::to_string(back));
      }
    }
  }
  ParameterInfo beyond{};
  if (controller.getParameterInfo(static_cast<Steinberg::int32>(infos.size()), beyond) == kResultOk ||
      controller.getParameterInfo(-1, beyond) == kResultOk) {
    return fail("the controller describes a parameter outside its count");
  }
  return pass(std::to_string(infos.size()) + " parameters");
}

Result checkParameterFlags(Session& session) {
  std::unique_ptr<host::PluginInstance> instance;
  std::vector<ParameterInfo> infos;
  if (Result r = withInfos(session, instance, infos); r.verdict != Verdict::kPass) return r;
  int bypasses = 0;
  for (const ParameterInfo& info : infos) {
    const auto has = [&info](std::int32_t flag) { return (info.flags & flag) != 0; };
    if (has(ParameterInfo::kIsReadOnly) && has(ParameterInfo::kCanAutomate))
      return fail(named(info) + " is read-only yet automatable");
    if (has(ParameterInfo::kIsBypass) && (++bypasses > 1 || info.stepCount != 1))
      return fail(named(info) + " is a second bypass or a bypass that is not a switch");
  }
  return pass();
}

Result checkParameterText(Session& session) {
  std::unique_ptr<host::PluginInstance> instance;
  std::vector<ParameterInfo> infos;
  if (Result r = withInfos(session, instance, infos); r.verdict != Verdict::kPass) return r;
  IEditController& controller = *instance->controller();
  int unread = 0;
  // At most 64 parameters, spread over the list.
  const std::size_t stride = infos.size() / 64 + 1;
  for (std::size_t p = 0; p < infos.size(); p += stride) {
    const ParameterInfo& info = infos[p];
    for (double x : probes(info)) {
      String128 text{}, again{};
      if (controller.getParamStringByValue(info.id, x, text) != kResultOk)
        return fail(named(info) + " has no text for normalized " + std::to_string(x));
      ParamValue read = -1.0;
      if (controller.getParamValueByString(info.id, text, read) != kResultOk) {
        ++unread;
        continue;
      }
      if (!isUnit(read) || controller.getParamStringByValue(info.id, read, again) != kResultOk ||
          host::utf8FromUtf16(text, 128) != host::utf8FromUtf16(again, 128)) {
        return fail(named(info) + " reads its own text \"" + host::utf8FromUtf16(text, 128) +
                    "\" back as another value");
      }
    }
  }
  return pass(unread > 0 ? std::to_string(unread) + " texts not read back" : "");
}

}  // namespace talvo::validate
