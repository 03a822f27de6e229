#include "hosting/param_changes.h"

namespace talvo::host {

using Steinberg::int32;
using Steinberg::kInvalidArgument;
using Steinberg::kResultFalse;
using Steinberg::kResultOk;
using Steinberg::tresult;
using Steinberg::Vst::ParamID;
using Steinberg::Vst::ParamValue;

ParamValueQueue::ParamValueQueue(std::int32_t capacity)
    : points_(static_cast<std::size_t>(capacity > 0 ? capacity : 1)) {}

void ParamValueQueue::reset(ParamID id) {
  id_ = id;
  count_ = 0;
}

tresult PLUGIN_API ParamValueQueue::getPoint(int32 index, int32& sampleOffset, ParamValue& value) {
  if (index < 0 || index >= count_) return kInvalidArgument;
  sampleOffset = points_[static_cast<std::size_t>(index)].offset;
  value = points_[static_cast<std::size_t>(index)].value;
  return kResultOk;
}

tresult PLUGIN_API ParamValueQueue::addPoint(int32 sampleOffset, ParamValue value, int32& index) {
  int32 at = count_;
  while (at > 0 && points_[static_cast<std::size_t>(at - 1)].offset > sampleOffset)
    --at;
  if (at > 0 && points_[static_cast<std::size_t>(at - 1)].offset == sampleOffset) {
    points_[static_cast<std::size_t>(at - 1)].value = value;
    index = at - 1;
    return kResultOk;
  }
  if (count_ >= static_cast<int32>(points_.size())) return kResultFalse;
  for (int32 i = count_; i > at; --i)
    points_[static_cast<std::size_t>(i)] = points_[static_cast<std::size_t>(i - 1)];
  points_[static_cast<std::size_t>(at)] = Point{sampleOffset, value};
  ++count_;
  index = at;
  return kResultOk;
}

ParameterChanges::ParameterChanges(std::int32_t maxParameters, std::int32_t maxPointsPerParameter) {
  queues_.reserve(static_cast<std::size_t>(maxParameters > 0 ? maxParameters : 1));
  for (std::int32_t i = 0; i < maxParameters; ++i)
    queues_.push_back(std::make_unique<ParamValueQueue>(maxPointsPerParameter));
}

bool ParameterChanges::addPoint(ParamID id, int32 sampleOffset, ParamValue value) {
  int32 index = 0;
  Steinberg::Vst::IParamValueQueue* queue = addParameterData(id, index);
  return queue != nullptr && queue->addPoint(sampleOffset, value, index) == kResultOk;
}

Steinberg::Vst::IParamValueQueue* PLUGIN_API ParameterChanges::getParameterData(int32 index) {
  if (index < 0 || index >= used_) return nullptr;
  return queues_[static_cast<std::size_t>(index)].get();
}

Steinberg::Vst::IParamValueQueue* PLUGIN_API ParameterChanges::addParameterData(const ParamID& id,
                                                                                int32& index) {
  for (int32 i = 0; i < used_; ++i) {
    if (queues_[static_cast<std::size_t>(i)]->getParameterId() == id) {
      index = i;
      return queues_[static_cast<std::size_t>(i)].get();
    }
  }
  if (used_ >= static_cast<int32>(queues_.size())) return nullptr;
  index = used_;
  queues_[static_cast<std::size_t>(used_)]->reset(id);
  ++used_;
  return queues_[static_cast<std::size_t>(index)].get();
}

}  // namespace talvo::host
