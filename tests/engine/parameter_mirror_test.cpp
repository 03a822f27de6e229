// The parameter mirror on its own: what a republish sends the kernel.
#include "engine/parameter_mirror.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace talvo;

namespace {

using Sent = std::vector<std::pair<std::uint32_t, double>>;

// One republish against a kernel that takes every value but `refused`'s.
Sent republish(ParameterMirror& m, std::uint32_t refused = ParameterMirror::kCount) {
  Sent sent;
  m.republish([&](std::uint32_t id, double value) {
    sent.emplace_back(id, value);
    m.kernelAnswered(id, value, id != refused);
  });
  return sent;
}

EngineEvent paramEvent(std::uint32_t id, int offset) {
  EngineEvent e;
  e.kind = kEventParam;
  e.index = id;
  e.sampleOffset = offset;
  return e;
}

}  // namespace

TEST(ParameterMirror, RepublishSendsWhatTheKernelDoesNotHoldOnceAfterEachChange) {
  ParameterMirror m;
  m.resetKernelCopy();
  EXPECT_EQ(republish(m), Sent{}) << "a new mirror and a new kernel both hold the table's defaults";
  m.set(kParamRate, 10.0);
  m.set(kParamDepth, TALVO_PARAMS[kParamDepth].default_plain);
  m.set(kParamWet, 0.25);
  m.set(ParameterMirror::kCount, 1.0);
  EXPECT_EQ(republish(m), (Sent{{kParamRate, 10.0}, {kParamWet, 0.25}}));
  EXPECT_EQ(republish(m), Sent{}) << "nothing changed since";
  EXPECT_EQ(m.kernelValue(kParamWet), 0.25);
  EXPECT_EQ(m.value(ParameterMirror::kCount), 0.0);
  EXPECT_EQ(m.normalized(ParameterMirror::kCount), 0.0);

  m.store(kParamDepth, 0.5);  // a queued change brings its own event
  EXPECT_EQ(republish(m), Sent{});
  m.resetValues();
  EXPECT_EQ(republish(m), (Sent{{kParamRate, 5.0}, {kParamWet, 1.0}}));
  EXPECT_EQ(m.normalized(kParamRate), TALVO_PARAMS[kParamRate].default_normalized);
}

TEST(ParameterMirror, FirstFrameChangesAreHeldBackFromTheFirstRepublishOnlyAndRefusalsComeAgain) {
  ParameterMirror m;
  m.resetKernelCopy();
  m.set(kParamRate, 10.0);
  m.set(kParamDepth, 0.5);
  m.set(kParamWet, 0.0);
  EventQueue queue;
  EngineEvent note = paramEvent(kParamRate, 0);
  note.kind = kEventNoteOn;
  for (const EngineEvent& e : {paramEvent(kParamDepth, 0), paramEvent(kParamWet, 7), note})
    ASSERT_TRUE(queue.push(e));
  m.holdBackQueued(queue, [](const EngineEvent&) { return true; });  // a block that never republished
  m.holdBackQueued(queue, [](const EngineEvent& e) { return e.sampleOffset == 0; });
  EXPECT_EQ(republish(m, kParamRate), (Sent{{kParamRate, 10.0}, {kParamWet, 0.0}}));
  EXPECT_EQ(republish(m), (Sent{{kParamRate, 10.0}, {kParamDepth, 0.5}}));
  EXPECT_EQ(republish(m), Sent{});
}
