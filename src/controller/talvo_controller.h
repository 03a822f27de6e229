#pragma once
// The plug-in's edit controller ("Oriel Controller"): publishes the three
// parameters, the "Root" unit and the "Factory Presets" program list, answers
// the host's MIDI mapping queries from the CC map, opens the editor and owns
// everything the editor page talks to: the page sink, the CC map, the bank
// control, the preset state, the diagnostics state and the cadence clock.
// Everything runs on the host's main thread, the clock's ticks included.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "bankcontrol/bank_control.h"
#include "ccmap/cc_map.h"
#include "controller/bridge_exports.h"
#include "controller/cadence_clock.h"
#include "diagnostics/host_facts.h"
#include "diagnostics/lifecycle_log.h"
#include "diagnostics/report_facts.h"
#include "diagnostics/transport_fact.h"
#include "editor/bridge_host.h"
#include "messages/bridge_message.h"
#include "pluginterfaces/vst/ivstmidicontrollers.h"
#include "pluginterfaces/vst/ivstparameterfunctionname.h"
#include "public.sdk/source/vst/vsteditcontroller.h"

namespace talvo {

/// The program list "Factory Presets"; its program-change parameter has the same id.
inline constexpr Steinberg::Vst::ProgramListID kFactoryProgramListId = 1057030145;
inline constexpr Steinberg::Vst::ParamID kProgramChangeParamId = kFactoryProgramListId;

class TalvoController : public Steinberg::Vst::EditControllerEx1,
                        public Steinberg::Vst::IMidiMapping,
                        public Steinberg::Vst::IParameterFunctionName,
                        public IDiagnosticBridge,
                        public BridgeHost {
 public:
  TalvoController();
  ~TalvoController() override;

  /// The factory's create function: a new controller as its IEditController.
  /// `factory` (a PluginFactory, or null) lends the host context it was given.
  static Steinberg::FUnknown* createInstance(void* factory);

  // IPluginBase
  /// Identifies the host, publishes parameters, unit and program list, records
  /// "created" and starts the cadence clock when the host offers a run loop.
  Steinberg::tresult PLUGIN_API initialize(Steinberg::FUnknown* context) SMTG_OVERRIDE;
  /// Closes open page gestures, records "destroyed" and stops the clock.
  Steinberg::tresult PLUGIN_API terminate() SMTG_OVERRIDE;

  // IEditController
  /// The processor's saved document: parameters, CC map and pad overrides.
  Steinberg::tresult PLUGIN_API setComponentState(Steinberg::IBStream* state) SMTG_OVERRIDE;
  /// The controller's own document: CC map and pad overrides only.
  Steinberg::tresult PLUGIN_API setState(Steinberg::IBStream* state) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API getState(Steinberg::IBStream* state) SMTG_OVERRIDE;
  /// The program-change parameter loads factory preset 0 whatever the value;
  /// any other change goes to the page unless the page itself just made it.
  Steinberg::tresult PLUGIN_API setParamNormalized(Steinberg::Vst::ParamID id,
                                                   Steinberg::Vst::ParamValue value) SMTG_OVERRIDE;
  /// An index outside the parameters is refused rather than thrown.
  Steinberg::tresult PLUGIN_API getParameterInfo(Steinberg::int32 paramIndex,
                                                 Steinberg::Vst::ParameterInfo& info) SMTG_OVERRIDE;
  /// The web editor for "editor"; null for any other name.
  Steinberg::IPlugView* PLUGIN_API createView(Steinberg::FIDString name) SMTG_OVERRIDE;

  // IUnitInfo: an index outside the list is refused rather than thrown.
  Steinberg::tresult PLUGIN_API getUnitInfo(Steinberg::int32 unitIndex,
                                            Steinberg::Vst::UnitInfo& info) SMTG_OVERRIDE;

  // IMidiMapping: the first enabled binding of the CC map that matches.
  Steinberg::tresult PLUGIN_API getMidiControllerAssignment(Steinberg::int32 busIndex,
                                                            Steinberg::int16 channel,
                                                            Steinberg::Vst::CtrlNumber midiControllerNumber,
                                                            Steinberg::Vst::ParamID& id) SMTG_OVERRIDE;

  // IParameterFunctionName: hosts find a parameter by its path ("oriel.wet"),
  // the name the state, the page and the CC map use, and the mix as "DryWetMix".
  Steinberg::tresult PLUGIN_API
  getParameterIDFromFunctionName(Steinberg::Vst::UnitID unitID, Steinberg::FIDString functionName,
                                 Steinberg::Vst::ParamID& paramID) SMTG_OVERRIDE;

  // IConnectionPoint: the processor's "talvo." reports.
  Steinberg::tresult PLUGIN_API notify(Steinberg::Vst::IMessage* message) SMTG_OVERRIDE;

  // IDiagnosticBridge
  void PLUGIN_API deliverBridgeMessage(const char* json, std::size_t length) SMTG_OVERRIDE;
  void PLUGIN_API installBridgeSink(Callback callback, void* context) SMTG_OVERRIDE;
  void PLUGIN_API tickDiagnosticCadence() SMTG_OVERRIDE { tickCadence(); }

  // BridgeHost
  void handleBridgeMessage(const char* json, std::size_t length) override;
  void setBridgeSink(std::function<void(const std::string&)> sink) override;
  void onEditorOpened() override;
  /// Also closes open page gestures and ends the page's subscriptions.
  void onEditorClosed() override;
  void onEditorError(const char* reason) override;
  void onEditorTick() override;

  /// One cadence tick: a transport poll and a feed drain for the processor.
  void tickCadence();
  /// The tick period the page's feed rate asks for, in seconds.
  [[nodiscard]] double cadenceIntervalSeconds() const;
  [[nodiscard]] bool cadenceClockRunning() const { return clock_.running(); }

  OBJ_METHODS(TalvoController, EditControllerEx1)
  DEFINE_INTERFACES
  DEF_INTERFACE(Steinberg::Vst::IMidiMapping)
  DEF_INTERFACE(Steinberg::Vst::IParameterFunctionName)
  DEF_INTERFACE(IDiagnosticBridge)
  END_DEFINE_INTERFACES(EditControllerEx1)
  REFCOUNT_METHODS(EditControllerEx1)

 private:
  /// Bank control's way into the controller.
  class BankBridge final : public BankControlHost {
   public:
    explicit BankBridge(TalvoController& controller) : controller_(controller) {}
    void sendBankJson(const std::string& json) override;
    void editParam(std::uint32_t index, double plainValue) override;
    double readParam(std::uint32_t index) override;
    void requestRuntimeBank(const std::string& source, const std::string& directory,
                            const std::string& sha256, const std::string& instrument) override;
    bool applyPadOverrides(const SamplerPadOverrides& pads) override;
    bool pickFolder(std::string& path, std::string& error) override;
    void notePresetSelected(const std::string& id, const std::string& name) override;

   private:
    TalvoController& controller_;
  };

  struct BridgeRoute;
  static const BridgeRoute kBridgeRoutes[];

  // Setting up (controller_lifecycle.cpp).
  void identifyHost(Steinberg::FUnknown* context);
  void addParametersUnitAndPrograms();
  static void onClockTick(void* controller);

  // Page messages, one handler per type (bridge_dispatch.cpp).
  void dispatch(const BridgeMessage& message);
  void onReady(const BridgeMessage& message);
  void onSubscribe(const BridgeMessage& message);
  void onUnsubscribe(const BridgeMessage& message);
  void onStimulus(const BridgeMessage& message);
  void onLoadFactoryPreset(const BridgeMessage& message);
  void onSetParam(const BridgeMessage& message);
  void onBeginEdit(const BridgeMessage& message);
  void onEndEdit(const BridgeMessage& message);
  void onGetState(const BridgeMessage& message);
  void onSetCcMap(const BridgeMessage& message);
  void onSetState(const BridgeMessage& message);
  void onNote(const BridgeMessage& message);

  // Page gestures: at most one open gesture per parameter, each closed once.
  void beginPageGesture(std::uint32_t index);
  void endPageGesture(std::uint32_t index);
  void closePageGestures();

  // Parameters, state and presets (controller_state.cpp, controller_params.cpp).
  /// A host edit (begin, set, perform, end) to a plain value; the page hears
  /// of it. Non-finite values and unknown indexes are ignored.
  void editPlainParam(std::uint32_t index, double plain);
  void adoptCcMap(const CcMap& map, bool notifyUi);
  void applyFactoryPreset(std::uint32_t index);
  void refreshPresetState();
  [[nodiscard]] bool presetDirty();
  [[nodiscard]] std::string writeControllerStateJson() const;
  [[nodiscard]] std::string writePageStateJson();

  // Processor reports (processor_intake.cpp).
  void adoptTransportFact(const TransportFact& fact);
  void adoptHostFacts(const HostFacts& facts);
  void adoptRuntimeReport(std::string_view report);

  // Page messages the controller writes (hello.cpp).
  void sendHello();
  void sendParamChanged(Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue normalized);
  void replayLifecycle();
  void pollTransport();
  void drainProcessorFeeds();

  // Sending.
  /// Calls the page sink when one is set; the text is dropped otherwise.
  void sendToUi(const std::string& json);
  [[nodiscard]] bool hasSink() const { return static_cast<bool>(bridgeSink_); }
  /// Records an event of `kind`; fields go on the result, then publishLastLifecycle.
  DiagnosticLifecycleEvent& recordLifecycle(DiagnosticLifecycleKind kind, std::int64_t frame = -1);
  /// Sends the newest event to a page subscribed to the lifecycle feed.
  void publishLastLifecycle();
  void emitLifecycle(DiagnosticLifecycleKind kind) {
    recordLifecycle(kind);
    publishLastLifecycle();
  }

  BankBridge bankBridge_{*this};
  BankControl bankControl_{bankBridge_};
  std::function<void(const std::string&)> bridgeSink_;
  // The parameter change the page itself made last, so its echo is not sent back.
  std::int32_t echoParamId_ = -1;
  double echoValue_ = -1.0;
  CcMap ccMap_;
  bool hasCcMap_ = false;
  std::string runtimeReport_;
  HostFacts hostFacts_;
  bool hostChangeSubscribed_ = false;
  std::uint32_t hostChangeCounter_ = 0;
  PresetStateFacts presetFacts_;
  double presetValues_[3] = {};
  bool presetLoaded_ = false;
  std::uint32_t feedBits_ = 0;
  double feedRate_ = 0.0;
  DiagnosticLifecycleLog lifecycle_;
  TransportFact lastTransport_;
  bool hasTransport_ = false;
  double lastTransportSendMs_ = -1.0;
  bool transportResetPending_ = false;
  double lastTempo_ = 0.0;
  std::int32_t lastNumerator_ = 0;
  std::int32_t lastDenominator_ = 0;
  std::size_t messageBytes_ = 0;    // length of the page message being handled
  std::uint32_t pageGestures_ = 0;  // bit i: the page holds a gesture open on parameter i
  bool initialized_ = false;
  Steinberg::IPtr<Steinberg::FUnknown> factoryContext_;
  CadenceClock clock_;
};

}  // namespace talvo
