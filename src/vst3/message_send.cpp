#include "vst3/message_send.h"

#include <cstdint>

#include "pluginterfaces/vst/ivstmessage.h"

namespace talvo {

using namespace Steinberg;
using namespace Steinberg::Vst;

bool sendBinaryMessage(ComponentBase& sender, const char* id, const void* bytes, std::size_t size) {
  if (size > UINT32_MAX) return false;
  IMessage* message = sender.allocateMessage();
  if (message == nullptr) return false;
  bool sent = false;
  message->setMessageID(id);
  if (IAttributeList* attributes = message->getAttributes()) {
    if (bytes != nullptr) attributes->setBinary("json", bytes, static_cast<uint32>(size));
    sent = sender.sendMessage(message) == kResultOk;
  }
  message->release();
  return sent;
}

}  // namespace talvo
