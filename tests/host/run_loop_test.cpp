#include "hosting/run_loop.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <functional>

#include "base/source/fobject.h"

using namespace Steinberg;
using namespace std::chrono_literals;

namespace {

// Counts its calls and runs `action` from inside each.
class Handler final : public FObject, public Linux::IEventHandler, public Linux::ITimerHandler {
 public:
  void PLUGIN_API onFDIsSet(Linux::FileDescriptor fd) override {
    char byte = 0;
    (void)!read(fd, &byte, 1);
    ++calls;
    if (action) action();
  }
  void PLUGIN_API onTimer() override {
    ++calls;
    if (action) action();
  }
  OBJ_METHODS(Handler, FObject)
  DEFINE_INTERFACES
  DEF_INTERFACE(Linux::IEventHandler)
  DEF_INTERFACE(Linux::ITimerHandler)
  END_DEFINE_INTERFACES(FObject)
  REFCOUNT_METHODS(FObject)

  int calls = 0;
  std::function<void()> action;
};

struct Pipe {
  Pipe() { EXPECT_EQ(pipe(ends.data()), 0); }
  ~Pipe() {
    close(ends[0]);
    close(ends[1]);
  }
  void poke() { (void)!write(ends[1], "x", 1); }
  std::array<int, 2> ends{};
};

}  // namespace

TEST(RunLoop, CallsReadableHandlersAndDueTimersAndHoldsThemOnlyWhileRegistered) {
  talvo::host::RunLoop loop;
  Pipe pipe;
  const IPtr<Handler> reader = owned(new Handler);
  const IPtr<Handler> timer = owned(new Handler);
  ASSERT_EQ(loop.registerEventHandler(reader, pipe.ends[0]), kResultOk);
  ASSERT_EQ(loop.registerTimer(timer, 10), kResultOk);
  EXPECT_EQ(reader->getRefCount(), 2u);
  loop.runOnce(0ms);
  EXPECT_EQ(reader->calls, 0);  // nothing to read, no timer due
  pipe.poke();
  EXPECT_TRUE(loop.runUntil([&] { return reader->calls == 1 && timer->calls >= 3; }, 2s));
  EXPECT_EQ(loop.unregisterEventHandler(reader), kResultOk);
  EXPECT_EQ(loop.unregisterTimer(timer), kResultOk);
  EXPECT_EQ(loop.unregisterTimer(timer), kResultFalse);
  EXPECT_EQ(reader->getRefCount(), 1u);
  EXPECT_EQ(timer->getRefCount(), 1u);
}

TEST(RunLoop, HandlersMayUnregisterThemselvesAndOthersFromInsideACallback) {
  talvo::host::RunLoop loop;
  Pipe pipe;
  auto* self = new Handler;
  auto* other = new Handler;
  loop.registerEventHandler(self, pipe.ends[0]);
  loop.registerEventHandler(other, pipe.ends[0]);
  int rounds = 0;
  self->action = [&] {
    ++rounds;
    loop.unregisterEventHandler(other);
    loop.unregisterEventHandler(self);
  };
  other->release();  // the loop holds the last references now
  self->release();
  pipe.poke();
  loop.runOnce(100ms);  // `self` runs and goes; `other`, ready in the same round, is not called
  pipe.poke();
  loop.runOnce(10ms);  // nothing left to call
  EXPECT_EQ(rounds, 1);
}
