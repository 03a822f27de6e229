// Bank recall: where a restored state's bank is read from; the reply's exact bytes.
#include "bankrecall/bank_recall.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

#include "bankrecall/runtime_bank_reply.h"
#include "banks/bank_writer.h"

using namespace talvo;
using namespace talvo::test;

TEST(RuntimeBankReply, FieldsCannotBeForgedAndNumbersIgnoreTheLocale) {
  const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) GTEST_SKIP() << "no comma-decimal locale installed";
  StagedBank bank;
  bank.instrumentId = "piano";
  bank.instrumentName = "Grand\tPiano";
  bank.instrumentList = "instruments";
  bank.positionings = {{"piano", "Grand", "instruments"}, {"kit\n1", "Kit\x01", "kits"}};
  bank.presets = {{"soft", "Soft\x1F", "piano", {{"oriel.wet", 0.5}, {"a=b", 0.25}}}};
  EXPECT_EQ(writeRuntimeBankReply(RuntimeBankOutcome::kOk, "", &bank),
            "ok\n\npiano\tGrand Piano\tinstruments\npiano\tGrand\tinstruments\nkit 1\tKit \tkits\n"
            "\x01soft\tSoft \tpiano\toriel.wet=0.5\x1F"
            "a b=0.25");
  EXPECT_EQ(writeRuntimeBankReply(RuntimeBankOutcome::kBankMissing, "cannot read /x\n/bank.json", &bank),
            "bank-missing\ncannot read /x /bank.json");
  std::setlocale(LC_NUMERIC, saved.c_str());
}

// The same valid pack lies outside the cache, in it and behind a link in it.
TEST(BankRecall, HostedBanksAreReadOnlyFromTheirCacheEntryAndFailuresAreRecorded) {
  const TempBank home;
  ASSERT_EQ(setenv("XDG_DATA_HOME", home.dir().c_str(), 1), 0);
  const std::string hex(64, 'a'), cached(64, 'c'), linked(64, 'd'), upper(64, 'E');
  home.pack("out/" + hex + "/");
  home.pack("Talvo/banks/" + cached + "/");
  home.pack("Talvo/banks/" + upper + "/");
  home.symlink(home.dir() + "/out/" + hex, "Talvo/banks/" + linked);
  const std::string out = home.dir() + "/out/" + hex;
  const std::string refused = "runtime bank load refused ";
  const std::string notCached = refused + "(bank-missing): the hosted bank is not in the bank cache";
  const std::string staged = refused + "(bank-too-large): " + kEngineRefusedBankMessage;
  const struct {
    std::string source, locator, recorded;
  } cases[] = {
      {"embedded", out, ""},
      {"", out, ""},
      {"user-folder", out, staged},
      {"hosted", out, notCached},
      {"hosted", "/elsewhere/" + cached, staged},
      {"hosted", "/elsewhere/" + upper, notCached},
      {"hosted", "/elsewhere/" + linked, notCached},
      {"hosted", "../../../../etc/passwd", notCached},
  };
  for (const auto& c : cases) {
    const std::string json = R"({"bank":{"id":"demo","sha256":"../../../../etc/x","source":")" + c.source +
                             R"(","locator":")" + c.locator + "\"}}";
    StateChunk state;
    ASSERT_TRUE(parseStateJson(json.data(), json.size(), state)) << json;
    KernelEngine engine;
    RuntimeBankRef recalled{"stale", "stale", "stale", "stale"};
    EXPECT_FALSE(recallRuntimeBankFromChunk(engine, state, recalled)) << json;
    EXPECT_TRUE(recalled.source.empty() && recalled.locator.empty() && recalled.instrument.empty());
    const talvo_runtime_diagnostic_ring& ring = engine.diagnosticRing();
    EXPECT_LE(ring.count, 1u);
    EXPECT_EQ(ring.count ? std::string(ring.records[0].message) : "", c.recorded.substr(0, 191)) << json;
  }
}
