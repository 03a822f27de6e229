#pragma once
// One plug-in instance as a host sees it: the processor component, its
// controller when the factory has one, both initialized with our host
// context and connected through recording proxies; the controller's edits
// reach the processor through our component handler.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "hosting/component_handler.h"
#include "hosting/connection.h"
#include "hosting/host_context.h"
#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"

namespace talvo::host {

/// Main thread, except `processor()->process`, which the caller runs on its
/// own audio thread while started.
class PluginInstance {
 public:
  ~PluginInstance();
  PluginInstance(const PluginInstance&) = delete;
  PluginInstance& operator=(const PluginInstance&) = delete;

  /// Creates and initializes the component of class `processorCid` and, when
  /// it names a controller class that the factory can make, the controller.
  /// The factory's module must outlive the instance, and `runLoop` (offered
  /// to both through the host context when given) must too.
  [[nodiscard]] static std::unique_ptr<PluginInstance> create(
      Steinberg::IPluginFactory& factory, const std::array<std::uint8_t, 16>& processorCid,
      std::string& error, Steinberg::FUnknown* runLoop = nullptr);

  [[nodiscard]] Steinberg::Vst::IComponent* component() const { return component_; }
  [[nodiscard]] Steinberg::Vst::IAudioProcessor* processor() const { return processor_; }
  /// Null when the plug-in has no separate controller (or it failed to start).
  [[nodiscard]] Steinberg::Vst::IEditController* controller() const { return controller_; }
  /// The controller's edits and restart requests; drain it into each block's changes.
  [[nodiscard]] ComponentHandler& componentHandler() { return handler_; }
  /// Everything the processor sent towards its controller, in order.
  [[nodiscard]] const ConnectionProxy& processorMessages() const { return *fromProcessor_; }
  void clearProcessorMessages() { fromProcessor_->clearMessages(); }
  /// Everything the controller sent towards the processor; null without a controller.
  [[nodiscard]] const ConnectionProxy* controllerMessages() const { return fromController_.get(); }
  /// Sends the processor a message as its controller would; its answer.
  Steinberg::tresult sendToProcessor(const char* id, const std::string* json) {
    return fromProcessor_->sendToSource(id, json);
  }

  /// Activates the buses this host feeds, then setupProcessing,
  /// setActive(true), setProcessing(true); on failure the
  /// instance is left inactive and `error` says which step refused.
  [[nodiscard]] bool start(double sampleRate, std::int32_t maxBlockFrames, std::int32_t processMode,
                           std::string& error, std::int32_t sampleSize = Steinberg::Vst::kSample32);
  /// setProcessing(false), setActive(false); harmless when not started.
  void stop();
  [[nodiscard]] bool started() const { return active_; }

  /// Restores the component state and hands the same bytes to the controller.
  [[nodiscard]] bool setState(const std::string& bytes, std::string& error);
  /// False with a reason when the component refuses or its state passes kMaxStateBytes.
  [[nodiscard]] bool getState(std::string& bytes, std::string& error);

 private:
  PluginInstance() = default;
  void syncControllerState();
  void activateFedBuses();

  HostContext context_;  // first declared: the components hold it until they are released
  ComponentHandler handler_;
  Steinberg::Vst::IComponent* component_ = nullptr;
  Steinberg::Vst::IAudioProcessor* processor_ = nullptr;
  Steinberg::Vst::IEditController* controller_ = nullptr;
  Steinberg::Vst::IConnectionPoint* componentPoint_ = nullptr;
  Steinberg::Vst::IConnectionPoint* controllerPoint_ = nullptr;
  std::unique_ptr<ConnectionProxy> fromProcessor_;
  std::unique_ptr<ConnectionProxy> fromController_;
  bool componentInitialized_ = false;
  bool controllerInitialized_ = false;
  bool active_ = false;
  bool processing_ = false;
};

}  // namespace talvo::host
