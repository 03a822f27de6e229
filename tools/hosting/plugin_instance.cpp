#include "hosting/plugin_instance.h"

#include <cstdio>

#include "hosting/byte_stream.h"
#include "hosting/plugin_limits.h"

namespace talvo::host {

using Steinberg::kResultOk;
using Steinberg::Vst::IConnectionPoint;

namespace {

template <typename Iface>
Iface* queryFrom(Steinberg::FUnknown* object) {
  void* out = nullptr;
  if (object == nullptr || object->queryInterface(Iface::iid.toTUID(), &out) != kResultOk) return nullptr;
  return static_cast<Iface*>(out);
}

}  // namespace

std::unique_ptr<PluginInstance> PluginInstance::create(Steinberg::IPluginFactory& factory,
                                                       const std::array<std::uint8_t, 16>& processorCid,
                                                       std::string& error, Steinberg::FUnknown* runLoop) {
  std::unique_ptr<PluginInstance> instance(new PluginInstance());
  instance->context_.setRunLoop(runLoop);
  Steinberg::TUID cid;
  std::copy(processorCid.begin(), processorCid.end(), reinterpret_cast<std::uint8_t*>(cid));
  void* object = nullptr;
  if (factory.createInstance(cid, Steinberg::Vst::IComponent::iid.toTUID(), &object) != kResultOk ||
      object == nullptr) {
    error = "the factory cannot create the processor class";
    return nullptr;
  }
  instance->component_ = static_cast<Steinberg::Vst::IComponent*>(object);
  if (instance->component_->initialize(&instance->context_) != kResultOk) {
    error = "the processor's initialize failed";
    return nullptr;
  }
  instance->componentInitialized_ = true;
  instance->processor_ = queryFrom<Steinberg::Vst::IAudioProcessor>(instance->component_);
  if (instance->processor_ == nullptr) {
    error = "the component is not an audio processor";
    return nullptr;
  }

  Steinberg::TUID controllerCid{};
  if (instance->component_->getControllerClassId(controllerCid) == kResultOk) {
    object = nullptr;
    if (factory.createInstance(controllerCid, Steinberg::Vst::IEditController::iid.toTUID(), &object) ==
            kResultOk &&
        object != nullptr) {
      instance->controller_ = static_cast<Steinberg::Vst::IEditController*>(object);
      if (instance->controller_->initialize(&instance->context_) == kResultOk) {
        instance->controllerInitialized_ = true;
        (void)instance->controller_->setComponentHandler(&instance->handler_);
      } else {
        instance->controller_->release();
        instance->controller_ = nullptr;
      }
    }
  }

  // The processor always gets a peer, so what it sends is seen even without a controller.
  instance->componentPoint_ = queryFrom<IConnectionPoint>(instance->component_);
  instance->controllerPoint_ = queryFrom<IConnectionPoint>(instance->controller_);
  instance->fromProcessor_ = std::make_unique<ConnectionProxy>(instance->componentPoint_);
  if (instance->componentPoint_ != nullptr) {
    (void)instance->fromProcessor_->connect(instance->controllerPoint_);
  }
  if (instance->componentPoint_ != nullptr && instance->controllerPoint_ != nullptr) {
    instance->fromController_ = std::make_unique<ConnectionProxy>(instance->controllerPoint_);
    (void)instance->fromController_->connect(instance->componentPoint_);
  }
  instance->syncControllerState();
  return instance;
}

PluginInstance::~PluginInstance() {
  stop();
  if (fromController_ != nullptr) (void)fromController_->disconnect(componentPoint_);
  if (fromProcessor_ != nullptr) (void)fromProcessor_->disconnect(controllerPoint_);
  if (controllerPoint_ != nullptr) controllerPoint_->release();
  if (componentPoint_ != nullptr) componentPoint_->release();
  if (controller_ != nullptr) {
    if (controllerInitialized_) controller_->terminate();
    controller_->release();
  }
  if (processor_ != nullptr) processor_->release();
  if (component_ != nullptr) {
    if (componentInitialized_) component_->terminate();
    component_->release();
  }
}

void PluginInstance::activateFedBuses() {
  using namespace Steinberg::Vst;
  // This host feeds the main audio buses and the first event input only; a
  // plug-in must not read a bus it was told is off.
  for (const BusDirection direction : {kInput, kOutput}) {
    const Steinberg::int32 audio = component_->getBusCount(kAudio, direction);
    for (Steinberg::int32 i = 0; i < audio && i < kMaxBuses; ++i)
      (void)component_->activateBus(kAudio, direction, i, i == 0);
  }
  if (component_->getBusCount(kEvent, kInput) > 0) (void)component_->activateBus(kEvent, kInput, 0, true);
}

bool PluginInstance::start(double sampleRate, std::int32_t maxBlockFrames, std::int32_t processMode,
                           std::string& error, std::int32_t sampleSize) {
  stop();
  activateFedBuses();
  Steinberg::Vst::ProcessSetup setup{processMode, sampleSize, maxBlockFrames, sampleRate};
  if (processor_->setupProcessing(setup) != kResultOk) {
    char rate[32];
    std::snprintf(rate, sizeof rate, "%g", sampleRate);
    error = std::string("the processor refused setupProcessing at ") + rate + " Hz with blocks of " +
            std::to_string(maxBlockFrames) + " frames";
    return false;
  }
  if (component_->setActive(true) != kResultOk) {
    error = "the processor refused to activate";
    return false;
  }
  active_ = true;
  // Optional in the protocol: a plug-in may not implement it, which is fine.
  processing_ = processor_->setProcessing(true) == kResultOk;
  return true;
}

void PluginInstance::stop() {
  if (processing_ && processor_ != nullptr) (void)processor_->setProcessing(false);
  processing_ = false;
  if (active_ && component_ != nullptr) (void)component_->setActive(false);
  active_ = false;
}

bool PluginInstance::setState(const std::string& bytes, std::string& error) {
  ByteStream stream(bytes);
  if (component_->setState(&stream) != kResultOk) {
    error = "the plug-in refused the state";
    return false;
  }
  syncControllerState();
  return true;
}

bool PluginInstance::getState(std::string& bytes, std::string& error) {
  ByteStream stream;
  const bool saved = component_->getState(&stream) == kResultOk;
  if (stream.overran()) {
    error = "the plug-in's state passes the " + std::to_string(kMaxStateBytes >> 20) + " MiB this host keeps";
    return false;
  }
  if (!saved) {
    error = "the plug-in refused to save its state";
    return false;
  }
  bytes = stream.bytes();
  return true;
}

void PluginInstance::syncControllerState() {
  if (controller_ == nullptr) return;
  ByteStream stream;
  if (component_->getState(&stream) != kResultOk || stream.overran()) return;
  stream.rewind();
  (void)controller_->setComponentState(&stream);
}

}  // namespace talvo::host
