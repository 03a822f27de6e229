// Stress at higher strictness: rates and block sizes no host would pick,
// parameters thrown about while processing, and many instances processing on
// several threads at once, each as if it were alone.
#include <algorithm>
#include <thread>
#include <vector>

#include "validate/checks.h"
#include "validate/compare.h"
#include "validate/process_rig.h"

namespace talvo::validate {

using namespace Steinberg::Vst;

Result checkRandomBlocksAndRates(Session& session) {
  std::string error;
  int refused = 0;
  const int runs = session.scaled(2, 24);
  for (int run = 0; run < runs; ++run) {
    RenderPlan plan;
    plan.sampleRate = 8000.0 + session.unit() * (384000.0 - 8000.0);
    plan.maxFrames = session.uniform(1, 8192);
    plan.blocks = session.uniform(4, 32);
    plan.frames = [&session, &plan](std::int32_t) { return session.uniform(1, plan.maxFrames); };
    const auto instance = session.instance(error);
    if (instance == nullptr) return fail(error);
    if (!accepts(*instance, plan)) {
      ++refused;
      continue;
    }
    if (!renderNoise(*instance, plan, nullptr, error)) {
      return fail("at " + std::to_string(plan.sampleRate) + " Hz with blocks of up to " +
                  std::to_string(plan.maxFrames) + " frames, " + error);
    }
  }
  return pass(std::to_string(runs - refused) + " of " + std::to_string(runs) + " set-ups accepted");
}

Result checkParameterFuzzing(Session& session) {
  std::string error;
  const auto instance = session.instance(error);
  if (instance == nullptr) return fail(error);
  const std::vector<host::ParameterEntry> parameters = automatable(instance->controller());
  if (parameters.empty()) return skip("the plug-in publishes no automatable parameter");
  RenderPlan plan;
  plan.maxFrames = 1024;
  plan.blocks = session.scaled(32, 512);
  plan.frames = [&session](std::int32_t) { return session.uniform(1, 1024); };
  plan.automate = [&](std::int32_t, std::int32_t frames, host::ParameterChanges& changes) {
    for (const host::ParameterEntry& p : parameters) {
      if (session.uniform(0, 1) == 0) continue;
      std::vector<int> offsets(static_cast<std::size_t>(session.uniform(1, 8)));
      for (int& offset : offsets)
        offset = session.uniform(0, frames - 1);
      std::sort(offsets.begin(), offsets.end());
      // The ends of the range as often as anything between.
      for (int offset : offsets) {
        const int pick = session.uniform(0, 3);
        (void)changes.addPoint(p.id, offset, pick == 0 ? 0.0 : pick == 1 ? 1.0 : session.unit());
      }
    }
  };
  return renderNoise(*instance, plan, nullptr, error) ? pass() : fail(error);
}

Result checkManyInstances(Session& session) {
  constexpr int kThreads = 4;
  RenderPlan plan;
  plan.blocks = 16;
  std::vector<double> reference;
  std::string error;
  bool stable = true;
  if (!referenceRender(session, plan, reference, stable, error)) return fail(error);
  const int count = session.scaled(4, 32);
  std::vector<std::unique_ptr<host::PluginInstance>> instances;
  std::vector<ProcessRig> rigs(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    instances.push_back(session.instance(error));
    if (instances.back() == nullptr) return fail("instance " + std::to_string(i) + ": " + error);
    if (!rigs[static_cast<std::size_t>(i)].setup(*instances.back()->component(), plan.maxFrames, kSample32,
                                                 error) ||
        !instances.back()->start(plan.sampleRate, plan.maxFrames, kRealtime, error)) {
      return fail("instance " + std::to_string(i) + ": " + error);
    }
  }
  // Each thread takes every fourth instance and moves them all one block at a time.
  std::vector<std::vector<double>> outputs(static_cast<std::size_t>(count));
  std::vector<std::string> errors(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (std::int32_t block = 0; block < plan.blocks && errors[static_cast<std::size_t>(t)].empty();
           ++block) {
        for (int i = t; i < count; i += kThreads) {
          ProcessRig& rig = rigs[static_cast<std::size_t>(i)];
          rig.fillInputs(plan.maxFrames);
          if (!rig.run(*instances[static_cast<std::size_t>(i)]->processor(), plan.maxFrames, nullptr,
                       errors[static_cast<std::size_t>(t)])) {
            errors[static_cast<std::size_t>(t)] =
                "instance " + std::to_string(i) + ": " + errors[static_cast<std::size_t>(t)];
            break;
          }
          rig.appendOutputs(plan.maxFrames, outputs[static_cast<std::size_t>(i)]);
        }
      }
    });
  }
  for (std::thread& thread : threads)
    thread.join();
  for (auto& instance : instances)
    instance->stop();
  for (const std::string& e : errors)
    if (!e.empty()) return fail(e);
  if (!stable) return pass(std::to_string(count) + " instances; not compared: two renders differ");
  for (int i = 0; i < count; ++i) {
    const std::string name = "instance " + std::to_string(i) + " of " + std::to_string(count);
    if (!compareOutputs(outputs[static_cast<std::size_t>(i)], reference, 0.0, name.c_str(),
                        "an instance alone", error))
      return fail(error);
  }
  return pass(std::to_string(count) + " instances on " + std::to_string(kThreads) + " threads");
}

}  // namespace talvo::validate
