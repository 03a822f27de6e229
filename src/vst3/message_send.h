#pragma once
// Sending one "talvo." message to the connected peer. Main thread only: the
// host allocates the message.
#include <cstddef>

#include "public.sdk/source/vst/vstcomponentbase.h"

namespace talvo {

/// Sends `id` with `bytes` as the binary attribute "json" (no attribute when
/// `bytes` is null). Nothing is sent when the message cannot be allocated or
/// has no attribute list. True when the peer accepted it.
bool sendBinaryMessage(Steinberg::Vst::ComponentBase& sender, const char* id, const void* bytes,
                       std::size_t size);

}  // namespace talvo
