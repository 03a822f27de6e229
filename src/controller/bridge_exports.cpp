#include "controller/bridge_exports.h"

namespace talvo {

DEF_CLASS_IID(IDiagnosticBridge)

namespace {

// Runs `use` on the object's bridge interface; 0 when it has none.
template <typename Use>
int withBridge(Steinberg::FUnknown* object, Use use) {
  if (object == nullptr) return 0;
  void* bridge = nullptr;
  if (object->queryInterface(IDiagnosticBridge::iid.toTUID(), &bridge) != Steinberg::kResultOk ||
      bridge == nullptr) {
    return 0;
  }
  auto* found = static_cast<IDiagnosticBridge*>(bridge);
  use(*found);
  found->release();
  return 1;
}

}  // namespace
}  // namespace talvo

extern "C" {

int talvoDiagnosticBridgeAbiVersion() {
  return 2;
}

int talvoInstallDiagnosticBridgeSink(Steinberg::FUnknown* controller,
                                     talvo::IDiagnosticBridge::Callback callback, void* context) {
  return talvo::withBridge(controller,
                           [&](talvo::IDiagnosticBridge& b) { b.installBridgeSink(callback, context); });
}

int talvoDeliverDiagnosticBridgeMessage(Steinberg::FUnknown* controller, const char* json,
                                        std::size_t length) {
  if (json == nullptr) return 0;
  return talvo::withBridge(controller,
                           [&](talvo::IDiagnosticBridge& b) { b.deliverBridgeMessage(json, length); });
}

int talvoTickDiagnosticCadence(Steinberg::FUnknown* controller) {
  return talvo::withBridge(controller, [](talvo::IDiagnosticBridge& b) { b.tickDiagnosticCadence(); });
}

}  // extern "C"
