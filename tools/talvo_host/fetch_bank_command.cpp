// talvo-host fetch-bank: downloads, verifies and caches a hosted bank with the
// plug-in's own code, so a user can warm the cache or check a link.
#include <cstdio>
#include <memory>

#include "talvo_host/commands.h"
#include "talvo_host/text.h"

namespace talvo::host {

namespace {

struct FetchBankOptions {
  std::string url, sha256, cache;
};

int runFetchBank(const FetchBankOptions& given, const HostedFetchOptions& defaults) {
  HostedFetchOptions options = defaults;
  if (!given.cache.empty()) options.cacheRoot = given.cache;
  std::string directory, error;
  if (!fetchHostedBank(given.url, given.sha256, directory, error, options)) {
    reportFailure(error);
    return 1;
  }
  std::printf("%s\n", directory.c_str());
  return 0;
}

}  // namespace

Verb addFetchBankVerb(CLI::App& app, const HostedFetchOptions& defaults) {
  auto options = std::make_shared<FetchBankOptions>();
  CLI::App* verb =
      app.add_subcommand("fetch-bank", "Downloads, checks and caches a hosted bank and prints its entry.");
  verb->footer(
      "The archive is fetched over https, checked against its SHA-256 and unpacked into the bank cache (or "
      "DIR).");
  verb->add_option("URL", options->url, "where the bank's zip archive is served (https)")->required();
  verb->add_option("SHA256", options->sha256, "the SHA-256 of the archive's bytes, in hexadecimal")
      ->required();
  verb->add_option("--cache", options->cache, "the cache folder, instead of the user's bank cache")
      ->type_name("DIR");
  return {verb, [options, defaults] { return runFetchBank(*options, defaults); }};
}

}  // namespace talvo::host
