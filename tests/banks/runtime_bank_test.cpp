#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cctype>

#include "bank_writer.h"
#include "banks/bank_files.h"
#include "bridge/sha256.h"

using namespace talvo;
using namespace talvo::test;

namespace {

constexpr const char* kPiano = R"("instruments":[{"id":"piano","name":"Grand","document":"piano.json"}])";

// A bank with one 100-frame asset and one instrument playing it.
struct SmallBank : TempBank {
  SmallBank() {
    entry = asset("a", "samples/a.wav", monoRamp16(100));
    manifest({entry}, kPiano);
    instrument("piano.json", R"({"id":"z","assetId":"a"})");
  }
  std::string entry;
};

void expectFailure(const RuntimeBankLoad& load, RuntimeBankOutcome outcome, const std::string& message) {
  EXPECT_EQ(load.outcome, outcome) << load.error;
  EXPECT_EQ(load.error, message);
  // Nothing of a failed load is left for a careless caller to publish.
  EXPECT_TRUE(load.bank.id.empty());
  EXPECT_TRUE(load.bank.samplePool.empty());
  EXPECT_TRUE(load.bank.zones.empty());
}

}  // namespace

TEST(RuntimeBankOutcomes, WireNamesCoverEveryValue) {
  const char* names[] = {"ok",
                         "bank-missing",
                         "bank-hash-mismatch",
                         "bank-malformed",
                         "bank-unsupported-codec",
                         "bank-too-large",
                         "bank-instrument-unknown"};
  for (int v = 0; v < 7; ++v)
    EXPECT_STREQ(runtimeBankOutcomeName(static_cast<RuntimeBankOutcome>(v)), names[v]);
  EXPECT_STREQ(runtimeBankOutcomeName(static_cast<RuntimeBankOutcome>(7)), "bank-missing");
  EXPECT_STREQ(runtimeBankOutcomeName(static_cast<RuntimeBankOutcome>(255)), "bank-missing");
  EXPECT_EQ(triggerCode("release"), 1u);
  EXPECT_EQ(triggerCode("legato"), 2u);
  EXPECT_EQ(triggerCode("attack"), 0u);
  EXPECT_EQ(triggerCode("Release"), 0u);
}

TEST(RuntimeBank, LoadsASmallBankWithItsIdentity) {
  SmallBank bank;
  const RuntimeBankLoad load = bank.load();
  ASSERT_EQ(load.outcome, RuntimeBankOutcome::kOk) << load.error;
  EXPECT_TRUE(load.error.empty());
  EXPECT_EQ(load.bank.id, "demo");
  EXPECT_EQ(load.bank.version, "1.2");
  EXPECT_EQ(load.bank.name, "Demo Pack");
  EXPECT_EQ(load.bank.instrumentId, "piano");
  EXPECT_EQ(load.bank.instrumentName, "Grand");
  EXPECT_EQ(load.bank.instrumentList, "instruments");
  EXPECT_EQ(load.bank.sampleRate, 44100.0);
  Bytes manifest;
  ASSERT_TRUE(readWholeFile(bank.dir() + "/bank.json", manifest));
  EXPECT_EQ(load.bank.manifestSha256,
            sha256Hex(manifest.data(), static_cast<std::uint32_t>(manifest.size())));
  ASSERT_EQ(load.bank.samplePool.size(), 100u);
  EXPECT_EQ(load.bank.samplePool[99], 99.0f / 512.0f);
}

TEST(RuntimeBank, ManifestFailuresCarryTheirMessages) {
  TempBank bank;
  expectFailure(bank.load(), RuntimeBankOutcome::kBankMissing, "cannot read " + bank.dir() + "/bank.json");
  bank.write("bank.json", "[]");
  expectFailure(bank.load(), RuntimeBankOutcome::kBankMalformed, "bank.json is not a JSON object");
  bank.write("bank.json", "{\"format\":");
  expectFailure(bank.load(), RuntimeBankOutcome::kBankMalformed, "bank.json is not a JSON object");
  bank.write("bank.json", R"({"format":1,"id":"x"})");
  expectFailure(bank.load(), RuntimeBankOutcome::kBankMalformed,
                "bank.json format is \"\", expected talvo-sound-pack/v1");
  bank.write("bank.json", R"({"format":"talvo-sound-pack/v2","id":"x"})");
  expectFailure(bank.load(), RuntimeBankOutcome::kBankMalformed,
                "bank.json format is \"talvo-sound-pack/v2\", expected talvo-sound-pack/v1");
  bank.write("bank.json", R"({"format":"talvo-sound-pack/v1","id":""})");
  expectFailure(bank.load(), RuntimeBankOutcome::kBankMalformed, "bank.json declares no id");
  bank.manifest({}, kPiano);
  expectFailure(bank.load(), RuntimeBankOutcome::kBankMalformed, "bank.json declares no assetTable");
  bank.write("bank.json", R"({"format":"talvo-sound-pack/v1","id":"x","assetTable":{"a":1}})");
  expectFailure(bank.load(), RuntimeBankOutcome::kBankMalformed, "bank.json declares no assetTable");
}

TEST(RuntimeBank, AssetEntryFailuresCarryTheirMessages) {
  SmallBank bank;
  const auto withEntry = [&](const std::string& entry) {
    bank.manifest({bank.entry, entry}, kPiano);
    return bank.load();
  };
  expectFailure(withEntry(R"({"id":"b"})"), RuntimeBankOutcome::kBankMalformed,
                "assetTable entry missing id or path");
  expectFailure(withEntry(R"({"path":"b.wav"})"), RuntimeBankOutcome::kBankMalformed,
                "assetTable entry missing id or path");
  for (const char* path : {"a/../b.wav", "/etc/passwd", "s\\\\b.wav", ".."}) {
    expectFailure(withEntry(std::string(R"({"id":"b","path":")") + path + "\"}"),
                  RuntimeBankOutcome::kBankMalformed, "asset \"b\" path escapes the bank directory");
  }
  expectFailure(withEntry(R"({"id":"b","path":"b.flac","codec":"flac"})"),
                RuntimeBankOutcome::kBankUnsupportedCodec,
                "asset \"b\" codec \"flac\" is not decoded by the native runtime loader (wav only)");
  expectFailure(withEntry(R"({"id":"b","path":"b.wav","codec":"WAV"})"),
                RuntimeBankOutcome::kBankUnsupportedCodec,
                "asset \"b\" codec \"WAV\" is not decoded by the native runtime loader (wav only)");
  expectFailure(withEntry(R"({"id":"b","path":"./gone//b.wav"})"), RuntimeBankOutcome::kBankMissing,
                "asset \"b\" file missing: ./gone//b.wav");
  bank.write("b.wav", monoRamp16(10));  // 64 bytes
  expectFailure(withEntry(R"({"id":"b","path":"b.wav","bytes":65.9})"), RuntimeBankOutcome::kBankHashMismatch,
                "asset \"b\" is 64 bytes, manifest declares 65");
  const std::string digest = sha256Hex(monoRamp16(10).data(), 64);
  std::string upper = digest;
  for (char& c : upper)
    c = static_cast<char>(std::toupper(c));
  expectFailure(withEntry(R"({"id":"b","path":"b.wav","sha256":")" + upper + "\"}"),
                RuntimeBankOutcome::kBankHashMismatch,
                "asset \"b\" sha256 " + digest.substr(0, 16) + "\xE2\x80\xA6 does not match the manifest");
}

TEST(RuntimeBank, SizeAndDigestChecksAreSkippedWhenNotDeclared) {
  SmallBank bank;
  bank.write("b.wav", monoRamp16(10));
  for (const char* entry :
       {R"({"id":"b","path":"b.wav"})", R"({"id":"b","path":"b.wav","bytes":-1,"sha256":""})",
        R"({"id":"b","path":"b.wav","bytes":"12"})", R"({"id":"b","path":"./b.wav","bytes":64.5})"}) {
    bank.manifest({bank.entry, entry, "7", "\"skipped\""}, kPiano);
    EXPECT_EQ(bank.load().outcome, RuntimeBankOutcome::kOk) << entry;
  }
}

TEST(RuntimeBank, InstrumentChoiceFollowsListsAndRequest) {
  SmallBank bank;
  bank.instrument("kit.json", R"({"assetId":"a","startFrame":90})");
  bank.manifest({bank.entry}, R"("instruments":["str",{"id":"nodoc","name":"No doc"},{"name":"anon"},)"
                              R"({"id":"piano","document":"piano.json"}],)"
                              R"("kits":[{"id":"drums","name":"Drums","document":"kit.json"}])");
  const RuntimeBankLoad first = bank.load();
  ASSERT_EQ(first.outcome, RuntimeBankOutcome::kOk) << first.error;
  EXPECT_EQ(first.bank.instrumentId, "piano");
  EXPECT_EQ(first.bank.instrumentName, "");
  ASSERT_EQ(first.bank.positionings.size(), 3u);
  EXPECT_EQ(first.bank.positionings[0].id, "nodoc");
  EXPECT_EQ(first.bank.positionings[0].name, "No doc");
  EXPECT_EQ(first.bank.positionings[2].list, "kits");
  const RuntimeBankLoad kit = bank.load("drums");
  ASSERT_EQ(kit.outcome, RuntimeBankOutcome::kOk) << kit.error;
  EXPECT_EQ(kit.bank.instrumentList, "kits");
  EXPECT_EQ(kit.bank.zones.at(0).frameCount, 10u);
  expectFailure(bank.load("nodoc"), RuntimeBankOutcome::kBankInstrumentUnknown,
                "bank demo has no instrument or kit \"nodoc\" (known: nodoc, piano, drums)");
  expectFailure(bank.load("Piano"), RuntimeBankOutcome::kBankInstrumentUnknown,
                "bank demo has no instrument or kit \"Piano\" (known: nodoc, piano, drums)");
}

TEST(RuntimeBank, InstrumentChoiceFailuresCarryTheirMessages) {
  SmallBank bank;
  bank.manifest({bank.entry}, R"("instruments":["only"],"kits":[])");
  expectFailure(bank.load(), RuntimeBankOutcome::kBankMalformed,
                "bank.json names no readable instrument/kit document");
  expectFailure(bank.load("x"), RuntimeBankOutcome::kBankInstrumentUnknown,
                "bank demo has no instrument or kit \"x\" (the bank lists none)");
  bank.manifest({bank.entry}, R"("instruments":[{"id":"up","document":"../piano.json"}])");
  expectFailure(bank.load(), RuntimeBankOutcome::kBankMalformed,
                "bank.json names no readable instrument/kit document");
  bank.manifest({bank.entry}, R"("instruments":[{"id":"p","document":"./none.json"}])");
  expectFailure(bank.load(), RuntimeBankOutcome::kBankMissing, "instrument document missing: ./none.json");
}

TEST(RuntimeBank, InstrumentDocumentFailuresCarryTheirMessages) {
  SmallBank bank;
  const std::pair<const char*, const char*> cases[] = {
      {"[]", "instrument document is not a JSON object"},
      {"{", "instrument document is not a JSON object"},
      {R"({"zones":[{}]})", "instrument document format is \"\", expected talvo-sampler-instrument/v1"},
      {R"({"format":"talvo-sampler-instrument/v1"})", "instrument document declares no zones"},
      {R"({"format":"talvo-sampler-instrument/v1","zones":[]})", "instrument document declares no zones"},
      {R"({"format":"talvo-sampler-instrument/v1","zones":[1,"z"]})", "bank staged no zones or no samples"},
      {R"({"format":"talvo-sampler-instrument/v1","zones":[{"id":"k1","assetId":"b"}]})",
       "zone \"k1\" names asset \"b\" which the assetTable does not declare"},
      {R"({"format":"talvo-sampler-instrument/v1","zones":[{"assetId":""}]})",
       "zone \"\" names asset \"\" which the assetTable does not declare"},
  };
  for (const auto& [text, message] : cases) {
    bank.write("piano.json", text);
    expectFailure(bank.load(), RuntimeBankOutcome::kBankMalformed, message);
  }
}

TEST(RuntimeBank, DecoderFailureIsAnUnsupportedCodec) {
  SmallBank bank;
  const Bytes eightBit = riffWave({{"fmt ", fmtBody(1, 1, 44100, 8)}, {"data", Bytes(40, 0x80)}});
  bank.manifest({bank.entry, bank.asset("e", "e.wav", eightBit)}, kPiano);
  bank.instrument("piano.json", R"({"assetId":"a"},{"assetId":"e"})");
  expectFailure(bank.load(), RuntimeBankOutcome::kBankUnsupportedCodec,
                "asset \"e\": unsupported WAV format tag 1 / 8-bit");
}

TEST(RuntimeBank, ArenaCapacityIsCheckedAsThePoolGrows) {
  SmallBank bank;
  bank.manifest({bank.entry, bank.asset("b", "b.wav", monoRamp16(150))}, kPiano);
  bank.instrument("piano.json", R"({"assetId":"a"},{"assetId":"b"},{"assetId":"a"})");
  expectFailure(bank.load("", 249), RuntimeBankOutcome::kBankTooLarge,
                "bank needs 250 arena frames, the kernel published 249");
  EXPECT_EQ(bank.load("", 250).outcome, RuntimeBankOutcome::kOk);
  EXPECT_EQ(bank.load("", 0).outcome, RuntimeBankOutcome::kOk);
}

TEST(RuntimeBank, PresetsNeedAReadableDocumentWithNumericParams) {
  SmallBank bank;
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
                    R"({"id":"up","document":"../p/warm.json"},{"id":"none"},{"document":"p/warm.json"},7])");
  const RuntimeBankLoad load = bank.load();
  ASSERT_EQ(load.outcome, RuntimeBankOutcome::kOk) << load.error;
  ASSERT_EQ(load.bank.presets.size(), 2u);
  const StagedPreset& warm = load.bank.presets[0];
  EXPECT_EQ(warm.id, "warm");
  EXPECT_EQ(warm.name, "warm");
  EXPECT_EQ(warm.instrument, "piano");
  const std::vector<std::pair<std::string, double>> params = {{"a", -2.0}, {"oriel.wet", 0.5}};
  EXPECT_EQ(warm.params, params);
  EXPECT_EQ(load.bank.presets[1].name, "Named");
  EXPECT_EQ(load.bank.presets[1].instrument, "");
}

TEST(RuntimeBankSafety, SymbolicLinksOutOfTheBankAreRefused) {
  SmallBank bank;
  TempBank outside;
  outside.write("x.wav", monoRamp16(20));
  outside.write("warm.json", R"({"params":{"a":1}})");
  outside.instrument("inst.json", R"({"assetId":"a"})");
  bank.symlink(outside.dir() + "/x.wav", "samples/link.wav");
  bank.manifest({bank.entry, R"({"id":"x","path":"samples/link.wav"})"}, kPiano);
  expectFailure(bank.load(), RuntimeBankOutcome::kBankMalformed,
                "asset \"x\" path escapes the bank directory");
  bank.symlink(outside.dir(), "out");
  bank.manifest({bank.entry, R"({"id":"x","path":"out/x.wav"})"}, kPiano);
  expectFailure(bank.load(), RuntimeBankOutcome::kBankMalformed,
                "asset \"x\" path escapes the bank directory");

  bank.manifest({bank.entry}, R"("instruments":[{"id":"p","document":"out/inst.json"}],)"
                              R"("presets":[{"id":"w","document":"out/warm.json"}])");
  expectFailure(bank.load(), RuntimeBankOutcome::kBankMissing, "instrument document missing: out/inst.json");
  bank.manifest({bank.entry}, std::string(kPiano) + R"(,"presets":[{"id":"w","document":"out/warm.json"}])");
  const RuntimeBankLoad load = bank.load();
  ASSERT_EQ(load.outcome, RuntimeBankOutcome::kOk) << load.error;
  EXPECT_TRUE(load.bank.presets.empty());
}

TEST(RuntimeBankSafety, LinksThatStayInsideTheBankAreFollowed) {
  SmallBank bank;
  bank.symlink("samples", "alias");
  bank.symlink("piano.json", "doc.json");
  bank.manifest({R"({"id":"a","path":"alias/a.wav"})"},
                R"("instruments":[{"id":"p","document":"doc.json"}])");
  const RuntimeBankLoad load = bank.load();
  ASSERT_EQ(load.outcome, RuntimeBankOutcome::kOk) << load.error;
  EXPECT_EQ(load.bank.samplePool.size(), 100u);
}

TEST(RuntimeBankSafety, DirectoriesAndPipesReadAsMissing) {
  SmallBank bank;
  bank.write("dir.wav/inner", Bytes(1, 0));
  ASSERT_EQ(mkfifo((bank.dir() + "/pipe.wav").c_str(), 0600), 0);
  bank.manifest({bank.entry, R"({"id":"d","path":"dir.wav"})"}, kPiano);
  expectFailure(bank.load(), RuntimeBankOutcome::kBankMissing, "asset \"d\" file missing: dir.wav");
  bank.manifest({bank.entry, R"({"id":"p","path":"pipe.wav"})"}, kPiano);
  expectFailure(bank.load(), RuntimeBankOutcome::kBankMissing, "asset \"p\" file missing: pipe.wav");
  // "." names the bank directory: contained, so unreadable rather than escaping.
  bank.manifest({bank.entry, R"({"id":"b","path":"."})"}, kPiano);
  expectFailure(bank.load(), RuntimeBankOutcome::kBankMissing, "asset \"b\" file missing: .");
}

TEST(RuntimeBankSafety, ManifestThatIsNotARegularFileCannotBeRead) {
  TempBank pipe;
  ASSERT_EQ(mkfifo((pipe.dir() + "/bank.json").c_str(), 0600), 0);
  expectFailure(pipe.load(), RuntimeBankOutcome::kBankMissing, "cannot read " + pipe.dir() + "/bank.json");
  TempBank directory;
  directory.write("bank.json/inner", Bytes(1, 0));
  expectFailure(directory.load(), RuntimeBankOutcome::kBankMissing,
                "cannot read " + directory.dir() + "/bank.json");
}

TEST(RuntimeBankSafety, FilesAboveOneGibibyteReadAsMissing) {
  SmallBank bank;
  bank.writeSparse("huge.wav", kMaxBankFileBytes + 1);
  bank.manifest({bank.entry, R"({"id":"h","path":"huge.wav"})"}, kPiano);
  expectFailure(bank.load(), RuntimeBankOutcome::kBankMissing, "asset \"h\" file missing: huge.wav");
  bank.writeSparse("huge.json", kMaxBankFileBytes + 1);
  bank.manifest({bank.entry}, R"("instruments":[{"id":"p","document":"huge.json"}])");
  expectFailure(bank.load(), RuntimeBankOutcome::kBankMissing, "instrument document missing: huge.json");
}
