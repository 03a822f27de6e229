#include "vst3/message_send.h"

#include <cstdint>

namespace talvo {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// Allocates `id`, lets `fill` set its attributes, sends it and releases it.
template <typename Fill>
bool sendMessage(ComponentBase& sender, const char* id, Fill fill) {
  IMessage* message = sender.allocateMessage();
  if (message == nullptr) return false;
  bool sent = false;
  message->setMessageID(id);
  if (IAttributeList* attributes = message->getAttributes()) {
    fill(*attributes);
    sent = sender.sendMessage(message) == kResultOk;
  }
  message->release();
  return sent;
}

}  // namespace

bool sendBinaryMessage(ComponentBase& sender, const char* id, const void* bytes, std::size_t size) {
  if (size > UINT32_MAX) return false;
  return sendMessage(sender, id, [&](IAttributeList& attributes) {
    // Hosts built on the SDK's attribute list leak every zero-length binary;
    // to our peer an empty payload and none mean the same.
    if (bytes != nullptr && size > 0) attributes.setBinary("json", bytes, static_cast<uint32>(size));
  });
}

bool sendIntMessage(ComponentBase& sender, const char* id, const char* name, std::int64_t value) {
  return sendMessage(sender, id, [&](IAttributeList& attributes) { attributes.setInt(name, value); });
}

bool readJsonAttribute(IMessage& message, std::string_view& out) {
  IAttributeList* attributes = message.getAttributes();
  const void* data = nullptr;
  uint32 size = 0;
  if (attributes == nullptr || attributes->getBinary("json", data, size) != kResultOk || data == nullptr) {
    return false;
  }
  out = std::string_view(static_cast<const char*>(data), size);
  return true;
}

}  // namespace talvo
