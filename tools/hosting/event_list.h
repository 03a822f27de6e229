#pragma once
// Our event list for the process call, with a capacity fixed at construction
// so that filling it between blocks never allocates.
#include <cstdint>
#include <vector>

#include "hosting/host_unknown.h"
#include "pluginterfaces/vst/ivstevents.h"

namespace talvo::host {

class EventList final : public HostOwned<Steinberg::Vst::IEventList> {
 public:
  explicit EventList(std::int32_t capacity);

  void clear() { count_ = 0; }

  Steinberg::int32 PLUGIN_API getEventCount() override { return count_; }
  Steinberg::tresult PLUGIN_API getEvent(Steinberg::int32 index, Steinberg::Vst::Event& e) override;
  /// Appends in call order; a full list refuses the event.
  Steinberg::tresult PLUGIN_API addEvent(Steinberg::Vst::Event& e) override;

 private:
  std::vector<Steinberg::Vst::Event> events_;
  Steinberg::int32 count_ = 0;
};

}  // namespace talvo::host
