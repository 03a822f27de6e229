// The cadence clock on the host's run loop: found through the initialize
// context or the factory's host context, and gone when the controller is.
// Without a run loop there is none: the other controller tests' host has none.
#include <gtest/gtest.h>

#include <chrono>

#include "controller/talvo_controller.h"
#include "hosting/connection.h"
#include "hosting/host_context.h"
#include "hosting/run_loop.h"
#include "vst3/class_ids.h"
#include "vst3/plugin_factory.h"

namespace talvo::test {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

// The run loop's reference count, read without changing it.
uint32 references(host::RunLoop& loop) {
  loop.addRef();
  return loop.release();
}

// Creates a controller through a factory that was given `factoryContext`.
IPtr<IEditController> createThroughFactory(FUnknown* factoryContext) {
  PluginFactory factory{PFactoryInfo()};
  EXPECT_EQ(factory.setHostContext(factoryContext), kResultOk);
  const PClassInfo2 info(kControllerUid.toTUID(), PClassInfo::kManyInstances, "Component Controller Class",
                         "Oriel Controller", 0, "", nullptr, "0.1.0", "VST 3.8.1");
  EXPECT_TRUE(factory.registerClass(info, &TalvoController::createInstance, &factory));
  void* object = nullptr;
  EXPECT_EQ(factory.createInstance(kControllerUid.toTUID(), IEditController::iid.toTUID(), &object),
            kResultOk);
  return owned(static_cast<IEditController*>(object));
}

TEST(ControllerClock, TicksOnTheHostRunLoopUntilTerminatedOrReleased) {
  host::RunLoop loop;
  host::HostContext withLoop;
  withLoop.setRunLoop(&loop);
  host::HostContext plain;
  const uint32 idle = references(loop);
  // The loop offered by the initialize context, then by the factory's context only.
  for (const bool throughFactory : {false, true}) {
    SCOPED_TRACE(throughFactory ? "factory context" : "initialize context");
    IPtr<IEditController> controller = createThroughFactory(throughFactory ? &withLoop : nullptr);
    ASSERT_EQ(controller->initialize(throughFactory ? &plain : &withLoop), kResultOk);
    {
      FUnknownPtr<IConnectionPoint> point(controller);
      host::ConnectionProxy peer(point);
      ASSERT_EQ(peer.connect(nullptr), kResultOk);
      EXPECT_TRUE(loop.runUntil([&] { return peer.messagesWithId("talvo.diag.feedDrain").size() >= 2; },
                                std::chrono::seconds(5)));
      EXPECT_GT(references(loop), idle);
      peer.disconnect(nullptr);
    }
    if (!throughFactory) {
      ASSERT_EQ(controller->terminate(), kResultOk);
    }
    // Released without terminate in the second round: the destructor stops the clock.
    controller = nullptr;
    EXPECT_EQ(references(loop), idle);
    loop.runOnce(std::chrono::milliseconds(40));
  }
}

}  // namespace
}  // namespace talvo::test
