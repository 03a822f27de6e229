#include "banks/runtime_bank.h"

#include <cmath>
#include <filesystem>
#include <system_error>
#include <utility>

#include "banks/bank_files.h"
#include "banks/bank_json.h"
#include "banks/bank_stage.h"
#include "bridge/sha256.h"

namespace talvo {
namespace {

constexpr const char* kPackFormat = "talvo-sound-pack/v1";
constexpr const char* kInstrumentFormat = "talvo-sampler-instrument/v1";
constexpr const char* kLists[] = {"instruments", "kits"};

// Documents named by the manifest must lie inside the bank even after every
// symbolic link is followed; anything else reads as missing.
bool readBankDocument(const std::string& resolvedDirectory, const std::string& relative,
                      std::vector<std::uint8_t>& out) {
  std::string real;
  if (!pathIsContained(relative) ||
      resolveBankFile(resolvedDirectory, relative, real) != ResolvedLocation::kInside) {
    return false;
  }
  return readWholeFile(real, out);
}

const JsonValue* nonEmptyArray(const JsonValue& object, const char* key) {
  const JsonValue* list = object.find(key);
  return list && list->isArray() && !list->elements.empty() ? list : nullptr;
}

// One assetTable entry whose path and codec passed, before its bytes are read.
struct PendingAsset {
  std::string id;
  std::string path;
  std::string real;
  std::string sha256;
  double declared;
};

// Checks each entry's fields and location and adds up the file sizes, so a
// table that names one huge file many times is refused before anything is read.
bool locateAssets(const JsonValue& table, const std::string& resolvedDirectory,
                  std::vector<PendingAsset>& pending, RuntimeBankLoad& load) {
  std::uint64_t total = 0;
  for (const JsonValue& entry : table.elements) {
    if (!entry.isObject()) continue;
    PendingAsset asset{entry.str("id", ""), entry.str("path", ""), "", entry.str("sha256", ""), -1.0};
    const JsonValue* bytesMember = entry.find("bytes");
    if (bytesMember && bytesMember->isNumber()) asset.declared = bytesMember->number;
    const std::string codec = entry.str("codec", "wav");
    if (asset.id.empty() || asset.path.empty()) {
      failLoad(load, RuntimeBankOutcome::kBankMalformed, "assetTable entry missing id or path");
      return false;
    }
    const ResolvedLocation location = pathIsContained(asset.path)
                                          ? resolveBankFile(resolvedDirectory, asset.path, asset.real)
                                          : ResolvedLocation::kOutside;
    if (location == ResolvedLocation::kOutside) {
      failLoad(load, RuntimeBankOutcome::kBankMalformed,
               joinText("asset \"", asset.id, "\" path escapes the bank directory"));
      return false;
    }
    if (codec != "wav") {
      failLoad(load, RuntimeBankOutcome::kBankUnsupportedCodec,
               joinText("asset \"", asset.id, "\" codec \"", codec,
                        "\" is not decoded by the native runtime loader (wav only)"));
      return false;
    }
    std::error_code sizeError;
    const std::uintmax_t size =
        location == ResolvedLocation::kInside ? std::filesystem::file_size(asset.real, sizeError) : 0;
    if (location != ResolvedLocation::kInside || sizeError || size > kMaxBankFileBytes) {
      failLoad(load, RuntimeBankOutcome::kBankMissing,
               joinText("asset \"", asset.id, "\" file missing: ", asset.path));
      return false;
    }
    total += size;
    if (total > kMaxBankTotalBytes) {
      failLoad(load, RuntimeBankOutcome::kBankTooLarge,
               joinText("the assetTable adds up to more than ", std::to_string(kMaxBankTotalBytes >> 20),
                        " MiB, the most one bank may hold"));
      return false;
    }
    pending.push_back(std::move(asset));
  }
  return true;
}

bool verifyAssets(const JsonValue& table, const std::string& resolvedDirectory, VerifiedAssets& assets,
                  RuntimeBankLoad& load) {
  std::vector<PendingAsset> pending;
  if (!locateAssets(table, resolvedDirectory, pending, load)) return false;
  for (PendingAsset& entry : pending) {
    VerifiedAsset asset{entry.path, {}};
    if (!readWholeFile(entry.real, asset.bytes)) {
      failLoad(load, RuntimeBankOutcome::kBankMissing,
               joinText("asset \"", entry.id, "\" file missing: ", entry.path));
      return false;
    }
    // NaN fails every comparison and so skips the size check like a negative value.
    if (entry.declared >= 0.0) {
      const std::uint64_t expected =
          entry.declared >= 18446744073709551616.0 ? UINT64_MAX : static_cast<std::uint64_t>(entry.declared);
      if (expected != asset.bytes.size()) {
        failLoad(load, RuntimeBankOutcome::kBankHashMismatch,
                 joinText("asset \"", entry.id, "\" is ", std::to_string(asset.bytes.size()),
                          " bytes, manifest declares ", std::to_string(expected)));
        return false;
      }
    }
    if (!entry.sha256.empty()) {
      const std::string digest =
          sha256Hex(asset.bytes.data(), static_cast<std::uint32_t>(asset.bytes.size()));
      if (digest != entry.sha256) {
        failLoad(load, RuntimeBankOutcome::kBankHashMismatch,
                 joinText("asset \"", entry.id, "\" sha256 ", digest.substr(0, 16),
                          "\xE2\x80\xA6 does not match the manifest"));
        return false;
      }
    }
    assets[entry.id] = std::move(asset);
  }
  return true;
}

void collectPositionings(const JsonValue& manifest, StagedBank& bank) {
  for (const char* listName : kLists) {
    const JsonValue* list = nonEmptyArray(manifest, listName);
    if (!list) continue;
    for (const JsonValue& entry : list->elements) {
      if (!entry.isObject()) continue;
      std::string id = entry.str("id", "");
      if (id.empty()) continue;
      bank.positionings.push_back({std::move(id), entry.str("name", ""), listName});
    }
  }
}

void collectPresets(const JsonValue& manifest, const std::string& resolvedDirectory, StagedBank& bank) {
  const JsonValue* presets = manifest.find("presets");
  if (!presets || !presets->isArray()) return;
  for (const JsonValue& entry : presets->elements) {
    if (!entry.isObject()) continue;
    StagedPreset preset;
    preset.id = entry.str("id", "");
    if (preset.id.empty()) continue;
    preset.name = entry.str("name", "");
    if (preset.name.empty()) preset.name = preset.id;
    preset.instrument = entry.str("instrument", "");
    const std::string document = entry.str("document", "");
    std::vector<std::uint8_t> bytes;
    JsonValue parsed;
    if (document.empty() || !readBankDocument(resolvedDirectory, document, bytes) ||
        !parseJsonDocument(bytes, parsed)) {
      continue;
    }
    const JsonValue* params = parsed.find("params");
    if (!params || !params->isObject()) continue;
    for (const auto& [key, value] : params->members) {
      if (value.isNumber() && std::isfinite(value.number)) preset.params.emplace_back(key, value.number);
    }
    if (!preset.params.empty()) bank.presets.push_back(std::move(preset));
  }
}

// The first considered instruments/kits entry with a document; empty when none.
std::string chooseInstrument(const JsonValue& manifest, const std::string& requested, StagedBank& bank) {
  for (const char* listName : kLists) {
    const JsonValue* list = nonEmptyArray(manifest, listName);
    if (!list) continue;
    for (const JsonValue& entry : list->elements) {
      if (!entry.isObject()) continue;
      const std::string id = entry.str("id", "");
      if (!requested.empty() && id != requested) continue;
      std::string document = entry.str("document", "");
      if (document.empty()) continue;
      bank.instrumentId = id;
      bank.instrumentName = entry.str("name", "");
      bank.instrumentList = listName;
      return document;
    }
  }
  return std::string();
}

std::string unknownInstrumentMessage(const StagedBank& bank, const std::string& requested) {
  std::string message = "bank " + bank.id + " has no instrument or kit \"" + requested + "\"";
  if (bank.positionings.empty()) return message + " (the bank lists none)";
  message += " (known: ";
  for (std::size_t i = 0; i < bank.positionings.size(); ++i) {
    if (i > 0) message += ", ";
    message += bank.positionings[i].id;
  }
  return message + ")";
}

bool loadInstrument(const std::string& document, const std::string& resolvedDirectory,
                    const VerifiedAssets& assets, std::uint64_t arenaFrames, RuntimeBankLoad& load) {
  std::vector<std::uint8_t> bytes;
  if (!readBankDocument(resolvedDirectory, document, bytes)) {
    failLoad(load, RuntimeBankOutcome::kBankMissing, joinText("instrument document missing: ", document));
    return false;
  }
  JsonValue instrument;
  if (!parseJsonDocument(bytes, instrument) || !instrument.isObject()) {
    failLoad(load, RuntimeBankOutcome::kBankMalformed, "instrument document is not a JSON object");
    return false;
  }
  const std::string format = instrument.str("format", "");
  if (format != kInstrumentFormat) {
    failLoad(load, RuntimeBankOutcome::kBankMalformed,
             joinText("instrument document format is \"", format, "\", expected ", kInstrumentFormat));
    return false;
  }
  const JsonValue* zones = nonEmptyArray(instrument, "zones");
  if (!zones) {
    failLoad(load, RuntimeBankOutcome::kBankMalformed, "instrument document declares no zones");
    return false;
  }
  return stageZones(*zones, assets, arenaFrames, load);
}

}  // namespace

RuntimeBankLoad loadRuntimeBank(const std::string& bankDirectory, std::uint64_t arenaFrames,
                                const std::string& requestedInstrument) {
  RuntimeBankLoad load;
  StagedBank& bank = load.bank;
  const std::string manifestPath = joinPath(bankDirectory, "bank.json");
  std::vector<std::uint8_t> manifestBytes;
  // The bank directory is the caller's choice, so its bank.json may be a link
  // anywhere; but a named pipe there would block the load for good.
  std::error_code statError;
  if (!std::filesystem::is_regular_file(manifestPath, statError) ||
      !readWholeFile(manifestPath, manifestBytes)) {
    return failLoad(load, RuntimeBankOutcome::kBankMissing, joinText("cannot read ", manifestPath));
  }
  JsonValue manifest;
  if (!parseJsonDocument(manifestBytes, manifest) || !manifest.isObject()) {
    return failLoad(load, RuntimeBankOutcome::kBankMalformed, "bank.json is not a JSON object");
  }
  const std::string format = manifest.str("format", "");
  if (format != kPackFormat) {
    return failLoad(load, RuntimeBankOutcome::kBankMalformed,
                    joinText("bank.json format is \"", format, "\", expected ", kPackFormat));
  }
  bank.id = manifest.str("id", "");
  bank.version = manifest.str("version", "");
  bank.name = manifest.str("name", "");
  if (bank.id.empty()) return failLoad(load, RuntimeBankOutcome::kBankMalformed, "bank.json declares no id");
  bank.manifestSha256 = sha256Hex(manifestBytes.data(), static_cast<std::uint32_t>(manifestBytes.size()));

  const JsonValue* assetTable = nonEmptyArray(manifest, "assetTable");
  if (!assetTable)
    return failLoad(load, RuntimeBankOutcome::kBankMalformed, "bank.json declares no assetTable");
  const std::string resolvedDirectory = resolveDirectory(bankDirectory);
  VerifiedAssets assets;
  if (!verifyAssets(*assetTable, resolvedDirectory, assets, load)) return load;

  collectPositionings(manifest, bank);
  collectPresets(manifest, resolvedDirectory, bank);

  const std::string document = chooseInstrument(manifest, requestedInstrument, bank);
  if (document.empty() && !requestedInstrument.empty()) {
    return failLoad(load, RuntimeBankOutcome::kBankInstrumentUnknown,
                    unknownInstrumentMessage(bank, requestedInstrument));
  }
  if (document.empty() || !pathIsContained(document)) {
    return failLoad(load, RuntimeBankOutcome::kBankMalformed,
                    "bank.json names no readable instrument/kit document");
  }
  if (!loadInstrument(document, resolvedDirectory, assets, arenaFrames, load)) return load;
  if (bank.zones.empty() || bank.samplePool.empty()) {
    return failLoad(load, RuntimeBankOutcome::kBankMalformed, "bank staged no zones or no samples");
  }
  load.outcome = RuntimeBankOutcome::kOk;
  load.error.clear();
  return load;
}

}  // namespace talvo
