#pragma once
// The "talvo." messages between the two components: sending one to the
// connected peer and reading the payload of one received. Main thread only:
// the host allocates the messages.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pluginterfaces/vst/ivstmessage.h"
#include "public.sdk/source/vst/vstcomponentbase.h"

namespace talvo {

/// Sends `id` with `bytes` as the binary attribute "json" (no attribute when
/// `bytes` is null or `size` is 0). Nothing is sent when the message cannot be
/// allocated or has no attribute list. True when the peer accepted it.
bool sendBinaryMessage(Steinberg::Vst::ComponentBase& sender, const char* id, const void* bytes,
                       std::size_t size);
/// Sends `id` with one integer attribute, under the same rules.
bool sendIntMessage(Steinberg::Vst::ComponentBase& sender, const char* id, const char* name,
                    std::int64_t value);

/// The bytes of the binary attribute "json"; false without an attribute list,
/// the attribute or its data.
[[nodiscard]] bool readJsonAttribute(Steinberg::Vst::IMessage& message, std::string_view& out);

}  // namespace talvo
