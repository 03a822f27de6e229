#include "talvo_host/cli.h"

#include "hosting/parameter_directory.h"
#include "pluginterfaces/vst/vsttypes.h"
#include "talvo_host/text.h"

namespace talvo::host {

namespace {

std::string verbNames(const std::vector<Verb>& verbs) {
  std::string names;
  for (const Verb& verb : verbs)
    names += (names.empty() ? "" : ", ") + verb.command->get_name();
  return names;
}

// CLI11 says "The following argument was not expected"; one sentence in lower case reads as ours.
std::string sentence(std::string text) {
  if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') text[0] = static_cast<char>(text[0] - 'A' + 'a');
  return text;
}

}  // namespace

void describeTool(CLI::App& app) {
  app.name("talvo-host");
  app.description(
      "talvo-host: a command-line VST3 host. It loads a bundle as a DAW does, describes it, renders audio "
      "files "
      "through it, checks it against what hosts expect, and speaks our plug-in's bank and editor protocols.");
  app.set_version_flag("--version",
                       std::string("talvo-host " TALVO_HOST_VERSION " (") + kVstVersionString + ")");
  app.require_subcommand(1);
  app.footer("Each verb has its own --help.");
}

int runVerbs(CLI::App& app, const std::vector<Verb>& verbs, int argc, char** argv) {
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);  // --help, --version
    const std::vector<CLI::App*> chosen = app.get_subcommands();
    if (chosen.empty()) {
      const std::string what = argc < 2            ? "no verb given"
                               : argv[1][0] == '-' ? sentence(e.what())
                                                   : std::string("unknown verb \"") + argv[1] + "\"";
      reportFailure(what + "; the verbs are " + verbNames(verbs) + " (talvo-host --help)");
    } else {
      const std::string name = chosen.front()->get_name();
      reportFailure(name + ": " + sentence(e.what()) + "; see talvo-host " + name + " --help");
    }
    return 2;
  }
  for (const Verb& verb : verbs) {
    if (verb.command->parsed()) return verb.run();
  }
  return 2;  // require_subcommand makes this unreachable
}

CLI::Validator realIn(double low, double high) {
  char range[64];
  std::snprintf(range, sizeof range, "in [%g - %g]", low, high);
  return CLI::Validator(
      [low, high, text = std::string(range)](std::string& value) -> std::string {
        double number = 0.0;
        if (parseReal(value, number) && number >= low && number <= high) return "";
        return "\"" + value + "\" is not a number " + text;
      },
      range);
}

}  // namespace talvo::host
