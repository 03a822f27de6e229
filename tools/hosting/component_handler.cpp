#include "hosting/component_handler.h"

namespace talvo::host {

using Steinberg::kResultFalse;
using Steinberg::kResultOk;

Steinberg::tresult PLUGIN_API ComponentHandler::beginEdit(Steinberg::Vst::ParamID id) {
  edits_.push_back({EditKind::begin, id, 0.0});
  return kResultOk;
}

Steinberg::tresult PLUGIN_API ComponentHandler::performEdit(Steinberg::Vst::ParamID id,
                                                            Steinberg::Vst::ParamValue valueNormalized) {
  edits_.push_back({EditKind::perform, id, valueNormalized});
  return queueForProcessor(id, valueNormalized) ? kResultOk : kResultFalse;
}

bool ComponentHandler::queueForProcessor(Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue normalized) {
  const std::uint32_t written = written_.load(std::memory_order_relaxed);
  if (written - read_.load(std::memory_order_acquire) >= kQueueSize) return false;
  queue_[written % kQueueSize] = {id, normalized};
  written_.store(written + 1, std::memory_order_release);
  return true;
}

Steinberg::tresult PLUGIN_API ComponentHandler::endEdit(Steinberg::Vst::ParamID id) {
  edits_.push_back({EditKind::end, id, 0.0});
  return kResultOk;
}

Steinberg::tresult PLUGIN_API ComponentHandler::restartComponent(Steinberg::int32 flags) {
  restarts_.push_back(flags);
  return kResultOk;
}

void ComponentHandler::clearRecords() {
  edits_.clear();
  restarts_.clear();
}

bool ComponentHandler::drainInto(ParameterChanges& changes) noexcept {
  const std::uint32_t written = written_.load(std::memory_order_acquire);
  std::uint32_t read = read_.load(std::memory_order_relaxed);
  bool allFit = true;
  for (; read != written; ++read) {
    const Queued& edit = queue_[read % kQueueSize];
    allFit &= changes.addPoint(edit.id, 0, edit.value);
  }
  read_.store(read, std::memory_order_release);
  return allFit;
}

}  // namespace talvo::host
