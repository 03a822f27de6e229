// 64 instances of the bundle rendering on four audio threads while the main
// thread saves and restores their states and sends them pad overrides and bank
// requests, as a host's own thread does. Every output equals a render of the
// same instance alone on one thread with the same parameter history, and the
// audio threads allocate nothing. The tsan preset builds the bundle under
// ThreadSanitizer too, where this test also shows that no data race exists.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

#include "banks/bank_writer.h"
#include "host/bundle_session.h"
#include "hosting/param_changes.h"
#include "hosting/process_buffers.h"
#include "params/params.h"
#include "support/alloc_counter.h"

namespace talvo::host {
namespace {

constexpr int kInstances = 64;
constexpr int kThreads = 4;
constexpr int kFrames = 256;
constexpr int kBlocks = 64;
// Parameter points come in these first blocks only, so that once the main
// thread starts saving and restoring, a restored state holds the live values.
constexpr int kAutomatedBlocks = 16;

// One instance with everything its audio thread touches sized beforehand.
struct Voice {
  explicit Voice(int index) : index(index), output(static_cast<std::size_t>(kBlocks * kFrames * 2)) {
    instance = test::newInstance();
    std::string error;
    if (instance != nullptr && !instance->start(48000.0, kFrames, Steinberg::Vst::kRealtime, error))
      ADD_FAILURE() << error;
  }

  // Audio thread: block `block` with this voice's parameter history and input.
  bool render(int block) {
    changes.clear();
    if (block < kAutomatedBlocks) {
      const double t = static_cast<double>(block) / kAutomatedBlocks;
      (void)changes.addPoint(kParamRate, 0, std::fmod(0.05 + 0.013 * index + 0.5 * t, 1.0));
      (void)changes.addPoint(kParamDepth, kFrames / 2, (index % 8) / 8.0 + t / 16.0);
      (void)changes.addPoint(kParamWet, kFrames - 1, (index + block) % 2 == 0 ? 0.5 : 1.0);
    }
    for (int c = 0; c < 2; ++c)
      for (int i = 0; i < kFrames; ++i)
        buffers.input(c)[i] =
            0.4f * static_cast<float>(std::sin((block * kFrames + i) * (0.01 + 0.001 * index) + c));
    if (instance->processor()->process(
            buffers.prepare(kFrames, &changes, nullptr, Steinberg::Vst::kRealtime)) != Steinberg::kResultOk)
      return false;
    for (int i = 0; i < kFrames; ++i)
      for (int c = 0; c < 2; ++c)
        output[static_cast<std::size_t>((block * kFrames + i) * 2 + c)] = buffers.output(c)[i];
    done.store(block + 1, std::memory_order_release);
    return true;
  }

  int index;
  std::unique_ptr<PluginInstance> instance;
  ProcessBuffers buffers{2, 2, kFrames};
  ParameterChanges changes{3, 1};
  std::vector<float> output;
  std::atomic<int> done{0};
};

// The main thread's traffic towards instance `i` in round `round`.
void disturb(PluginInstance& instance, int round, const std::string& bankRequest) {
  std::string state, error;
  ASSERT_TRUE(instance.getState(state, error)) << error;
  ASSERT_TRUE(instance.setState(state, error)) << error;
  const std::string pads = R"({"kick":{"gain":)" + std::to_string(0.25 * (round % 4)) + "}}";
  (void)instance.sendToProcessor("talvo.padOverrides", &pads);
  if (round % 8 == 0) (void)instance.sendToProcessor("talvo.loadRuntimeBank", &bankRequest);
  instance.clearProcessorMessages();
}

TEST(ManyInstances, RenderOnFourThreadsAsAloneWhileTheMainThreadRestoresStatesAndSendsMessages) {
  const talvo::test::TempBank pack;
  pack.pack();
  const std::string bankRequest = "\n" + pack.dir();
  std::vector<std::unique_ptr<Voice>> voices;
  for (int i = 0; i < kInstances; ++i) {
    voices.push_back(std::make_unique<Voice>(i));
    ASSERT_NE(voices.back()->instance, nullptr);
  }

  std::vector<std::size_t> allocations(kThreads);
  std::atomic<bool> failed{false};
  std::vector<std::thread> audio;
  for (int t = 0; t < kThreads; ++t) {
    audio.emplace_back([&, t] {
      const talvo::test::AllocationCounter counter;
      for (int block = 0; block < kBlocks && !failed; ++block)
        for (int i = t; i < kInstances; i += kThreads)
          failed = failed || !voices[static_cast<std::size_t>(i)]->render(block);
      allocations[static_cast<std::size_t>(t)] = counter.count();
    });
  }
  // Wait for the automation to pass, then disturb until the audio threads are done.
  const auto all = [&](int blocks) {
    for (const auto& voice : voices)
      if (voice->done.load(std::memory_order_acquire) < blocks) return false;
    return true;
  };
  while (!all(kAutomatedBlocks + 1) && !failed)
    std::this_thread::yield();
  int rounds = 0;
  for (; !all(kBlocks) && !failed; ++rounds)
    disturb(*voices[static_cast<std::size_t>(rounds % kInstances)]->instance, rounds, bankRequest);
  for (std::thread& thread : audio)
    thread.join();
  ASSERT_FALSE(failed) << "a process call failed";
  EXPECT_GT(rounds, 0) << "the main thread never disturbed the audio threads";
  for (int t = 0; t < kThreads; ++t)
    EXPECT_EQ(allocations[static_cast<std::size_t>(t)], 0u) << "audio thread " << t;

  for (int i = 0; i < kInstances; ++i) {
    Voice alone(i);
    ASSERT_NE(alone.instance, nullptr);
    for (int block = 0; block < kBlocks; ++block)
      ASSERT_TRUE(alone.render(block));
    ASSERT_TRUE(alone.output == voices[static_cast<std::size_t>(i)]->output) << "instance " << i;
  }
}

}  // namespace
}  // namespace talvo::host
