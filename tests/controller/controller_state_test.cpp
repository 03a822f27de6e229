// The controller's two state documents and the page's state restore.
#include <string>

#include "controller/controller_fixture.h"
#include "hosting/byte_stream.h"

namespace talvo::test {
namespace {

using namespace Steinberg;

constexpr char kMap[] = R"({"version":1,"bindings":[{"cc":74,"path":"oriel.depth"}]})";

class ControllerState : public ControllerTest {
 protected:
  tresult restoreComponent(std::string bytes) {
    host::ByteStream stream(std::move(bytes));
    return controller_->setComponentState(&stream);
  }
  tresult restoreOwn(std::string bytes) {
    host::ByteStream stream(std::move(bytes));
    return controller_->setState(&stream);
  }
  std::string saved() {
    host::ByteStream stream;
    EXPECT_EQ(controller_->getState(&stream), kResultOk);
    return stream.bytes();
  }
};

TEST_F(ControllerState, AComponentStateWithOnlyAMapAdoptsItAndLeavesTheParameters) {
  EXPECT_EQ(saved(), "{}");
  ASSERT_EQ(restoreComponent(std::string(R"({"ccMap":)") + kMap + "}"), kResultOk);
  EXPECT_EQ(controller_->getParamNormalized(1), 0.1);
  EXPECT_EQ(takeEdits(), "restart 32, ");
  EXPECT_EQ(takeSent(), "talvo.ccMap ");
  EXPECT_EQ(takePage().at(0), std::string(R"({"type":"talvo.ccMapChanged","map":)") + kMap + "}");
  EXPECT_EQ(saved(), std::string(R"({"ccMap":)") + kMap + "}");
  // Unreadable documents change nothing; an empty controller state is no state.
  EXPECT_EQ(restoreComponent(R"({"params":{"oriel.depth":0.9})"), kResultFalse);
  EXPECT_EQ(restoreOwn(R"({"ccMap":[)"), kResultFalse);
  EXPECT_EQ(restoreOwn(""), kResultOk);
  EXPECT_EQ(controller_->getParamNormalized(1), 0.1);
  ASSERT_EQ(restoreComponent(R"({"params":{"oriel.rate":20,"oriel.depth":0.9,"oriel.wet":nan}})"), kResultOk);
  EXPECT_EQ(controller_->getParamNormalized(0), 1.0);
  EXPECT_EQ(controller_->getParamNormalized(1), 0.9);
  EXPECT_EQ(controller_->getParamNormalized(2), 1.0) << "a value that is no number is left alone";
}

TEST_F(ControllerState, ThePagesStateIsEditedInAsTheUsersAndItsPadsGoToTheProcessor) {
  send(R"({"type":"talvo.setState","state":{"params":{"oriel.depth":0.5},"sampler":{"v":1,)"
       R"("pads":{"kick":{"gain":0.5}}}}})");
  EXPECT_EQ(takeEdits(), "begin 1, perform 1 0.500000, end 1, ");
  EXPECT_EQ(takeSent(), "talvo.padOverrides ");
  const auto page = takePage();
  ASSERT_EQ(page.size(), 2u);
  EXPECT_EQ(page[0], R"({"type":"talvo.paramChanged","path":"oriel.depth","value":0.5,"normalized":0.5})");
  EXPECT_EQ(page[1].rfind(R"({"type":"talvo.bankState","reason":"restore")", 0), 0u) << page[1];
  EXPECT_EQ(saved(), R"({"sampler":{"v":1,"pads":{"kick":{"gain":0.5}}}})");
}

}  // namespace
}  // namespace talvo::test
