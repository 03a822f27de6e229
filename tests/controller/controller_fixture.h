#pragma once
// An initialized controller as a host leaves it: our host context, a
// recording component handler, a recording peer in the processor's place,
// and the page played through the exported bridge functions. Every message
// the page receives must be strict JSON.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "controller/talvo_controller.h"
#include "hosting/component_handler.h"
#include "hosting/connection.h"
#include "hosting/host_context.h"
#include "support/strict_json.h"

namespace talvo::test {

class ControllerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    controller_ = Steinberg::owned(new TalvoController());
    ASSERT_EQ(controller_->initialize(&host_), Steinberg::kResultOk);
    ASSERT_EQ(controller_->setComponentHandler(&handler_), Steinberg::kResultOk);
    peer_ = std::make_unique<host::ConnectionProxy>(controller_.get());
    ASSERT_EQ(peer_->connect(nullptr), Steinberg::kResultOk);
    ASSERT_EQ(talvoInstallDiagnosticBridgeSink(unknown(), &ControllerTest::receive, this), 1);
  }
  void TearDown() override {
    peer_->disconnect(nullptr);
    controller_->terminate();
  }

  [[nodiscard]] Steinberg::FUnknown* unknown() const {
    return static_cast<Steinberg::Vst::IEditController*>(controller_.get());
  }
  void send(const std::string& json) {
    ASSERT_EQ(talvoDeliverDiagnosticBridgeMessage(unknown(), json.data(), json.size()), 1);
  }
  /// The page messages received since the last call, in order.
  std::vector<std::string> takePage() { return std::exchange(page_, {}); }
  /// The handler's records since the last call, one word each: "begin 1",
  /// "perform 1 0.5", "end 1", "restart 4".
  std::string takeEdits();
  /// Identifiers of what the controller sent the processor since the last call.
  std::string takeSent();

  host::HostContext host_;
  host::ComponentHandler handler_;
  Steinberg::IPtr<TalvoController> controller_;
  std::unique_ptr<host::ConnectionProxy> peer_;
  std::vector<std::string> page_;

 private:
  static void receive(void* self, const char* json, std::size_t length) {
    const std::string text(json, length);
    EXPECT_TRUE(isStrictJson(text)) << text;
    static_cast<ControllerTest*>(self)->page_.push_back(text);
  }
};

inline std::string ControllerTest::takeEdits() {
  std::string log;
  for (const host::ComponentHandler::Edit& e : handler_.edits()) {
    static const char* const kNames[] = {"begin ", "perform ", "end "};
    log += kNames[static_cast<int>(e.kind)] + std::to_string(e.id);
    if (e.kind == host::ComponentHandler::EditKind::perform) log += " " + std::to_string(e.value);
    log += ", ";
  }
  for (Steinberg::int32 flags : handler_.restarts())
    log += "restart " + std::to_string(flags) + ", ";
  handler_.clearRecords();
  return log;
}

inline std::string ControllerTest::takeSent() {
  std::string ids;
  for (const host::RecordedMessage& m : peer_->messages())
    ids += m.id + (m.reset >= 0 ? "=" + std::to_string(m.reset) : "") + " ";
  peer_->clearMessages();
  return ids;
}

}  // namespace talvo::test
