// The life cycle a host puts a plug-in through: made, initialized and
// terminated again and again; suspended and resumed between blocks; its two
// halves connected, disconnected and connected anew.
#include <cstring>

#include "hosting/host_context.h"
#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/vst/ivstmessage.h"
#include "validate/checks.h"
#include "validate/process_rig.h"

namespace talvo::validate {

using Steinberg::kResultOk;
using namespace Steinberg::Vst;

namespace {

// One object of a class, made and released as a host does; null when the factory refuses.
template <typename Iface>
Iface* make(Steinberg::IPluginFactory& factory, const Steinberg::TUID cid) {
  void* object = nullptr;
  if (factory.createInstance(cid, Iface::iid.toTUID(), &object) != kResultOk) return nullptr;
  return static_cast<Iface*>(object);
}

template <typename Iface>
Iface* query(Steinberg::FUnknown* object) {
  void* out = nullptr;
  if (object == nullptr || object->queryInterface(Iface::iid.toTUID(), &out) != kResultOk) return nullptr;
  return static_cast<Iface*>(out);
}

// A component and, when it names one, its controller: made and initialized
// as a host does (the controller class is asked for after initialize),
// terminated and released in reverse.
class Pair {
 public:
  Pair(Steinberg::IPluginFactory& factory, const host::ClassRecord& processor, host::HostContext& context)
      : context_(context) {
    Steinberg::TUID cid;
    std::copy(processor.cid.begin(), processor.cid.end(), reinterpret_cast<std::uint8_t*>(cid));
    component_ = make<IComponent>(factory, cid);
    Steinberg::TUID controllerCid{};
    if (component_ == nullptr || component_->initialize(&context_) != kResultOk) {
      error_ = component_ == nullptr ? "the factory cannot make the processor class"
                                     : "the processor's initialize failed";
      return;
    }
    if (component_->getControllerClassId(controllerCid) != kResultOk) return;
    controller_ = make<IEditController>(factory, controllerCid);
    if (controller_ == nullptr || controller_->initialize(&context_) != kResultOk)
      error_ = "the controller cannot be made or initialized";
  }
  ~Pair() { (void)terminate(); }
  Pair(const Pair&) = delete;
  Pair& operator=(const Pair&) = delete;

  [[nodiscard]] const std::string& error() const { return error_; }
  [[nodiscard]] IComponent* component() const { return component_; }
  [[nodiscard]] IEditController* controller() const { return controller_; }

  /// Terminates and releases both; false when a terminate failed.
  bool terminate() {
    bool ok = true;
    if (controller_ != nullptr) {
      ok = controller_->terminate() == kResultOk;
      controller_->release();
      controller_ = nullptr;
    }
    if (component_ != nullptr) {
      ok = component_->terminate() == kResultOk && ok;
      component_->release();
      component_ = nullptr;
    }
    return ok;
  }

 private:
  host::HostContext& context_;
  IComponent* component_ = nullptr;
  IEditController* controller_ = nullptr;
  std::string error_;
};

}  // namespace

Result checkInitializeTerminate(Session& session) {
  host::HostContext context;
  const int rounds = session.scaled(2, 16);
  for (int round = 0; round < rounds; ++round) {
    Pair pair(session.factory(), session.processorClass(), context);
    if (!pair.error().empty()) return fail("round " + std::to_string(round) + ": " + pair.error());
    // The same objects again after terminate, as a host that keeps them may do.
    IComponent* component = pair.component();
    IEditController* controller = pair.controller();
    const bool again = (controller == nullptr || controller->terminate() == kResultOk) &&
                       component->terminate() == kResultOk && component->initialize(&context) == kResultOk &&
                       (controller == nullptr || controller->initialize(&context) == kResultOk);
    if (!again) return fail("round " + std::to_string(round) + ": terminate and initialize again failed");
    if (!pair.terminate()) return fail("round " + std::to_string(round) + ": terminate failed");
  }
  // And the module still makes working instances afterwards.
  std::string error;
  const auto instance = session.instance(error);
  if (instance == nullptr || !renderNoise(*instance, RenderPlan{}, nullptr, error)) return fail(error);
  return pass(std::to_string(rounds) + " rounds");
}

Result checkSuspendResume(Session& session) {
  std::string error;
  const auto instance = session.instance(error);
  if (instance == nullptr) return fail(error);
  ProcessRig rig;
  if (!rig.setup(*instance->component(), 1024, kSample32, error)) return fail(error);
  const int rounds = session.scaled(3, 20);
  for (int round = 0; round < rounds; ++round) {
    // Another block size every other round: hosts change it while suspended.
    const std::int32_t block = round % 2 == 0 ? 512 : 1024;
    if (!instance->start(48000.0, block, kRealtime, error))
      return fail("round " + std::to_string(round) + ": " + error);
    for (int i = 0; i < 4; ++i) {
      rig.fillInputs(block);
      if (!rig.run(*instance->processor(), block, nullptr, error))
        return fail("after resuming " + std::to_string(round) + " times, " + error);
    }
    instance->stop();
  }
  return pass(std::to_string(rounds) + " rounds");
}

Result checkConnection(Session& session) {
  host::HostContext context;
  Pair pair(session.factory(), session.processorClass(), context);
  if (!pair.error().empty()) return fail(pair.error());
  if (pair.controller() == nullptr) return skip("the plug-in has no controller");
  IConnectionPoint* processorPoint = query<IConnectionPoint>(pair.component());
  IConnectionPoint* controllerPoint = query<IConnectionPoint>(pair.controller());
  Result result = pass();
  if (processorPoint == nullptr || controllerPoint == nullptr) {
    result = skip("the processor or the controller is no connection point");
  } else if (processorPoint->connect(nullptr) == kResultOk ||
             controllerPoint->connect(nullptr) == kResultOk) {
    result = fail("a connection to nothing is accepted");
  } else {
    for (int round = 0; round < 2 && result.verdict == Verdict::kPass; ++round) {
      if (processorPoint->connect(controllerPoint) != kResultOk ||
          controllerPoint->connect(processorPoint) != kResultOk) {
        result = fail("connecting the processor and the controller failed");
        break;
      }
      // A message neither side knows is theirs to ignore.
      IMessage* message = nullptr;
      Steinberg::TUID iid;
      std::memcpy(iid, IMessage::iid.toTUID(), sizeof iid);
      if (context.createInstance(iid, iid, reinterpret_cast<void**>(&message)) == kResultOk) {
        message->setMessageID("talvo.validate.unknown");
        (void)processorPoint->notify(message);
        (void)controllerPoint->notify(message);
        message->release();
      }
      if (processorPoint->disconnect(controllerPoint) != kResultOk ||
          controllerPoint->disconnect(processorPoint) != kResultOk) {
        result = fail("disconnecting the processor and the controller failed");
      }
    }
  }
  if (processorPoint != nullptr) processorPoint->release();
  if (controllerPoint != nullptr) controllerPoint->release();
  return result;
}

}  // namespace talvo::validate
