// talvo-host bank: asks the plug-in itself to load a sound pack, as its editor
// would, and says in words what it answered, so a pack can be checked against
// the plug-in before it ships.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bankcontrol/bank_control.h"
#include "bankrecall/runtime_bank_reply.h"
#include "hosting/loaded_plugin.h"
#include "talvo_host/commands.h"
#include "talvo_host/text.h"

namespace talvo::host {

namespace {

const char* outcomeInWords(const std::string& outcome, bool refusedByEngine) {
  const struct {
    const char* name;
    const char* words;
  } kWords[] = {
      {"ok", "the plug-in loaded the pack and plays from it"},
      {"bank-missing", "the pack, or a file it names, cannot be read"},
      {"bank-hash-mismatch", "a file of the pack differs from the size or SHA-256 its manifest declares"},
      {"bank-malformed", "the pack's manifest or an instrument document is broken"},
      {"bank-unsupported-codec", "the pack holds audio the plug-in cannot decode"},
      {"bank-too-large", "the pack is larger than the plug-in loads"},
      {"bank-instrument-unknown", "the pack has no such instrument or kit"},
  };
  if (refusedByEngine) {
    return "the pack is sound: the plug-in read and checked all of it, but this effect plays no samples, so "
           "its engine refused to stage it";
  }
  for (const auto& entry : kWords) {
    if (outcome == entry.name) return entry.words;
  }
  return "the plug-in gave an outcome this tool does not know";
}

// Prints the reply in words; true when the pack itself passed.
bool printReply(const std::string& reply, const std::string& requested) {
  const std::vector<std::string> lines = splitFields(reply, '\n', std::string::npos);
  const std::string& outcome = lines[0];
  const std::string detail = lines.size() > 1 ? lines[1] : "";
  const bool refusedByEngine = outcome == "bank-too-large" && detail == kEngineRefusedBankMessage;
  std::printf("outcome: %s (%s)\n", outcome.c_str(), outcomeInWords(outcome, refusedByEngine));
  if (!detail.empty()) std::printf("detail: %s\n", detail.c_str());
  if (outcome == "ok" && lines.size() > 2) {
    const std::vector<std::string> fields = splitFields(lines[2], '\t', 3);
    std::printf("instrument: %s \"%s\" from the %s\n", fields[0].c_str(),
                fields.size() > 1 ? fields[1].c_str() : "", fields.size() > 2 ? fields[2].c_str() : "list");
    int presets = 0;
    for (std::size_t i = 3; i < lines.size(); ++i)
      presets += !lines[i].empty() && lines[i][0] == '\x01';
    std::printf("offers: %d instruments or kits, %d presets\n", static_cast<int>(lines.size() - 3) - presets,
                presets);
  } else if (requested.empty()) {
    std::printf("instrument: the pack's first instrument or kit\n");
  } else {
    std::printf("instrument: %s, as requested\n", requested.c_str());
  }
  return outcome == "ok" || refusedByEngine;
}

int runBank(const std::string& bundle, const std::string& folder, const std::string& instrument) {
  // The request is one field per line.
  if (folder.find('\n') != std::string::npos || instrument.find('\n') != std::string::npos) {
    reportFailure("a folder or instrument with a line feed cannot be requested");
    return 2;
  }
  LoadedPlugin plugin;
  std::string error;
  if (!loadPlugin(bundle, plugin, error)) {
    reportFailure(error);
    return 1;
  }
  const std::string request = makeRuntimeBankRequest("user-folder", folder, "", instrument);
  plugin.instance->clearProcessorMessages();
  (void)plugin.instance->sendToProcessor("talvo.loadRuntimeBank", &request);
  const std::vector<RecordedMessage> replies =
      plugin.instance->processorMessages().messagesWithId("talvo.runtimeBankResult");
  if (replies.empty()) {
    reportFailure("the plug-in did not answer the load request");
    return 1;
  }
  std::printf("pack: %s\n", folder.c_str());
  return printReply(replies.back().json, instrument) ? 0 : 1;
}

}  // namespace

Verb addBankVerb(CLI::App& app) {
  struct Options {
    std::string bundle, folder, instrument;
  };
  auto options = std::make_shared<Options>();
  CLI::App* verb =
      app.add_subcommand("bank", "Asks the plug-in to load a sound pack and says what it answered.");
  verb->footer(
      "The plug-in loads the pack in DIR as its editor would; the answer is told in words: the outcome, why, "
      "and the instrument or kit.");
  verb->add_option("BUNDLE", options->bundle, "the plug-in bundle (.vst3) or module file")->required();
  verb->add_option("DIR", options->folder, "the sound pack's folder")->required();
  verb->add_option("--instrument", options->instrument, "the instrument or kit to load instead of the first")
      ->type_name("ID");
  return {verb, [options] { return runBank(options->bundle, options->folder, options->instrument); }};
}

}  // namespace talvo::host
