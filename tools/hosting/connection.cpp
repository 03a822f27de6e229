#include "hosting/connection.h"

#include "pluginterfaces/vst/ivstattributes.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

namespace talvo::host {

using Steinberg::kResultFalse;
using Steinberg::kResultOk;
using Steinberg::tresult;
using Steinberg::Vst::IConnectionPoint;
using Steinberg::Vst::IMessage;

tresult PLUGIN_API ConnectionProxy::connect(IConnectionPoint* destination) {
  if (source_ == nullptr || connected_) return kResultFalse;
  destination_ = destination;
  tresult result = source_->connect(this);
  connected_ = result == kResultOk;
  if (!connected_) destination_ = nullptr;
  return result;
}

tresult PLUGIN_API ConnectionProxy::disconnect(IConnectionPoint* destination) {
  if (!connected_ || destination != destination_) return kResultFalse;
  tresult result = source_->disconnect(this);
  connected_ = false;
  destination_ = nullptr;
  return result;
}

tresult PLUGIN_API ConnectionProxy::notify(IMessage* message) {
  if (message == nullptr) return kResultFalse;
  RecordedMessage copy;
  const char* id = message->getMessageID();
  copy.id = id != nullptr ? id : "";
  if (Steinberg::Vst::IAttributeList* attributes = message->getAttributes()) {
    const void* data = nullptr;
    Steinberg::uint32 size = 0;
    if (attributes->getBinary("json", data, size) == kResultOk && (data != nullptr || size == 0)) {
      copy.json.assign(static_cast<const char*>(data), size);
      copy.hasJson = true;
    }
    Steinberg::int64 reset = 0;
    if (attributes->getInt("reset", reset) == kResultOk) copy.reset = reset;
  }
  messages_.push_back(std::move(copy));
  if (destination_ == nullptr) return kResultOk;
  return destination_->notify(message);
}

tresult ConnectionProxy::sendToSource(const char* id, const std::string* json) {
  if (source_ == nullptr || !connected_) return kResultFalse;
  Steinberg::IPtr<IMessage> message = Steinberg::owned(new Steinberg::Vst::HostMessage());
  message->setMessageID(id);
  if (json != nullptr) {
    message->getAttributes()->setBinary("json", json->data(), static_cast<Steinberg::uint32>(json->size()));
  }
  return source_->notify(message);
}

std::vector<RecordedMessage> ConnectionProxy::messagesWithId(const char* id) const {
  std::vector<RecordedMessage> found;
  for (const RecordedMessage& m : messages_) {
    if (m.id == id) found.push_back(m);
  }
  return found;
}

}  // namespace talvo::host
