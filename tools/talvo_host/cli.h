#pragma once
// The command line of talvo-host: one subcommand per verb, each with its own
// options and --help, read by CLI11. A verb adds its subcommand and returns
// what runs it once the whole line has been read.
#include <CLI/CLI.hpp>
#include <functional>
#include <string>
#include <vector>

namespace talvo::host {

struct Verb {
  CLI::App* command = nullptr;
  /// The process exit status: 0 done, 1 failed, 2 a bad command line found late.
  std::function<int()> run;
};

/// The tool's command line without verbs: name, description and --version.
void describeTool(CLI::App& app);

/// Reads `argv` (the program name first) and runs the verb it names. Help
/// and the version go to standard output with status 0; a command line that
/// does not parse gives one line on standard error and status 2.
int runVerbs(CLI::App& app, const std::vector<Verb>& verbs, int argc, char** argv);

/// A finite number from `low` to `high`, read as every real number on the
/// command line is (parseReal).
[[nodiscard]] CLI::Validator realIn(double low, double high);

}  // namespace talvo::host
