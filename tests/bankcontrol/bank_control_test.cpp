// Bank control driven by page messages and processor replies, with a local HTTPS server.
#include <gtest/gtest.h>

#include <clocale>
#include <memory>
#include <sstream>

#include "bankcontrol/recording_bank_host.h"
#include "banks/hosted/archive_builder.h"
#include "bridge/golden.h"
#include "bridge/sha256.h"
#include "support/https_test_server.h"
#include "support/scratch_dir.h"
#include "support/strict_json.h"

namespace talvo {
namespace {

// A reply as the transcript writes it: \n, \t and \xHH stand for their bytes.
std::string unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
    } else if (text[++i] == 'x') {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += text[i] == 'n' ? '\n' : text[i] == 't' ? '\t' : text[i];
    }
  }
  return out;
}

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

// tests/data/bankcontrol/transcript.txt: rows ("== " what the row shows) of steps, page messages
// ("> ") and processor replies ("< "), each followed by the calls it made; {url}, {pin} and
// {cache} stand for this run's values. bridge/golden.h regenerates the calls from the steps.
TEST(BankControl, PageMessagesAndRepliesMakeTheseCallsAndStrictDocumentsInAnyLocale) {
  test::HttpsTestServer server;
  ASSERT_TRUE(server.start());
  const std::string archive = test::buildArchive({{"bank.json", "{}"}});
  server.serve("/b.zip", archive);
  const test::ScratchDir cache;
  const std::pair<std::string, std::string> values[] = {
      {"{url}", server.url("/b.zip")},
      {"{pin}", sha256Hex(archive.data(), static_cast<std::uint32_t>(archive.size()))},
      {"{cache}", cache.dir()}};
  // Numbers must neither be read nor written with the host's decimal comma.
  const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  ASSERT_TRUE(std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) << "scripts/setup.sh makes this locale";
  std::istringstream lines(test::readDataFile("bankcontrol/transcript.txt"));
  std::string transcript;
  std::unique_ptr<test::RecordingBankHost> host;
  std::unique_ptr<BankControl> control;
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("== ")) {
      host = std::make_unique<test::RecordingBankHost>();
      host->check = [](const std::string& json) { EXPECT_TRUE(test::isStrictJson(json)) << json; };
      control = std::make_unique<BankControl>(*host, HostedFetchOptions{cache.dir(), server.caPem()});
    } else if (!line.starts_with("> ") && !line.starts_with("< ")) {
      continue;  // a call written by the last run
    }
    transcript += line + "\n";
    std::string step = line[0] == '<' ? unescape(line.substr(2)) : line.substr(2);
    for (const auto& [name, value] : values)
      replaceAll(step, name, value);
    BridgeMessage message;
    if (line[0] == '<') {
      control->adoptRuntimeBankReply(step);
    } else if (line[0] == '>' &&
               (!parseBridgeMessage(step.data(), step.size(), message) || !control->handleMessage(message))) {
      host->log += "unhandled\n";
    }
    for (const auto& [name, value] : values)
      replaceAll(host->log, value, name);
    transcript += host->log;
    host->log.clear();
  }
  std::setlocale(LC_NUMERIC, saved.c_str());
  test::expectGolden("bankcontrol/transcript.txt", transcript);
}

}  // namespace
}  // namespace talvo
