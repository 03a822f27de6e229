#pragma once
// Writes down every call of bank control, one line each; refuses pads named "refused".
#include <functional>

#include "bankcontrol/bank_control.h"
#include "bridge/json_write.h"

namespace talvo::test {

struct RecordingBankHost : BankControlHost {
  void sendBankJson(const std::string& json) override {
    if (check) check(json);
    log += "send " + json + "\n";
  }
  void editParam(std::uint32_t index, double value) override {
    jsonAppendNumber(log += "edit " + std::to_string(index) + " ", value);
    log += "\n";
  }
  double readParam(std::uint32_t) override { return 0.0; }
  void requestRuntimeBank(const std::string& source, const std::string& directory, const std::string& sha256,
                          const std::string& instrument) override {
    log += "request " + source + " | " + directory + " | " + sha256 + " | " + instrument + "\n";
  }
  bool applyPadOverrides(const SamplerPadOverrides& pads) override {
    log += "pads " + std::to_string(pads.size()) + "\n";
    return pads.empty() || pads.front().key != "refused";
  }
  bool pickFolder(std::string& path, std::string& error) override { return pickBankFolder(path, error); }
  void notePresetSelected(const std::string& id, const std::string& name) override {
    log += "preset " + id + " " + name + "\n";
  }
  std::function<void(const std::string&)> check;  // sees each outbound text first
  std::string log;
};

}  // namespace talvo::test
