// talvo-host validate: the conformance suite on one bundle, one line per
// check and a tally; the exit status says whether every check passed.
#include <cstdio>
#include <memory>
#include <random>

#include "talvo_host/commands.h"
#include "validate/validate.h"

namespace talvo::host {

Verb addValidateVerb(CLI::App& app) {
  struct Options {
    std::string bundle;
    validate::Options run;
  };
  auto options = std::make_shared<Options>();
  options->run.seed = std::random_device{}();
  CLI::App* verb = app.add_subcommand("validate", "Checks the bundle as hosts drive it, one line per check.");
  verb->footer(
      "Buses, parameters, units, programs, MIDI mapping, life cycle, processing formats, sample and block "
      "sizes, "
      "silence flags, automation, state and threads, then \"N passed, N failed\"; each check runs in a "
      "process of "
      "its own and the exit status is 0 only when none failed.");
  verb->add_option("BUNDLE", options->bundle, "the plug-in bundle (.vst3) or module file")->required();
  verb->add_option(
          "--strictness", options->run.strictness,
          "1 to 10 (default 5): higher adds random block sizes and rates, parameter fuzzing, garbage "
          "and truncated state, many instances at once and, from 7, a time limit per check")
      ->type_name("1..10")
      ->check(CLI::Range(1, validate::kMaxStrictness).description(""));
  verb->add_option("--seed", options->run.seed,
                   "the seed of every random choice (default: a new one, printed)")
      ->type_name("N");
  return {verb, [options] {
            const validate::Tally tally = validate::runValidation(options->bundle, options->run, stdout);
            return tally.failed == 0 ? 0 : 1;
          }};
}

}  // namespace talvo::host
