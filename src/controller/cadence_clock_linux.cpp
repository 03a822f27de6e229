#include "base/source/fobject.h"
#include "controller/cadence_clock.h"
#include "pluginterfaces/gui/iplugview.h"

namespace talvo {

using namespace Steinberg;

namespace {

// The run loop holds its own reference while the timer is registered; the
// clock detaches the handler when it stops, so a late call does nothing.
class TimerHandler final : public FObject, public Linux::ITimerHandler {
 public:
  TimerHandler(CadenceClock::Tick tick, void* context) : tick_(tick), context_(context) {}
  void detach() { tick_ = nullptr; }

  void PLUGIN_API onTimer() override {
    if (tick_ != nullptr) tick_(context_);
  }

  OBJ_METHODS(TimerHandler, FObject)
  DEFINE_INTERFACES
  DEF_INTERFACE(Linux::ITimerHandler)
  END_DEFINE_INTERFACES(FObject)
  REFCOUNT_METHODS(FObject)

 private:
  CadenceClock::Tick tick_;
  void* context_;
};

// Run loop timers take whole milliseconds.
constexpr Linux::TimerInterval kIntervalMs = kCadenceIntervalMilliseconds;

}  // namespace

struct CadenceClock::Impl {
  IPtr<Linux::IRunLoop> loop;
  IPtr<TimerHandler> handler;
};

CadenceClock::CadenceClock() = default;

CadenceClock::~CadenceClock() {
  stop();
}

bool CadenceClock::start(FUnknown* const* hosts, int count, Tick tick, void* context) {
  if (impl_ != nullptr) return true;
  if (tick == nullptr) return false;
  for (int i = 0; i < count; ++i) {
    FUnknownPtr<Linux::IRunLoop> loop(hosts[i]);
    if (!loop) continue;
    auto handler = owned(new TimerHandler(tick, context));
    if (loop->registerTimer(handler, kIntervalMs) != kResultOk) continue;
    impl_ = std::make_unique<Impl>(Impl{loop, handler});
    return true;
  }
  return false;
}

void CadenceClock::stop() {
  if (impl_ == nullptr) return;
  const std::unique_ptr<Impl> impl = std::move(impl_);
  impl->loop->unregisterTimer(impl->handler);
  impl->handler->detach();
}

}  // namespace talvo
