#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cctype>

#include "bank_writer.h"
#include "banks/bank_files.h"
#include "bridge/sha256.h"

using namespace talvo;
using namespace talvo::test;

namespace {

constexpr const char* kPiano = R"("instruments":[{"id":"piano","name":"Grand","document":"piano.json"}])";
constexpr const char* kZoneOnA = R"({"id":"z","assetId":"a"})";
constexpr auto kMissing = RuntimeBankOutcome::kBankMissing;
constexpr auto kMalformed = RuntimeBankOutcome::kBankMalformed;
constexpr auto kMismatch = RuntimeBankOutcome::kBankHashMismatch;
constexpr auto kCodec = RuntimeBankOutcome::kBankUnsupportedCodec;
constexpr auto kUnknown = RuntimeBankOutcome::kBankInstrumentUnknown;

// A bank with one 100-frame asset and one instrument playing it.
struct SmallBank : TempBank {
  SmallBank() {
    entry = asset("a", "samples/a.wav", monoRamp16(100));
    manifest({entry}, kPiano);
    instrument("piano.json", kZoneOnA);
  }
  std::string entry;
};

void expectFailure(const RuntimeBankLoad& load, RuntimeBankOutcome outcome, const std::string& message) {
  EXPECT_EQ(load.outcome, outcome) << load.error;
  EXPECT_EQ(load.error, message);
  // Nothing of a failed load is left for a careless caller to publish.
  EXPECT_TRUE(load.bank.id.empty() && load.bank.samplePool.empty() && load.bank.zones.empty()) << message;
}

}  // namespace

TEST(RuntimeBankOutcomes, WireNamesAndTriggerCodes) {
  std::string names;
  for (int value : {0, 1, 2, 3, 4, 5, 6, 7, 255})
    names += std::string(runtimeBankOutcomeName(static_cast<RuntimeBankOutcome>(value))) + " ";
  EXPECT_EQ(names,
            "ok bank-missing bank-hash-mismatch bank-malformed bank-unsupported-codec bank-too-large "
            "bank-instrument-unknown bank-missing bank-missing ");
  std::string codes;
  for (const char* trigger : {"release", "legato", "attack", "Release"})
    codes += std::to_string(triggerCode(trigger));
  EXPECT_EQ(codes, "1200");
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

// Each case replaces bank.json and/or piano.json of the small bank (an empty
// text keeps it) and loads with the given request and arena.
TEST(RuntimeBank, EachFailureHasItsOutcomeAndMessage) {
  SmallBank bank;
  const std::string digest = sha256Hex(monoRamp16(10).data(), 64);
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
  const std::string big = R"({"id":"b","path":"big.wav"})";
  const auto withAsset = [&](const std::string& entry) { return packManifest({bank.entry, entry}, kPiano); };
  const auto withLists = [&](const std::string& lists) { return packManifest({bank.entry}, lists); };
  std::string upper = digest;
  std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) { return std::toupper(c); });
  const std::string head = R"({"format":"talvo-sound-pack/v1","id":"x")";
  const std::string lists =
      R"("instruments":["str",{"id":"nodoc","name":"No doc"},{"name":"anon"},)"
      R"({"id":"piano","document":"piano.json"}],"kits":[{"id":"drums","document":"k.json"}])";
  const std::string zones = R"({"format":"talvo-sampler-instrument/v1")";
  const struct {
    std::string manifest;
    std::string instrument;
    RuntimeBankOutcome outcome;
    std::string message;
    const char* request = "";
    std::uint64_t arena = 0;
  } cases[] = {
      {"[]", "", kMalformed, "bank.json is not a JSON object"},
      {"{\"format\":", "", kMalformed, "bank.json is not a JSON object"},
      {R"({"format":1,"id":"x"})", "", kMalformed, "bank.json format is \"\", expected talvo-sound-pack/v1"},
      {R"({"format":"talvo-sound-pack/v2","id":"x"})", "", kMalformed,
       "bank.json format is \"talvo-sound-pack/v2\", expected talvo-sound-pack/v1"},
      {R"({"format":"talvo-sound-pack/v1","id":""})", "", kMalformed, "bank.json declares no id"},
      {head + R"(,"assetTable":[],)" + kPiano + "}", "", kMalformed, "bank.json declares no assetTable"},
      {head + R"(,"assetTable":{"a":1}})", "", kMalformed, "bank.json declares no assetTable"},
      {withAsset(R"({"id":"b"})"), "", kMalformed, "assetTable entry missing id or path"},
      {withAsset(R"({"path":"b.wav"})"), "", kMalformed, "assetTable entry missing id or path"},
      {withAsset(R"({"id":"b","path":"b.flac","codec":"flac"})"), "", kCodec,
       "asset \"b\" codec \"flac\" is not decoded by the native runtime loader (wav only)"},
      {withAsset(R"({"id":"b","path":"b.wav","codec":"WAV"})"), "", kCodec,
       "asset \"b\" codec \"WAV\" is not decoded by the native runtime loader (wav only)"},
      {withAsset(R"({"id":"b","path":"./gone//b.wav"})"), "", kMissing,
       "asset \"b\" file missing: ./gone//b.wav"},
      {withAsset(R"({"id":"b","path":"b.wav","bytes":65.9})"), "", kMismatch,
       "asset \"b\" is 64 bytes, manifest declares 65"},
      {withAsset(R"({"id":"b","path":"b.wav","sha256":")" + upper + "\"}"), "", kMismatch,
       "asset \"b\" sha256 " + digest.substr(0, 16) + "\xE2\x80\xA6 does not match the manifest"},
      {withAsset(R"({"id":"b","path":"a/../b.wav"})"), "", kMalformed,
       "asset \"b\" path escapes the bank directory"},
      {withAsset(R"({"id":"b","path":"samples/link.wav"})"), "", kMalformed,
       "asset \"b\" path escapes the bank directory"},
      {withAsset(R"({"id":"b","path":"out/x.wav"})"), "", kMalformed,
       "asset \"b\" path escapes the bank directory"},
      // "." names the bank directory: contained, so unreadable rather than escaping.
      {withAsset(R"({"id":"b","path":"."})"), "", kMissing, "asset \"b\" file missing: ."},
      {withAsset(R"({"id":"b","path":"pipe.wav"})"), "", kMissing, "asset \"b\" file missing: pipe.wav"},
      {withAsset(R"({"id":"b","path":"huge.wav"})"), "", kMissing, "asset \"b\" file missing: huge.wav"},
      // One file named three times would be held three times: refused before anything is read.
      {packManifest({bank.entry, big, big, big}, kPiano), "", RuntimeBankOutcome::kBankTooLarge,
       "the assetTable adds up to more than 2048 MiB, the most one bank may hold"},
      {withLists(lists), "", kUnknown,
       "bank demo has no instrument or kit \"nodoc\" (known: nodoc, piano, drums)", "nodoc"},
      {withLists(lists), "", kUnknown,
       "bank demo has no instrument or kit \"Piano\" (known: nodoc, piano, drums)", "Piano"},
      {withLists(R"("instruments":["only"],"kits":[])"), "", kMalformed,
       "bank.json names no readable instrument/kit document"},
      {withLists(R"("instruments":["only"],"kits":[])"), "", kUnknown,
       "bank demo has no instrument or kit \"x\" (the bank lists none)", "x"},
      {withLists(R"("instruments":[{"id":"up","document":"../piano.json"}])"), "", kMalformed,
       "bank.json names no readable instrument/kit document"},
      {withLists(R"("instruments":[{"id":"p","document":"./none.json"}])"), "", kMissing,
       "instrument document missing: ./none.json"},
      {withLists(R"("instruments":[{"id":"p","document":"out/inst.json"}])"), "", kMissing,
       "instrument document missing: out/inst.json"},
      {withLists(R"("instruments":[{"id":"p","document":"huge.json"}])"), "", kMissing,
       "instrument document missing: huge.json"},
      {"", "[]", kMalformed, "instrument document is not a JSON object"},
      {"", "{", kMalformed, "instrument document is not a JSON object"},
      {"", R"({"zones":[{}]})", kMalformed,
       "instrument document format is \"\", expected talvo-sampler-instrument/v1"},
      {"", zones + "}", kMalformed, "instrument document declares no zones"},
      {"", zones + R"(,"zones":[]})", kMalformed, "instrument document declares no zones"},
      {"", zones + R"(,"zones":[1,"z"]})", kMalformed, "bank staged no zones or no samples"},
      {"", zones + R"(,"zones":[{"id":"k1","assetId":"b"}]})", kMalformed,
       "zone \"k1\" names asset \"b\" which the assetTable does not declare"},
      {"", zones + R"(,"zones":[{"assetId":""}]})", kMalformed,
       "zone \"\" names asset \"\" which the assetTable does not declare"},
      {withAsset(R"({"id":"e","path":"e.wav"})"), instrumentDocument(R"({"assetId":"a"},{"assetId":"e"})"),
       kCodec, "asset \"e\": unsupported WAV format tag 1 / 8-bit"},
      // The capacity is checked as the pool grows.
      {withAsset(R"({"id":"c","path":"c.wav"})"),
       instrumentDocument(R"({"assetId":"a"},{"assetId":"c"},{"assetId":"a"})"),
       RuntimeBankOutcome::kBankTooLarge, "bank needs 250 arena frames, the kernel published 249", "", 249},
  };
  for (const auto& c : cases) {
    bank.write("bank.json", c.manifest.empty() ? packManifest({bank.entry}, kPiano) : c.manifest);
    bank.write("piano.json", c.instrument.empty() ? instrumentDocument(kZoneOnA) : c.instrument);
    expectFailure(bank.load(c.request, c.arena), c.outcome, c.message);
  }
  // A manifest that is missing, a pipe or a directory cannot be read.
  TempBank missing, pipe, directory;
  ASSERT_EQ(mkfifo((pipe.dir() + "/bank.json").c_str(), 0600), 0);
  directory.write("bank.json/inner", Bytes(1, 0));
  for (const TempBank* b : {&missing, &pipe, &directory})
    expectFailure(b->load(), kMissing, "cannot read " + b->dir() + "/bank.json");
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
  bank.manifest({bank.entry}, R"("instruments":["str",{"id":"nodoc","name":"No doc"},{"name":"anon"},)"
                              R"({"id":"piano","document":"piano.json"}],)"
                              R"("kits":[{"id":"drums","name":"Drums","document":"kit.json"}])");
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

TEST(RuntimeBank, PresetsNeedAReadableDocumentInsideTheBankWithNumericParams) {
  SmallBank bank;
  TempBank outside;
  outside.write("warm.json", R"({"params":{"a":1}})");
  bank.symlink(outside.dir(), "out");
  bank.write("p/warm.json", R"({"params":{"oriel.wet":0.5,"b":"x","a":-2,"c":true,"d":inf}})");
  bank.write("p/words.json", R"({"params":{"b":"x","c":true}})");
  bank.write("p/flat.json", R"({"params":[1]})");
  bank.write("p/bad.json", R"({"params":{"a":1})");
  bank.manifest({bank.entry},
                std::string(kPiano) +
                    R"(,"presets":[)"
                    R"({"id":"warm","instrument":"piano","document":"p/warm.json"},)"
                    R"({"id":"named","name":"Named","document":"./p//warm.json"},)"
                    R"({"id":"words","document":"p/words.json"},{"id":"flat","document":"p/flat.json"},)"
                    R"({"id":"bad","document":"p/bad.json"},{"id":"gone","document":"p/gone.json"},)"
                    R"({"id":"up","document":"../p/warm.json"},{"id":"linked","document":"out/warm.json"},)"
                    R"({"id":"none"},{"document":"p/warm.json"},7])");
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
