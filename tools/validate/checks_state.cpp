// Component and controller state: what is saved restores to itself in a new
// instance, and a state the plug-in refuses, whether empty, cut short or
// garbage, leaves it as it was and working.
#include <cmath>
#include <vector>

#include "hosting/byte_stream.h"
#include "validate/checks.h"
#include "validate/compare.h"
#include "validate/process_rig.h"

namespace talvo::validate {

using Steinberg::kResultOk;
using namespace Steinberg::Vst;

namespace {

struct Altered {
  std::string state;
  std::vector<std::pair<ParamID, double>> values;  // what each automatable parameter was set to
};

// A state away from the defaults: every automatable parameter moved to the
// far side of its default by one block's parameter changes.
bool alteredState(Session& session, Altered& out, std::string& error) {
  const auto instance = session.instance(error);
  if (instance == nullptr) return false;
  for (const host::ParameterEntry& p : automatable(instance->controller()))
    out.values.emplace_back(p.id, p.defaultNormalized < 0.5 ? 1.0 : 0.0);
  RenderPlan plan;
  plan.blocks = 2;
  plan.automate = [&out](std::int32_t index, std::int32_t, host::ParameterChanges& changes) {
    for (const auto& [id, value] : out.values)
      if (index == 0) (void)changes.addPoint(id, 0, value);
  };
  return renderNoise(*instance, plan, nullptr, error) && instance->getState(out.state, error);
}

bool stateOf(host::PluginInstance& instance, std::string& out, std::string& error) {
  if (instance.getState(out, error)) return true;
  error = "saving the state failed: " + error;
  return false;
}

// Hands `bytes` to the component; a refusal must leave the saved state as it was.
bool offerState(host::PluginInstance& instance, const std::string& bytes, const std::string& what,
                std::string& error) {
  std::string before, after;
  if (!stateOf(instance, before, error)) return false;
  host::ByteStream stream(bytes);
  if (instance.component()->setState(&stream) == kResultOk) return true;
  if (!stateOf(instance, after, error)) return false;
  if (after != before) {
    error = "a refused " + what + " changed the plug-in's state";
    return false;
  }
  return true;
}

}  // namespace

Result checkStateRoundTrip(Session& session) {
  std::string error;
  Altered altered;
  if (!alteredState(session, altered, error)) return fail(error);
  const auto restored = session.instance(error);
  if (restored == nullptr) return fail(error);
  if (!restored->setState(altered.state, error)) return fail("a new instance refuses the saved state");
  std::string again;
  if (!stateOf(*restored, again, error)) return fail(error);
  if (again != altered.state) {
    return fail("the state saved after restoring differs from the one restored (" +
                std::to_string(again.size()) + " bytes against " + std::to_string(altered.state.size()) +
                ")");
  }
  IEditController* controller = restored->controller();
  if (controller == nullptr) return pass(std::to_string(again.size()) + " bytes, no controller");
  for (const auto& [id, value] : altered.values) {
    const double shown = controller->getParamNormalized(id);
    if (std::fabs(shown - value) > 1e-6) {
      return fail("after a restore the controller shows " + std::to_string(shown) + " for parameter " +
                  std::to_string(id) + ", saved at " + std::to_string(value));
    }
  }
  host::ByteStream saved;
  if (controller->getState(&saved) == kResultOk && !saved.overran()) {
    const auto other = session.instance(error);
    if (other == nullptr) return fail(error);
    host::ByteStream load(saved.bytes()), resaved;
    if (other->controller()->setState(&load) != kResultOk)
      return fail("a new controller refuses a saved controller state");
    if (other->controller()->getState(&resaved) != kResultOk || resaved.bytes() != saved.bytes())
      return fail("the controller state saved after restoring differs from the one restored");
  }
  return pass(std::to_string(again.size()) + " bytes");
}

Result checkInvalidState(Session& session) {
  std::string error;
  const auto instance = session.instance(error);
  if (instance == nullptr) return fail(error);
  for (const std::string& bytes : {std::string(), std::string("\xff\x00\x7f", 3)}) {
    const std::string what = bytes.empty() ? "empty state" : "3-byte state";
    if (!offerState(*instance, bytes, what, error)) return fail(error);
    if (IEditController* controller = instance->controller()) {
      host::ByteStream forComponent(bytes), forController(bytes);
      (void)controller->setComponentState(&forComponent);
      (void)controller->setState(&forController);
    }
  }
  if (!renderNoise(*instance, RenderPlan{}, nullptr, error)) return fail("after an invalid state, " + error);
  return pass();
}

Result checkGarbageState(Session& session) {
  std::string error;
  Altered altered;
  if (!alteredState(session, altered, error)) return fail(error);
  const std::string& valid = altered.state;
  std::vector<std::pair<std::string, std::string>> offers;  // bytes, what they are
  // Every cut of a short state, or as many cuts as the strictness asks of a long one.
  const int cuts = valid.size() <= 4096 ? static_cast<int>(valid.size()) : session.scaled(64, 1024);
  for (int i = 0; i < cuts; ++i) {
    const std::size_t length =
        valid.size() <= 4096
            ? static_cast<std::size_t>(i)
            : static_cast<std::size_t>(session.uniform(0, static_cast<int>(valid.size()) - 1));
    offers.emplace_back(valid.substr(0, length), "state cut to " + std::to_string(length) + " bytes");
  }
  for (int i = session.scaled(8, 128); i > 0; --i) {
    std::string garbage(static_cast<std::size_t>(session.uniform(1, 4096)), '\0');
    for (char& c : garbage)
      c = static_cast<char>(session.uniform(0, 255));
    offers.emplace_back(garbage, std::to_string(garbage.size()) + " bytes of garbage");
    if (valid.empty()) continue;
    std::string flipped = valid;
    flipped[static_cast<std::size_t>(session.uniform(0, static_cast<int>(valid.size()) - 1))] ^=
        static_cast<char>(session.uniform(1, 255));
    offers.emplace_back(flipped, "state with one byte changed");
  }
  for (const auto& [bytes, what] : offers) {
    // A fresh instance each time, so every offer is judged against the same defaults.
    const auto instance = session.instance(error);
    if (instance == nullptr) return fail(error);
    if (!offerState(*instance, bytes, what, error)) return fail(error);
  }
  const auto survivor = session.instance(error);
  if (survivor == nullptr) return fail(error);
  for (std::size_t i = 0; i < offers.size(); i += 7) {
    host::ByteStream stream(offers[i].first);
    (void)survivor->component()->setState(&stream);
  }
  if (!renderNoise(*survivor, RenderPlan{}, nullptr, error)) return fail("after garbage states, " + error);
  return pass(std::to_string(offers.size()) + " states offered");
}

}  // namespace talvo::validate
