// Bank control driven by page messages and processor replies, with a local HTTPS server.
#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>

#include "bankcontrol/recording_bank_host.h"
#include "banks/hosted/archive_builder.h"
#include "bridge/golden.h"
#include "bridge/sha256.h"
#include "support/https_test_server.h"
#include "support/strict_json.h"

namespace talvo {
namespace {

// The calls of every row go to tests/data/bankcontrol/transcript.txt (bridge/golden.h regenerates it).
TEST(BankControl, PageMessagesAndRepliesMakeTheseCallsAndStrictDocumentsInAnyLocale) {
  test::HttpsTestServer server;
  ASSERT_TRUE(server.start());
  const std::string archive = test::buildArchive({{"bank.json", "{}"}}), url = server.url("/b.zip");
  const std::string pin = sha256Hex(archive.data(), static_cast<std::uint32_t>(archive.size()));
  server.serve("/b.zip", archive);
  const auto cache = std::filesystem::path(TALVO_BINARY_DIR) / "test-scratch" / "bankcontrol";
  std::filesystem::remove_all(cache);
  const HostedFetchOptions options{cache.string(), server.caPem()};
  const std::string hosted =
      R"({"type":"talvo.loadBank","source":"hosted","instrument":"piano","url":")" + url;
  const std::string folder = R"({"type":"talvo.loadBank","source":"user-folder","bankPath":"/b"})";
  const std::string preset = R"({"type":"talvo.loadBankPreset","id":)";
  const std::string loaded =
      "ok\n\npiano\tPiano\tinstruments\npiano\tPiano\tinstruments\ndrums\tDrums\tkits\tmore\n"
      "\x01soft\tSoft\t\toriel.wet=0.5\x1Fother=1\n"
      "\x01warm\tWarm\tdrums\toriel.rate=0.1\n"
      "\x01junk\tJunk\t\toriel.wet=abc";
  const struct {
    const char* name;
    std::vector<std::string> steps;  // page messages ("{...}"), else processor replies
  } rows[] = {
      {"banks that cannot be had, and messages without what they need, change nothing",
       {R"({"type":"talvo.loadBank","source":"embedded","id":"x"})",
        R"({"type":"talvo.loadBank","source":"user-folder"})", R"({"type":"talvo.loadBank"})",
        R"({"type":"talvo.setPadOverrides"})", preset + R"(""})", R"({"type":"talvo.getBankState"})"}},
      {"the processor keeps written pads only, and the page learns of those it took",
       {R"({"type":"talvo.setPadOverrides","pads":{"refused":{"pan":1}}})",
        R"({"type":"talvo.setPadOverrides","pads":{"":{"gain":2},"kick":{"pan":-1}}})"}},
      {"a reply gives the instrument, two kits and the presets with a usable number", {folder, loaded}},
      {"presets edit the parameters they know, reload another instrument; failures forget presets",
       {folder, loaded, preset + R"("soft"})", preset + R"("warm"})", "bank-too-large\nrefused",
        preset + R"("warm"})"}},
      {"folder picking says this build has none", {R"({"type":"talvo.pickFolder"})"}},
      {"a hosted bank is downloaded and loaded from the cache, its URL kept",
       {hosted + R"(","sha256":")" + pin + "\"}", "ok\n\npiano\tPiano\tinstruments"}},
      {"a hosted bank whose bytes do not match the pin fails with its URL",
       {hosted + R"(","sha256":")" + std::string(64, 'a') + "\"}"}},
  };
  // Numbers must neither be read nor written with the host's decimal comma.
  const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  ASSERT_TRUE(std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) << "scripts/setup.sh makes this locale";
  std::string transcript;
  for (const auto& row : rows) {
    test::RecordingBankHost host;
    host.check = [](const std::string& json) { EXPECT_TRUE(test::isStrictJson(json)) << json; };
    BankControl control(host, options);
    for (const std::string& step : row.steps) {
      BridgeMessage message;
      if (step.front() != '{') {
        control.adoptRuntimeBankReply(step);
      } else if (!parseBridgeMessage(step.data(), step.size(), message) || !control.handleMessage(message)) {
        host.log += "unhandled\n";
      }
    }
    transcript += std::string("== ") + row.name + "\n" + host.log;
  }
  std::setlocale(LC_NUMERIC, saved.c_str());
  for (const auto& [from, to] : {std::pair{url, "{url}"}, {cache.string(), "{cache}"}, {pin, "{pin}"}}) {
    for (std::size_t at = transcript.find(from); at != std::string::npos; at = transcript.find(from, at))
      transcript.replace(at, from.size(), to);
  }
  test::expectGolden("bankcontrol/transcript.txt", transcript);
}

}  // namespace
}  // namespace talvo
