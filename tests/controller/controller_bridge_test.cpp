// The controller through the exported bridge functions, a recording component
// handler and a recording processor peer.
#include <cmath>
#include <string>
#include <tuple>

#include "base/source/fobject.h"
#include "bridge/golden.h"
#include "controller/controller_fixture.h"

namespace talvo::test {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

constexpr double kRateDefault = (5.0 - 0.1) / (20.0 - 0.1);

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

using Controller = ControllerTest;

TEST_F(Controller, HelloRightAfterInitializeDescribesTheDefaultsAndNoHost) {
  send(R"({"type":"talvo.ready"})");
  const auto page = takePage();
  ASSERT_EQ(page.size(), 1u);
  // Regenerate: TALVO_UPDATE_GOLDEN=1 ctest --preset debug -R Controller.Hello
  expectGolden("controller/hello_initial.json", page[0]);
}

TEST_F(Controller, PageEditsReachTheHostAndOnlyTheHostsOwnChangesEchoBack) {
  send(R"({"type":"talvo.setParam","path":"oriel.rate","value":5})");
  EXPECT_EQ(controller_->getParamNormalized(0), kRateDefault);
  EXPECT_EQ(takeEdits(), "perform 0 0.246231, ");
  EXPECT_TRUE(takePage().empty());
  // The host's own change (automation) goes to the page.
  EXPECT_EQ(controller_->setParamNormalized(0, 0.0), kResultOk);
  EXPECT_EQ(takePage(),
            std::vector<std::string>{R"({"type":"talvo.paramChanged","path":"oriel.rate","value":0.1,)"
                                     R"("normalized":0})"});
  // A missing or non-finite value, or an unknown path, is no edit at all.
  for (const char* ignored : {R"({"type":"talvo.setParam","path":"oriel.rate"})",
                              R"({"type":"talvo.setParam","path":"oriel.rate","value":nan})",
                              R"({"type":"talvo.setParam","path":"oriel.rate","value":-inf})",
                              R"({"type":"talvo.setParam","path":"oriel.size","value":1})"}) {
    send(ignored);
    EXPECT_EQ(takeEdits(), "") << ignored;
  }
  EXPECT_EQ(controller_->setParamNormalized(0, std::nan("")), kInvalidArgument);
  EXPECT_EQ(controller_->getParamNormalized(0), 0.0);
}

TEST_F(Controller, FactoryPresetLoadsThroughTheProgramChangeParameter) {
  send(R"({"type":"talvo.setParam","path":"oriel.depth","value":0.5})");
  send(R"({"type":"talvo.loadFactoryPreset","id":"Default"})");
  takeEdits();
  takeSent();
  send(R"({"type":"talvo.loadFactoryPreset","id":"default"})");
  EXPECT_EQ(takeEdits(),
            "begin 1057030145, begin 0, perform 0 0.246231, end 0, begin 1, perform 1 0.100000, end 1, "
            "begin 2, perform 2 1.000000, end 2, perform 1057030145 0.000000, end 1057030145, restart 4, ");
  EXPECT_EQ(takeSent(), "talvo.diag.presetLoaded ");
  takePage();
  send(R"({"type":"talvo.getState"})");
  EXPECT_EQ(takePage(), std::vector<std::string>{R"({"type":"talvo.state","state":{"params":)"
                                                 R"({"oriel.rate":5,"oriel.depth":0.1,"oriel.wet":1}}})"});
  // The host moving the program parameter itself loads the preset too.
  EXPECT_EQ(controller_->setParamNormalized(kProgramChangeParamId, 0.7), kResultOk);
  EXPECT_TRUE(contains(takeEdits(), "restart 4"));
}

TEST_F(Controller, SubscribingCapsTheRateReplaysTheLifecycleAndResetsTheTransport) {
  const std::tuple<const char*, double> rates[] = {
      {"120", 1.0 / 30}, {"10", 0.1}, {"0.5", 1.0}, {"nan", 1.0 / 30}};
  for (const auto& [hz, interval] : rates) {
    send(std::string(R"({"type":"talvo.diag.subscribe","feeds":["transport"],"hz":)") + hz + "}");
    EXPECT_DOUBLE_EQ(controller_->cadenceIntervalSeconds(), interval) << hz;
  }
  takeSent();
  send(R"({"type":"talvo.diag.subscribe","feeds":["lifecycle"],"hz":10})");
  const auto page = takePage();
  ASSERT_EQ(page.size(), 1u);
  EXPECT_TRUE(contains(page[0], R"({"type":"talvo.lifecycle","events":[{"seq":1,)")) << page[0];
  EXPECT_TRUE(contains(page[0], R"("kind":"created"})")) << page[0];
  EXPECT_EQ(takeSent(), "talvo.diag.transportPoll=1 ");
  EXPECT_EQ(talvoTickDiagnosticCadence(unknown()), 1);
  EXPECT_EQ(takeSent(), "talvo.diag.transportPoll=0 talvo.diag.feedDrain ");
}

TEST_F(Controller, AnAdoptedCcMapRestartsTheHostAndAnswersItsMidiMappingQueries) {
  send(R"({"type":"talvo.setCcMap","map":[{"cc":74,"path":"oriel.depth","channel":4},)"
       R"({"cc":74,"path":"oriel.wet","channel":4},{"cc":1,"path":"oriel.rate"},)"
       R"({"cc":2,"path":"oriel.wet","enabled":false}]})");
  EXPECT_EQ(takeEdits(), "restart 32, ");
  EXPECT_EQ(takeSent(), "talvo.ccMap ");
  EXPECT_TRUE(contains(takePage().at(0), R"({"type":"talvo.ccMapChanged")"));
  // Bus, channel (0-based), controller number; the parameter, or -1 for no answer.
  const std::tuple<int32, int16, CtrlNumber, int> queries[] = {
      {0, 3, 74, 1}, {0, 2, 74, -1},  {0, 9, 1, 0},  // any channel
      {0, 0, 2, -1},                                 // disabled
      {1, 0, 1, -1}, {0, 0, 128, -1},
  };
  for (const auto& [bus, channel, cc, expected] : queries) {
    ParamID id = 99;
    const tresult result = controller_->getMidiControllerAssignment(bus, channel, cc, id);
    EXPECT_EQ(result == kResultOk ? static_cast<int>(id) : -1, expected)
        << bus << " " << channel << " " << cc;
  }
}

TEST_F(Controller, PageGesturesOpenOnceAndAreClosedOnReadyEditorCloseAndTerminate) {
  send(R"({"type":"talvo.beginEdit","path":"oriel.depth"})");
  send(R"({"type":"talvo.beginEdit","path":"oriel.depth"})");
  send(R"({"type":"talvo.endEdit","path":"oriel.rate"})");
  EXPECT_EQ(takeEdits(), "begin 1, ");
  send(R"({"type":"talvo.ready"})");
  EXPECT_EQ(takeEdits(), "end 1, ");
  send(R"({"type":"talvo.beginEdit","path":"oriel.wet"})");
  controller_->onEditorClosed();
  send(R"({"type":"talvo.endEdit","path":"oriel.wet"})");
  EXPECT_EQ(takeEdits(), "begin 2, end 2, ");
  send(R"({"type":"talvo.beginEdit","path":"oriel.rate"})");
  controller_->terminate();
  EXPECT_EQ(takeEdits(), "begin 0, end 0, ");
}

TEST_F(Controller, OnlyARuntimeReportThatIsOneJsonValueReachesThePage) {
  const std::string good = R"({"format":"talvo-runtime-health/v1","status":"healthy"})";
  for (const std::string& bad : {std::string(R"({"status":nan})"), std::string("{}});alert(1);({"),
                                 std::string("1 2"), std::string(65537, ' ')}) {
    ASSERT_EQ(peer_->sendToSource("talvo.runtimeDiagnostics", &bad), kResultOk);
  }
  EXPECT_TRUE(takePage().empty());
  ASSERT_EQ(peer_->sendToSource("talvo.runtimeDiagnostics", &good), kResultOk);
  EXPECT_EQ(takePage(),
            std::vector<std::string>{R"({"type":"talvo.runtimeDiagnostics","report":)" + good + "}"});
  send(R"({"type":"talvo.ready"})");
  EXPECT_TRUE(contains(takePage().at(0), R"("runtimeHealth":)" + good + R"(,"identity")"));
}

TEST_F(Controller, InitializeAfterTerminateStartsAfresh) {
  ASSERT_EQ(controller_->terminate(), kResultOk);
  ASSERT_EQ(controller_->initialize(&host_), kResultOk);
  EXPECT_EQ(controller_->initialize(&host_), kResultFalse);
  EXPECT_EQ(controller_->getParameterCount(), 4);
  EXPECT_EQ(controller_->getUnitCount(), 1);
  UnitInfo unit{};
  EXPECT_EQ(controller_->getUnitInfo(1, unit), kResultFalse);
  ParameterInfo param{};
  EXPECT_EQ(controller_->getParameterInfo(4, param), kResultFalse);
  send(R"({"type":"talvo.ready"})");
  EXPECT_EQ(takePage().size(), 1u);
}

TEST_F(Controller, NotesAreLoggedWithWholeNumbersAndMalformedTextOnlyWithItsLength) {
  testing::internal::CaptureStderr();
  send(R"({"type":"talvo.noteOn","note":60.7})");
  send(R"({"type":"talvo.noteOff","note":1e300})");
  send(R"({"type":"talvo.noteOn",)");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "talvo-plugin-shell: bridge talvo.noteOn note=60\n"
            "talvo-plugin-shell: bridge talvo.noteOff note=0\n"
            "talvo-plugin-shell: malformed bridge message (23 bytes)\n");
}

TEST_F(Controller, WithoutAProcessorABankRequestIsAnsweredAtOnce) {
  peer_->disconnect(nullptr);
  send(R"({"type":"talvo.loadBank","source":"user-folder","bankPath":"/banks/a"})");
  const auto page = takePage();
  ASSERT_EQ(page.size(), 1u);
  EXPECT_TRUE(contains(page[0], R"("error":{"code":"missing","requestedId":"/banks/a"})")) << page[0];
}

TEST(ControllerBridge, ObjectsOtherThanOurControllerAreRefused) {
  const IPtr<FObject> stranger = owned(new FObject());
  char text[] = "{}";
  for (FUnknown* object : {static_cast<FUnknown*>(stranger.get()), static_cast<FUnknown*>(nullptr)}) {
    EXPECT_EQ(talvoInstallDiagnosticBridgeSink(object, nullptr, nullptr), 0);
    EXPECT_EQ(talvoDeliverDiagnosticBridgeMessage(object, text, 2), 0);
    EXPECT_EQ(talvoTickDiagnosticCadence(object), 0);
  }
  EXPECT_EQ(talvoDiagnosticBridgeAbiVersion(), 2);
}

}  // namespace
}  // namespace talvo::test
