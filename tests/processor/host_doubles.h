#pragma once
// Minimal host-side objects for driving a processor directly: parameter
// changes, an event list and a connection point that records what the
// processor sends. They live on the test's stack; reference counts never
// delete them.
#include <string>
#include <vector>

#include "pluginterfaces/vst/ivstevents.h"
#include "pluginterfaces/vst/ivstmessage.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"

namespace talvo::test {

#define TALVO_TEST_UNCOUNTED(Interface)                                                          \
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override { \
    QUERY_INTERFACE(iid, obj, Steinberg::FUnknown::iid, Interface)                               \
    QUERY_INTERFACE(iid, obj, Interface::iid, Interface)                                         \
    *obj = nullptr;                                                                              \
    return Steinberg::kNoInterface;                                                              \
  }                                                                                              \
  Steinberg::uint32 PLUGIN_API addRef() override {                                               \
    return 1;                                                                                    \
  }                                                                                              \
  Steinberg::uint32 PLUGIN_API release() override {                                              \
    return 1;                                                                                    \
  }

class ParamQueue : public Steinberg::Vst::IParamValueQueue {
 public:
  explicit ParamQueue(Steinberg::Vst::ParamID id) : id_(id) { points_.reserve(64); }
  void add(Steinberg::int32 offset, double value) { points_.push_back({offset, value}); }
  /// Makes getPoint fail for one index, as a broken host might.
  void failPoint(Steinberg::int32 index) { failing_ = index; }

  Steinberg::Vst::ParamID PLUGIN_API getParameterId() override { return id_; }
  Steinberg::int32 PLUGIN_API getPointCount() override {
    return static_cast<Steinberg::int32>(points_.size());
  }
  Steinberg::tresult PLUGIN_API getPoint(Steinberg::int32 index, Steinberg::int32& offset,
                                         double& value) override {
    if (index < 0 || index >= getPointCount() || index == failing_) return Steinberg::kResultFalse;
    offset = points_[static_cast<size_t>(index)].offset;
    value = points_[static_cast<size_t>(index)].value;
    return Steinberg::kResultTrue;
  }
  Steinberg::tresult PLUGIN_API addPoint(Steinberg::int32 offset, double value,
                                         Steinberg::int32& index) override {
    index = getPointCount();
    add(offset, value);
    return Steinberg::kResultTrue;
  }
  TALVO_TEST_UNCOUNTED(Steinberg::Vst::IParamValueQueue)

 private:
  struct Point {
    Steinberg::int32 offset;
    double value;
  };
  Steinberg::Vst::ParamID id_;
  std::vector<Point> points_;
  Steinberg::int32 failing_ = -1;
};

class ParamChanges : public Steinberg::Vst::IParameterChanges {
 public:
  ParamChanges() { queues_.reserve(16); }
  ParamQueue& queue(Steinberg::Vst::ParamID id) {
    for (ParamQueue& q : queues_)
      if (q.getParameterId() == id) return q;
    return queues_.emplace_back(id);
  }

  Steinberg::int32 PLUGIN_API getParameterCount() override {
    return static_cast<Steinberg::int32>(queues_.size());
  }
  Steinberg::Vst::IParamValueQueue* PLUGIN_API getParameterData(Steinberg::int32 index) override {
    if (index < 0 || index >= getParameterCount()) return nullptr;
    return &queues_[static_cast<size_t>(index)];
  }
  Steinberg::Vst::IParamValueQueue* PLUGIN_API addParameterData(const Steinberg::Vst::ParamID& id,
                                                                Steinberg::int32& index) override {
    index = getParameterCount();
    return &queue(id);
  }
  TALVO_TEST_UNCOUNTED(Steinberg::Vst::IParameterChanges)

 private:
  std::vector<ParamQueue> queues_;
};

class EventList : public Steinberg::Vst::IEventList {
 public:
  EventList() { events_.reserve(64); }
  void noteOn(Steinberg::int16 pitch, float velocity, Steinberg::int32 offset) {
    Steinberg::Vst::Event e{};
    e.type = Steinberg::Vst::Event::kNoteOnEvent;
    e.sampleOffset = offset;
    e.noteOn.pitch = pitch;
    e.noteOn.velocity = velocity;
    events_.push_back(e);
  }

  Steinberg::int32 PLUGIN_API getEventCount() override {
    return static_cast<Steinberg::int32>(events_.size());
  }
  Steinberg::tresult PLUGIN_API getEvent(Steinberg::int32 index, Steinberg::Vst::Event& e) override {
    if (index < 0 || index >= getEventCount()) return Steinberg::kResultFalse;
    e = events_[static_cast<size_t>(index)];
    return Steinberg::kResultTrue;
  }
  Steinberg::tresult PLUGIN_API addEvent(Steinberg::Vst::Event& e) override {
    events_.push_back(e);
    return Steinberg::kResultTrue;
  }
  TALVO_TEST_UNCOUNTED(Steinberg::Vst::IEventList)

 private:
  std::vector<Steinberg::Vst::Event> events_;
};

/// The controller's end of the connection: keeps every message it is sent.
class MessageRecorder : public Steinberg::Vst::IConnectionPoint {
 public:
  struct Received {
    std::string id;
    bool hasJson = false;
    std::string json;  // raw bytes of the "json" attribute
  };
  std::vector<Received> messages;

  /// Messages with this identifier, in arrival order.
  [[nodiscard]] std::vector<Received> withId(const std::string& id) const {
    std::vector<Received> found;
    for (const Received& m : messages)
      if (m.id == id) found.push_back(m);
    return found;
  }

  Steinberg::tresult PLUGIN_API connect(Steinberg::Vst::IConnectionPoint*) override {
    return Steinberg::kResultOk;
  }
  Steinberg::tresult PLUGIN_API disconnect(Steinberg::Vst::IConnectionPoint*) override {
    return Steinberg::kResultOk;
  }
  Steinberg::tresult PLUGIN_API notify(Steinberg::Vst::IMessage* message) override {
    if (message == nullptr) return Steinberg::kInvalidArgument;
    Received r;
    r.id = message->getMessageID() ? message->getMessageID() : "";
    const void* data = nullptr;
    Steinberg::uint32 size = 0;
    if (auto* attributes = message->getAttributes();
        attributes != nullptr && attributes->getBinary("json", data, size) == Steinberg::kResultOk) {
      r.hasJson = true;
      r.json.assign(static_cast<const char*>(data), size);
    }
    messages.push_back(std::move(r));
    return Steinberg::kResultOk;
  }
  TALVO_TEST_UNCOUNTED(Steinberg::Vst::IConnectionPoint)
};

}  // namespace talvo::test
