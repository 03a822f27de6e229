// talvo-host fetch-bank end to end against a real HTTPS server. The verb runs
// in this process: the test's certificate authority can reach it only as a
// parameter, since the tool trusts nothing beyond the system's authorities.
#include <gtest/gtest.h>

#include <filesystem>

#include "banks/hosted/archive_builder.h"
#include "bridge/sha256.h"
#include "support/https_test_server.h"
#include "support/scratch_dir.h"
#include "talvo_host/commands.h"

namespace talvo::host {
namespace {

namespace fs = std::filesystem;

TEST(FetchBankTool, CachesTheBankThenFindsItInTheCacheWithTheServerStopped) {
  // A Finder-made zip: the bank in one folder, among resource forks. The
  // sample spans several network reads, so the hash is taken in pieces.
  const std::string archive = test::buildArchive({{"Pack/sample.wav", std::string(100000, 's')},
                                                  {"Pack/._sample.wav", "fork"},
                                                  {"__MACOSX/Pack/._sample.wav", "fork"},
                                                  {"._Pack", "fork"}});
  test::HttpsTestServer server;
  ASSERT_TRUE(server.start());
  server.serve("/pack.zip", archive);
  server.redirect("/latest", server.url("/pack.zip"));
  const test::ScratchDir scratch;
  const fs::path cache = scratch.path() / "cache";
  std::string tool = "talvo-host", verb = "fetch-bank", url = server.url("/latest"), flag = "--cache",
              root = cache.string();
  std::string pin = sha256Hex(archive.data(), static_cast<std::uint32_t>(archive.size()));
  char* argv[] = {tool.data(), verb.data(), url.data(), pin.data(), flag.data(), root.data()};
  HostedFetchOptions options;
  options.extraTrustedCaPem = server.caPem();

  for (bool online : {true, false}) {
    if (!online) server.stop();
    testing::internal::CaptureStdout();
    CLI::App app;
    describeTool(app);
    EXPECT_EQ(runVerbs(app, {addFetchBankVerb(app, options)}, 6, argv), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), (cache / pin).string() + "\n");
    EXPECT_EQ(fs::file_size(cache / pin / "sample.wav"), 100000u);
    EXPECT_EQ(std::distance(fs::directory_iterator(cache / pin), {}), 1);  // no resource fork
    EXPECT_EQ(std::distance(fs::directory_iterator(cache), {}), 1);        // no staging left behind
  }
}

}  // namespace
}  // namespace talvo::host
