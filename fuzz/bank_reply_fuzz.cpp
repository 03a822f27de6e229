// Arbitrary bytes as the processor's reply to a bank load: the page must get a strict JSON bank state.
#include <algorithm>
#include <nlohmann/json.hpp>

#include "bankcontrol/recording_bank_host.h"
#include "document_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace talvo;
  // Bank texts pass through byte for byte: fold non-ASCII so their UTF-8 is not what is judged.
  std::string reply(reinterpret_cast<const char*>(data), size);
  std::replace_if(
      reply.begin(), reply.end(), [](char c) { return static_cast<unsigned char>(c) > 0x7F; }, '?');
  test::RecordingBankHost host;
  host.check = [](const std::string& json) { fuzz::require(nlohmann::json::accept(json), "strict JSON"); };
  BankControl control(host);
  control.adoptRestoredRef("user-folder", "/banks/one", "", "", "");
  control.adoptRuntimeBankReply(reply);
  fuzz::require(host.log.starts_with("send "), "every reply is answered with a bank state");
  return 0;
}
