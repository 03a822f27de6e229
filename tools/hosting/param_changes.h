#pragma once
// Our parameter changes for the process call: the host fills them between
// blocks and the plug-in reads them inside process. Capacities are fixed at
// construction, so filling and reading a block never allocates.
#include <cstdint>
#include <memory>
#include <vector>

#include "hosting/host_unknown.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"

namespace talvo::host {

/// The points of one parameter in one block, kept sorted by sample offset.
class ParamValueQueue final : public HostOwned<Steinberg::Vst::IParamValueQueue> {
 public:
  explicit ParamValueQueue(std::int32_t capacity);

  /// Empties the queue and gives it to `id`.
  void reset(Steinberg::Vst::ParamID id);

  Steinberg::Vst::ParamID PLUGIN_API getParameterId() override { return id_; }
  Steinberg::int32 PLUGIN_API getPointCount() override { return count_; }
  Steinberg::tresult PLUGIN_API getPoint(Steinberg::int32 index, Steinberg::int32& sampleOffset,
                                         Steinberg::Vst::ParamValue& value) override;
  /// A point at an offset already present replaces that point's value; a
  /// full queue refuses the point.
  Steinberg::tresult PLUGIN_API addPoint(Steinberg::int32 sampleOffset, Steinberg::Vst::ParamValue value,
                                         Steinberg::int32& index) override;

 private:
  struct Point {
    Steinberg::int32 offset;
    Steinberg::Vst::ParamValue value;
  };
  std::vector<Point> points_;
  Steinberg::int32 count_ = 0;
  Steinberg::Vst::ParamID id_ = 0;
};

/// All parameter queues of one block; one queue per parameter identifier.
class ParameterChanges final : public HostOwned<Steinberg::Vst::IParameterChanges> {
 public:
  ParameterChanges(std::int32_t maxParameters, std::int32_t maxPointsPerParameter);

  /// Forgets every queue before the next block.
  void clear() { used_ = 0; }
  /// Adds a point to the queue of `id`, creating the queue when needed;
  /// false when the queue table or the queue is full.
  bool addPoint(Steinberg::Vst::ParamID id, Steinberg::int32 sampleOffset, Steinberg::Vst::ParamValue value);

  Steinberg::int32 PLUGIN_API getParameterCount() override { return used_; }
  Steinberg::Vst::IParamValueQueue* PLUGIN_API getParameterData(Steinberg::int32 index) override;
  Steinberg::Vst::IParamValueQueue* PLUGIN_API addParameterData(const Steinberg::Vst::ParamID& id,
                                                                Steinberg::int32& index) override;

 private:
  std::vector<std::unique_ptr<ParamValueQueue>> queues_;
  Steinberg::int32 used_ = 0;
};

}  // namespace talvo::host
