#include <gtest/gtest.h>

#include <sys/stat.h>

#include "bank_writer.h"
#include "banks/bank_files.h"
#include "bridge/sha256.h"
#include "support/data_file.h"

using namespace talvo;
using namespace talvo::test;

namespace {

constexpr const char* kPiano = R"("instruments":[{"id":"piano","name":"Grand","document":"piano.json"}])";
constexpr const char* kZoneOnA = R"({"id":"z","assetId":"a"})";

// A bank with one 100-frame asset and one instrument playing it.
struct SmallBank : TempBank {
  SmallBank() {
    entry = asset("a", "samples/a.wav", monoRamp16(100));
    manifest({entry}, kPiano);
    instrument("piano.json", kZoneOnA);
  }
  std::string entry;
};

void expectFailure(const RuntimeBankLoad& load, const std::string& outcome, const std::string& message) {
  EXPECT_EQ(runtimeBankOutcomeName(load.outcome), outcome) << load.error;
  EXPECT_EQ(load.error, message);
  // Nothing of a failed load is left for a careless caller to publish.
  EXPECT_TRUE(load.bank.id.empty() && load.bank.samplePool.empty() && load.bank.zones.empty()) << message;
}

}  // namespace

// Each outcome's own name is shown by the failures below.
TEST(RuntimeBankOutcomes, ValuesWithoutANameReadAsAMissingBank) {
  for (int value : {7, 255})
    EXPECT_STREQ(runtimeBankOutcomeName(static_cast<RuntimeBankOutcome>(value)), "bank-missing");
}

TEST(RuntimeBank, LoadsASmallBankWithItsIdentity) {
  SmallBank bank;
  const RuntimeBankLoad load = bank.load();
  ASSERT_EQ(load.outcome, RuntimeBankOutcome::kOk) << load.error;
  EXPECT_TRUE(load.error.empty());
  const StagedBank& b = load.bank;
  EXPECT_EQ(b.id + "|" + b.version + "|" + b.name + "|" + b.instrumentId + "|" + b.instrumentName + "|" +
                b.instrumentList,
            "demo|1.2|Demo Pack|piano|Grand|instruments");
  EXPECT_EQ(b.sampleRate, 44100.0);
  Bytes manifest;
  ASSERT_TRUE(readWholeFile(bank.dir() + "/bank.json", manifest));
  EXPECT_EQ(b.manifestSha256, sha256Hex(manifest.data(), static_cast<std::uint32_t>(manifest.size())));
  EXPECT_EQ(b.samplePool.size(), 100u);
}

// The rows of tests/data/banks/load_failures.txt, on the small bank and these files.
TEST(RuntimeBank, EachFailureHasItsOutcomeAndMessage) {
  SmallBank bank;
  bank.write("b.wav", monoRamp16(10));  // 64 bytes
  bank.write("e.wav", wav(fmtBody(1, 1, 44100, 8), Bytes(40, 0x80)));
  bank.write("c.wav", monoRamp16(150));
  TempBank outside;
  outside.write("x.wav", monoRamp16(20));
  outside.instrument("inst.json", kZoneOnA);
  bank.symlink(outside.dir() + "/x.wav", "samples/link.wav");
  bank.symlink(outside.dir(), "out");
  ASSERT_EQ(mkfifo((bank.dir() + "/pipe.wav").c_str(), 0600), 0);
  bank.writeSparse("huge.wav", kMaxBankFileBytes + 1);
  bank.writeSparse("huge.json", kMaxBankFileBytes + 1);
  bank.writeSparse("big.wav", kMaxBankFileBytes);
  for (const CaseRow& row : readCaseTable("banks/load_failures.txt")) {
    const std::string &manifest = row.at(0), &instrument = row.at(1), rest = manifest.substr(1);
    bank.write("bank.json", manifest == "-"      ? packManifest({bank.entry}, kPiano)
                            : manifest[0] == '+' ? packManifest({bank.entry, rest}, kPiano)
                            : manifest[0] == '&' ? packManifest({bank.entry}, rest)
                                                 : manifest);
    bank.write("piano.json", instrument == "-"      ? instrumentDocument(kZoneOnA)
                             : instrument[0] == '+' ? instrumentDocument(instrument.substr(1))
                                                    : instrument);
    expectFailure(bank.load(row.size() > 4 ? row[4] : "", row.size() > 5 ? std::stoul(row[5]) : 0), row.at(2),
                  row.at(3));
  }
  // A manifest that is missing, a pipe or a directory cannot be read.
  TempBank missing, pipe, directory;
  ASSERT_EQ(mkfifo((pipe.dir() + "/bank.json").c_str(), 0600), 0);
  directory.write("bank.json/inner", Bytes(1, 0));
  for (const TempBank* b : {&missing, &pipe, &directory})
    expectFailure(b->load(), "bank-missing", "cannot read " + b->dir() + "/bank.json");
}

TEST(RuntimeBank, UndeclaredChecksAreSkippedLinksInsideAreFollowedAndTheArenaMayBeExactlyFull) {
  SmallBank bank;
  bank.write("b.wav", monoRamp16(10));  // 64 bytes
  for (const char* entry :
       {R"({"id":"b","path":"b.wav"})", R"({"id":"b","path":"b.wav","bytes":-1,"sha256":""})",
        R"({"id":"b","path":"b.wav","bytes":"12"})", R"({"id":"b","path":"./b.wav","bytes":64.5})"}) {
    bank.manifest({bank.entry, entry, "7", "\"skipped\""}, kPiano);
    EXPECT_EQ(bank.load().outcome, RuntimeBankOutcome::kOk) << entry;
  }
  bank.symlink("samples", "alias");
  bank.symlink("piano.json", "doc.json");
  bank.manifest({R"({"id":"a","path":"alias/a.wav"})"},
                R"("instruments":[{"id":"p","document":"doc.json"}])");
  EXPECT_EQ(bank.load().bank.samplePool.size(), 100u);
  bank.manifest({bank.entry, bank.asset("c", "c.wav", monoRamp16(150))}, kPiano);
  bank.instrument("piano.json", R"({"assetId":"a"},{"assetId":"c"},{"assetId":"a"})");
  EXPECT_EQ(bank.load("", 250).outcome, RuntimeBankOutcome::kOk);
  EXPECT_EQ(bank.load("", 0).outcome, RuntimeBankOutcome::kOk);  // 0 leaves the decision to the engine
}

TEST(RuntimeBank, InstrumentChoiceFollowsListsAndRequest) {
  SmallBank bank;
  bank.instrument("kit.json", R"({"assetId":"a","startFrame":90})");
  bank.write("bank.json", readDataFile("banks/lists_bank.json"));
  const RuntimeBankLoad first = bank.load();
  ASSERT_EQ(first.outcome, RuntimeBankOutcome::kOk) << first.error;
  EXPECT_EQ(first.bank.instrumentId + "|" + first.bank.instrumentName, "piano|");
  std::string known;
  for (const StagedPositioning& p : first.bank.positionings)
    known += p.id + ":" + p.name + ":" + p.list + " ";
  EXPECT_EQ(known, "nodoc:No doc:instruments piano::instruments drums:Drums:kits ");
  const RuntimeBankLoad kit = bank.load("drums");
  ASSERT_EQ(kit.outcome, RuntimeBankOutcome::kOk) << kit.error;
  EXPECT_EQ(kit.bank.instrumentList, "kits");
  EXPECT_EQ(kit.bank.zones.at(0).frameCount, 10u);
}

// The presets of tests/data/banks/presets_bank.json.
TEST(RuntimeBank, PresetsNeedAReadableDocumentInsideTheBankWithNumericParams) {
  SmallBank bank;
  TempBank outside;
  outside.write("warm.json", R"({"params":{"a":1}})");
  bank.symlink(outside.dir(), "out");
  bank.write("p/warm.json", R"({"params":{"oriel.wet":0.5,"b":"x","a":-2,"c":true,"d":inf}})");
  bank.write("p/words.json", R"({"params":{"b":"x","c":true}})");
  bank.write("p/flat.json", R"({"params":[1]})");
  bank.write("p/bad.json", R"({"params":{"a":1})");
  bank.write("bank.json", readDataFile("banks/presets_bank.json"));
  const RuntimeBankLoad load = bank.load();
  ASSERT_EQ(load.outcome, RuntimeBankOutcome::kOk) << load.error;
  std::string presets;
  for (const StagedPreset& p : load.bank.presets) {
    presets += p.id + ":" + p.name + ":" + p.instrument;
    for (const auto& [key, value] : p.params)
      presets += " " + key + "=" + std::to_string(value);
    presets += "; ";
  }
  EXPECT_EQ(presets,
            "warm:warm:piano a=-2.000000 oriel.wet=0.500000; named:Named: a=-2.000000 oriel.wet=0.500000; ");
}
