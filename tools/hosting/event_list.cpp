#include "hosting/event_list.h"

namespace talvo::host {

EventList::EventList(std::int32_t capacity)
    : events_(static_cast<std::size_t>(capacity > 0 ? capacity : 1)) {}

Steinberg::tresult PLUGIN_API EventList::getEvent(Steinberg::int32 index, Steinberg::Vst::Event& e) {
  if (index < 0 || index >= count_) return Steinberg::kInvalidArgument;
  e = events_[static_cast<std::size_t>(index)];
  return Steinberg::kResultOk;
}

Steinberg::tresult PLUGIN_API EventList::addEvent(Steinberg::Vst::Event& e) {
  if (count_ >= static_cast<Steinberg::int32>(events_.size())) return Steinberg::kResultFalse;
  events_[static_cast<std::size_t>(count_++)] = e;
  return Steinberg::kResultOk;
}

}  // namespace talvo::host
