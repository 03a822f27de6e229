#pragma once
// The run loop a Linux host hands to plug-in views: descriptor handlers and
// timers, driven by poll on the thread that runs it (the host's main thread).
#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

#include "hosting/host_unknown.h"
#include "pluginterfaces/gui/iplugview.h"

namespace talvo::host {

/// Holds a reference to every registered handler until it is unregistered
/// (or the loop ends). Handlers may register and unregister handlers, their
/// own included, from inside a callback; one removed during a round is not
/// called later in that round.
class RunLoop final : public HostOwned<Steinberg::Linux::IRunLoop> {
 public:
  RunLoop() = default;
  ~RunLoop() override;

  Steinberg::tresult PLUGIN_API registerEventHandler(Steinberg::Linux::IEventHandler* handler,
                                                     Steinberg::Linux::FileDescriptor fd) override;
  Steinberg::tresult PLUGIN_API unregisterEventHandler(Steinberg::Linux::IEventHandler* handler) override;
  Steinberg::tresult PLUGIN_API registerTimer(Steinberg::Linux::ITimerHandler* handler,
                                              Steinberg::Linux::TimerInterval milliseconds) override;
  Steinberg::tresult PLUGIN_API unregisterTimer(Steinberg::Linux::ITimerHandler* handler) override;

  /// Waits until a descriptor is readable, a timer is due or `maxWait` has
  /// passed, then runs what is ready once.
  void runOnce(std::chrono::milliseconds maxWait);
  /// Runs until `done()` holds or `limit` has passed; returns done().
  bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);

 private:
  using Clock = std::chrono::steady_clock;
  struct Watch {
    std::uint64_t id;
    Steinberg::Linux::IEventHandler* handler;
    int fd;
  };
  struct Timer {
    std::uint64_t id;
    Steinberg::Linux::ITimerHandler* handler;
    std::chrono::milliseconds interval;
    Clock::time_point due;
  };

  std::vector<Watch> watches_;
  std::vector<Timer> timers_;
  std::uint64_t nextId_ = 1;
};

}  // namespace talvo::host
