// talvo-host fetch-bank: downloads, verifies and caches a hosted bank with the
// plug-in's own code, so a user can warm the cache or check a link.
#include <cstdio>

#include "talvo_host/command_line.h"
#include "talvo_host/commands.h"
#include "talvo_host/text.h"

namespace talvo::host {

int runFetchBank(int argc, char** argv, const HostedFetchOptions& defaults) {
  CommandLine args;
  std::string error;
  if (!args.parse(argc, argv, {"--cache"}, {}, error) || args.positional().size() != 2) {
    reportFailure(error.empty() ? "fetch-bank needs a URL and a SHA-256" : error);
    return 2;
  }
  HostedFetchOptions options = defaults;
  if (args.has("--cache")) options.cacheRoot = args.value("--cache");
  std::string directory;
  if (!fetchHostedBank(args.positional()[0], args.positional()[1], directory, error, options)) {
    reportFailure(error);
    return 1;
  }
  std::printf("%s\n", directory.c_str());
  return 0;
}

}  // namespace talvo::host
