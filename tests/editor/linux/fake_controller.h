#pragma once
// A controller as the editor view sees it: reference counted, with a bridge.
#include "base/source/fobject.h"
#include "editor/recording_bridge_host.h"

namespace talvo::test {

class FakeController final : public Steinberg::FObject, public RecordingBridgeHost {};

}  // namespace talvo::test
