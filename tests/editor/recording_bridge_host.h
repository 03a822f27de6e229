#pragma once
// A BridgeHost that writes down what the editor tells it.
#include <string>
#include <vector>

#include "editor/bridge_host.h"

namespace talvo::test {

class RecordingBridgeHost : public BridgeHost {
 public:
  void handleBridgeMessage(const char* json, std::size_t length) override {
    messages.emplace_back(json, length);
  }
  void setBridgeSink(std::function<void(const std::string&)> newSink) override {
    events.push_back(newSink ? "sink" : "no sink");
    sink = std::move(newSink);
  }
  void onEditorOpened() override { events.push_back("opened"); }
  void onEditorClosed() override { events.push_back("closed"); }
  void onEditorError(const char* reason) override { events.push_back(std::string("error: ") + reason); }
  void onEditorTick() override { ++ticks; }

  [[nodiscard]] bool heard(const std::string& type) const {
    for (const std::string& m : messages) {
      if (m.find("\"type\":\"" + type + "\"") != std::string::npos) return true;
    }
    return false;
  }

  std::vector<std::string> events;
  std::vector<std::string> messages;
  std::function<void(const std::string&)> sink;
  int ticks = 0;
};

}  // namespace talvo::test
