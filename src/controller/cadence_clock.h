#pragma once
// The controller's repeating cadence timer on the host's main thread: a
// Linux::IRunLoop timer on Linux, an NSTimer on Apple. Main thread only.
#include <memory>

#include "editor/bridge_host.h"
#include "pluginterfaces/base/funknown.h"

namespace talvo {

class CadenceClock {
 public:
  using Tick = void (*)(void* context);

  /// The fixed period of the controller's clock, 1/30 s.
  static constexpr double kIntervalSeconds = kCadenceIntervalSeconds;

  CadenceClock();
  /// Stops the clock, so no timer outlives its owner.
  ~CadenceClock();
  CadenceClock(const CadenceClock&) = delete;
  CadenceClock& operator=(const CadenceClock&) = delete;

  /// Calls `tick(context)` every period until stopped. On Linux the timer goes
  /// on the run loop of the first of `hosts` that answers Linux::IRunLoop;
  /// with none there is no clock and the result is false. A running clock is
  /// left as it is.
  bool start(Steinberg::FUnknown* const* hosts, int count, Tick tick, void* context);
  /// Removes the timer from the run loop it was added to; harmless when stopped.
  void stop();
  [[nodiscard]] bool running() const { return impl_ != nullptr; }

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace talvo
