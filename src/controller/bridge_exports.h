#pragma once
// The exported C interface through which a test harness or an embedding host
// drives the editor bridge without a web view. Each function takes the
// controller as an FUnknown*; only this plug-in's controller answers the
// private interface below, so any other object (another plug-in's controller
// included) is refused with 0. Main thread only, like the bridge itself.
#include <cstddef>

#include "pluginterfaces/base/funknown.h"

namespace talvo {

/// What the exported functions ask of a controller. The methods are the
/// whole contract, so a controller from another build of this plug-in in the
/// same process is driven through its own code, never cast.
class IDiagnosticBridge : public Steinberg::FUnknown {
 public:
  using Callback = void (*)(void* context, const char* json, std::size_t length);

  /// One inbound page message.
  virtual void PLUGIN_API deliverBridgeMessage(const char* json, std::size_t length) = 0;
  /// Sends every outbound page message to `callback` (replacing any sink,
  /// a web view's included); a null callback clears the sink.
  virtual void PLUGIN_API installBridgeSink(Callback callback, void* context) = 0;
  /// One cadence tick.
  virtual void PLUGIN_API tickDiagnosticCadence() = 0;

  static const Steinberg::FUID iid;
};

DECLARE_CLASS_IID(IDiagnosticBridge, 0x5A3C9E71, 0x1D4B4F86, 0xA2E07C35, 0x9B61D4E8)

}  // namespace talvo

extern "C" {
/// The version of this interface: 2.
SMTG_EXPORT_SYMBOL int talvoDiagnosticBridgeAbiVersion();
/// Installs (or, with a null callback, clears) the page sink; 1, or 0 for anything but our controller.
SMTG_EXPORT_SYMBOL int talvoInstallDiagnosticBridgeSink(Steinberg::FUnknown* controller,
                                                        talvo::IDiagnosticBridge::Callback callback,
                                                        void* context);
/// Hands one page message to the controller; 0 for a null text or anything but our controller.
SMTG_EXPORT_SYMBOL int talvoDeliverDiagnosticBridgeMessage(Steinberg::FUnknown* controller, const char* json,
                                                           std::size_t length);
/// Runs one cadence tick; 0 for anything but our controller.
SMTG_EXPORT_SYMBOL int talvoTickDiagnosticCadence(Steinberg::FUnknown* controller);
}
