#include "controller/cadence_clock.h"
#include "editor/mac/cadence_timer.h"

namespace talvo {

struct CadenceClock::Impl {
  void* timer;
};

CadenceClock::CadenceClock() = default;

CadenceClock::~CadenceClock() {
  stop();
}

bool CadenceClock::start(Steinberg::FUnknown* const* /*hosts*/, int /*count*/, Tick tick, void* context) {
  if (impl_ != nullptr) return true;
  void* timer = talvoStartCadenceClock(tick, context, kIntervalSeconds);
  if (timer == nullptr) return false;
  impl_ = std::make_unique<Impl>(Impl{timer});
  return true;
}

void CadenceClock::stop() {
  if (impl_ == nullptr) return;
  const std::unique_ptr<Impl> impl = std::move(impl_);
  talvoStopCadenceClock(impl->timer);
}

}  // namespace talvo
