// Processing as hosts do it: every sample rate and mode, both sample sizes,
// any block size, silence flags, the zero-frame parameter flush, automation
// anywhere in a block, and an audio thread that is not the setup thread.
#include <algorithm>
#include <cmath>
#include <thread>
#include <vector>

#include "hosting/parameter_directory.h"
#include "hosting/plugin_limits.h"
#include "validate/checks.h"
#include "validate/compare.h"
#include "validate/process_rig.h"

namespace talvo::validate {

using Steinberg::kResultOk;
using namespace Steinberg::Vst;

Result checkProcessFormats(Session& session) {
  std::string error;
  const auto probe = session.instance(error);
  if (probe == nullptr) return fail(error);
  if (probe->processor()->canProcessSampleSize(kSample32) != kResultOk)
    return fail("the processor cannot process 32-bit samples");
  int accepted = 0;
  bool common = false;
  for (double rate : {22050.0, 44100.0, 48000.0, 88200.0, 96000.0, 192000.0}) {
    for (std::int32_t mode : {kRealtime, kPrefetch, kOffline}) {
      RenderPlan plan;
      plan.sampleRate = rate;
      plan.processMode = mode;
      plan.blocks = 4;
      const auto instance = session.instance(error);
      if (instance == nullptr) return fail(error);
      if (!accepts(*instance, plan)) continue;  // refusing a rate is the plug-in's right
      std::int64_t latency = 0;
      if (!instance->start(rate, plan.maxFrames, mode, error) ||
          !host::checkedLatency(*instance->processor(), rate, latency, error)) {
        return fail(error);
      }
      instance->stop();
      if (!renderNoise(*instance, plan, nullptr, error)) {
        return fail("at " + std::to_string(static_cast<int>(rate)) + " Hz, process mode " +
                    std::to_string(mode) + ": " + error);
      }
      ++accepted;
      common |= rate == 44100.0 || rate == 48000.0;
    }
  }
  if (!common) return fail("the processor refuses both 44100 and 48000 Hz");
  return pass(std::to_string(accepted) + " of 18 rates and modes accepted");
}

Result checkSampleSizes(Session& session) {
  std::string error;
  const auto probe = session.instance(error);
  if (probe == nullptr) return fail(error);
  if (probe->processor()->canProcessSampleSize(kSample64) != kResultOk) return pass("32-bit samples only");
  RenderPlan plan;
  std::vector<double> single, twice;
  if (!renderWith(session, plan, single, error)) return fail("32-bit: " + error);
  plan.sampleSize = kSample64;
  if (!renderWith(session, plan, twice, error)) return fail("64-bit: " + error);
  // The same input in either size: outputs agree to within float rounding.
  return compareOutputs(single, twice, 1e-4, "the 64-bit output", "the 32-bit one", error) ? pass()
                                                                                           : fail(error);
}

Result checkBlockSizes(Session& session) {
  static constexpr std::int32_t kSizes[] = {1,   2,   3,   5,   7,   16,  31,   32,   33,   64,   127,
                                            128, 129, 255, 256, 511, 512, 1000, 4096, 4095, 2048, 1};
  RenderPlan plan;
  plan.maxFrames = 4096;
  const int extra = session.scaled(8, 64);
  std::vector<std::int32_t> sizes(std::begin(kSizes), std::end(kSizes));
  for (int i = 0; i < extra; ++i)
    sizes.push_back(session.uniform(1, plan.maxFrames));
  plan.blocks = static_cast<std::int32_t>(sizes.size());
  plan.frames = [&sizes](std::int32_t index) { return sizes[static_cast<std::size_t>(index)]; };
  std::string error;
  auto instance = session.instance(error);
  if (instance == nullptr || !renderNoise(*instance, plan, nullptr, error)) return fail(error);
  // A host whose largest block is one frame.
  RenderPlan tiny;
  tiny.maxFrames = 1;
  tiny.blocks = 256;
  instance = session.instance(error);
  if (instance == nullptr || !renderNoise(*instance, tiny, nullptr, error))
    return fail("with blocks of 1 frame: " + error);
  return pass();
}

Result checkSilenceFlags(Session& session) {
  std::string error;
  const auto instance = session.instance(error);
  if (instance == nullptr) return fail(error);
  ProcessRig rig;
  if (!rig.setup(*instance->component(), 512, kSample32, error) ||
      !instance->start(48000.0, 512, kRealtime, error)) {
    return fail(error);
  }
  // Silence first, then a signal: a channel flagged silent must be silent either way.
  for (int block = 0; block < 16; ++block) {
    rig.fillInputs(512, block < 8);
    if (!rig.run(*instance->processor(), 512, nullptr, error)) return fail(error);
    for (std::size_t b = 0; b < rig.outputBuses(); ++b) {
      for (std::int32_t c = 0; c < rig.outputChannels(b) && c < 64; ++c) {
        if ((rig.data().outputs[b].silenceFlags & (std::uint64_t{1} << c)) == 0) continue;
        for (std::int32_t i = 0; i < 512; ++i) {
          if (rig.output(b, c, i) != 0.0) {
            return fail("output bus " + std::to_string(b) + " channel " + std::to_string(c) +
                        " is flagged silent but holds " + std::to_string(rig.output(b, c, i)) + " at frame " +
                        std::to_string(i) + (block < 8 ? " of silence" : " of a signal"));
          }
        }
      }
    }
  }
  instance->stop();
  return pass();
}

Result checkZeroFrameFlush(Session& session) {
  std::string error;
  const auto instance = session.instance(error);
  if (instance == nullptr) return fail(error);
  const std::vector<host::ParameterEntry> parameters = automatable(instance->controller());
  ProcessRig rig;
  if (!rig.setup(*instance->component(), 512, kSample32, error) ||
      !instance->start(48000.0, 512, kRealtime, error)) {
    return fail(error);
  }
  host::ParameterChanges changes(static_cast<std::int32_t>(parameters.size()) + 1, 1);
  for (const host::ParameterEntry& p : parameters)
    (void)changes.addPoint(p.id, 0, session.unit());
  // The flush a host sends while stopped: parameter changes, no frames, no buffers.
  ProcessData flush{};
  flush.processMode = kRealtime;
  flush.symbolicSampleSize = kSample32;
  flush.inputParameterChanges = &changes;
  if (instance->processor()->process(flush) != kResultOk)
    return fail("the processor refuses a zero-frame block without buffers");
  // The same with the buses' buffers, still zero frames; then audio again.
  if (!rig.run(*instance->processor(), 0, &changes, error)) return fail("with buffers, " + error);
  rig.fillInputs(512);
  if (!rig.run(*instance->processor(), 512, nullptr, error)) return fail("after a flush, " + error);
  instance->stop();
  return pass(std::to_string(parameters.size()) + " parameters flushed");
}

Result checkAutomationOffsets(Session& session) {
  std::string error;
  const auto instance = session.instance(error);
  if (instance == nullptr) return fail(error);
  const std::vector<host::ParameterEntry> parameters = automatable(instance->controller());
  if (parameters.empty()) return skip("the plug-in publishes no automatable parameter");
  RenderPlan plan;
  plan.blocks = session.scaled(16, 256);
  plan.frames = [&session, &plan](std::int32_t) { return session.uniform(1, plan.maxFrames); };
  plan.automate = [&session, &parameters](std::int32_t, std::int32_t frames,
                                          host::ParameterChanges& changes) {
    for (int p = session.uniform(1, 8); p > 0; --p) {
      const ParamID id =
          parameters[static_cast<std::size_t>(session.uniform(0, static_cast<int>(parameters.size()) - 1))]
              .id;
      std::vector<int> offsets(static_cast<std::size_t>(session.uniform(1, 4)));
      for (int& offset : offsets)
        offset = session.uniform(0, frames - 1);
      std::sort(offsets.begin(), offsets.end());
      for (int offset : offsets)
        (void)changes.addPoint(id, offset, session.unit());
    }
  };
  return renderNoise(*instance, plan, nullptr, error) ? pass() : fail(error);
}

Result checkOtherThread(Session& session) {
  RenderPlan plan;
  std::vector<double> here, there;
  std::string error;
  bool stable = true;
  if (!referenceRender(session, plan, here, stable, error)) return fail(error);
  const auto instance = session.instance(error);
  if (instance == nullptr) return fail(error);
  // Set up here, processed there, stopped here: as a host with its own audio thread does.
  ProcessRig rig;
  if (!rig.setup(*instance->component(), plan.maxFrames, kSample32, error) ||
      !instance->start(plan.sampleRate, plan.maxFrames, kRealtime, error)) {
    return fail(error);
  }
  bool ok = true;
  std::thread audio([&] {
    for (std::int32_t block = 0; ok && block < plan.blocks; ++block) {
      rig.fillInputs(plan.maxFrames);
      ok = rig.run(*instance->processor(), plan.maxFrames, nullptr, error);
      if (ok) rig.appendOutputs(plan.maxFrames, there);
    }
  });
  audio.join();
  instance->stop();
  if (!ok) return fail("on another thread, " + error);
  if (!stable) return pass("not compared: two renders on one thread differ");
  return compareOutputs(there, here, 0.0, "the output on another thread", "the one on the setup thread",
                        error)
             ? pass()
             : fail(error);
}

}  // namespace talvo::validate
