// Creating, initializing and terminating the controller; the editor's view
// and its open, close and error notices; the page sink and lifecycle events.
#include <cstring>
#include <utility>

#include "controller/host_identity.h"
#include "controller/talvo_controller.h"
#include "params/talvo_parameter.h"
#include "pluginterfaces/vst/ivsthostapplication.h"
#include "vst3/guarded_call.h"
#include "vst3/plugin_factory.h"
#if defined(__APPLE__)
#include "editor/mac/webview_plug_view.h"
#else
#include "editor/linux/webview_plug_view.h"
#endif

namespace talvo {

using namespace Steinberg;
using namespace Steinberg::Vst;

TalvoController::TalvoController() = default;

TalvoController::~TalvoController() {
  // A host may release the controller without terminating it.
  clock_.stop();
}

FUnknown* TalvoController::createInstance(void* factory) {
  auto* controller = new TalvoController();
  if (factory != nullptr) controller->factoryContext_ = static_cast<PluginFactory*>(factory)->hostContext();
  return static_cast<IEditController*>(controller);
}

tresult PLUGIN_API TalvoController::initialize(FUnknown* context) {
  if (initialized_) return kResultFalse;
  const tresult result = EditControllerEx1::initialize(context);
  if (result != kResultOk) return result;
  return guardedCall([&] {
    initialized_ = true;
    identifyHost(context);
    addParametersUnitAndPrograms();
    refreshPresetState();
    emitLifecycle(DiagnosticLifecycleKind::created);
    FUnknown* hosts[] = {context, factoryContext_};
    clock_.start(hosts, 2, &TalvoController::onClockTick, this);
    return kResultOk;
  });
}

tresult PLUGIN_API TalvoController::terminate() {
  guardedRun([&] {
    // Before the base class lets go of the component handler.
    closePageGestures();
    emitLifecycle(DiagnosticLifecycleKind::destroyed);
  });
  clock_.stop();
  initialized_ = false;
  return EditControllerEx1::terminate();
}

void TalvoController::identifyHost(FUnknown* context) {
  FUnknownPtr<IHostApplication> application(context);
  if (!application) return;
  String128 name{};
  if (application->getName(name) != kResultOk) return;
  // ASCII only: other code units become '?', so the reports always carry valid text.
  char ascii[sizeof hostFacts_.hostName] = {};
  for (std::size_t i = 0; i + 1 < sizeof ascii && name[i] != 0; ++i)
    ascii[i] = name[i] < 0x80 ? static_cast<char>(name[i]) : '?';
  std::memcpy(hostFacts_.hostName, ascii, sizeof ascii);
  hostFacts_.validatorKind = validatorKindForHostName(ascii);
}

void TalvoController::addParametersUnitAndPrograms() {
  for (const talvo_param_desc& desc : TALVO_PARAMS)
    parameters.addParameter(new TalvoParameter(desc));
  addUnit(new Unit(STR16("Root"), kRootUnitId, kNoParentUnitId, kFactoryProgramListId));
  auto* list = new ProgramList(STR16("Factory Presets"), kFactoryProgramListId, kRootUnitId);
  list->addProgram(STR16("Default"));
  addProgramList(list);
  // Loading a preset is a user action, not something to automate.
  Parameter* programChange = list->getParameter();
  programChange->getInfo().flags &= ~ParameterInfo::kCanAutomate;
  parameters.addParameter(programChange);
}

void TalvoController::onClockTick(void* controller) {
  guardedRun([&] { static_cast<TalvoController*>(controller)->tickCadence(); });
}

tresult PLUGIN_API TalvoController::getUnitInfo(int32 unitIndex, UnitInfo& info) {
  if (unitIndex < 0 || unitIndex >= getUnitCount()) return kResultFalse;
  return EditControllerEx1::getUnitInfo(unitIndex, info);
}

tresult PLUGIN_API TalvoController::getParameterInfo(int32 paramIndex, ParameterInfo& info) {
  // The SDK's container would throw std::out_of_range across the interface.
  if (paramIndex < 0 || paramIndex >= getParameterCount()) return kResultFalse;
  return EditControllerEx1::getParameterInfo(paramIndex, info);
}

IPlugView* PLUGIN_API TalvoController::createView(FIDString name) {
  if (name == nullptr || std::strcmp(name, ViewType::kEditor) != 0) return nullptr;
  IPlugView* view = nullptr;
  guardedRun([&] {
#if defined(__APPLE__)
    view = createWebViewEditor(static_cast<IEditController*>(this), this, nullptr);
#else
    view = createWebViewEditor(static_cast<IEditController*>(this), this, nullptr, hostContext);
#endif
  });
  return view;
}

void TalvoController::setBridgeSink(std::function<void(const std::string&)> sink) {
  bridgeSink_ = std::move(sink);
}

void PLUGIN_API TalvoController::installBridgeSink(Callback callback, void* context) {
  if (callback == nullptr) {
    bridgeSink_ = nullptr;
    return;
  }
  bridgeSink_ = [callback, context](const std::string& json) { callback(context, json.data(), json.size()); };
}

void PLUGIN_API TalvoController::deliverBridgeMessage(const char* json, std::size_t length) {
  handleBridgeMessage(json, length);
}

void TalvoController::onEditorOpened() {
  guardedRun([&] { emitLifecycle(DiagnosticLifecycleKind::editorOpened); });
}

void TalvoController::onEditorClosed() {
  guardedRun([&] {
    closePageGestures();
    emitLifecycle(DiagnosticLifecycleKind::editorClosed);
  });
  // A page opened later starts unsubscribed.
  feedBits_ = 0;
  feedRate_ = 0.0;
  hostChangeSubscribed_ = false;
}

void TalvoController::onEditorError(const char* reason) {
  guardedRun([&] {
    recordLifecycle(DiagnosticLifecycleKind::editorError)
        .addString("reason", reason != nullptr ? reason : "unknown");
    publishLastLifecycle();
  });
}

void TalvoController::onEditorTick() {
  guardedRun([&] { tickCadence(); });
}

void TalvoController::sendToUi(const std::string& json) {
  if (!bridgeSink_) return;
  // A copy: the sink may replace itself (an editor closing) while it runs.
  const auto sink = bridgeSink_;
  sink(json);
}

DiagnosticLifecycleEvent& TalvoController::recordLifecycle(DiagnosticLifecycleKind kind, std::int64_t frame) {
  return lifecycle_.record(kind, frame);
}

void TalvoController::publishLastLifecycle() {
  if (!hasSink() || (feedBits_ & kFeedLifecycle) == 0 || lifecycle_.count() == 0) return;
  std::string json;
  if (writeDiagnosticLifecycleJson(json, &lifecycle_.at(lifecycle_.count() - 1), 1, 0)) sendToUi(json);
}

}  // namespace talvo
