// fetchHostedBank's failures against a real HTTPS server on 127.0.0.1, hostile
// archives included (the way to success is shown through talvo-host).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "banks/hosted/archive_builder.h"
#include "banks/hosted/hosted_bank.h"
#include "bridge/sha256.h"
#include "support/https_test_server.h"
#include "support/scratch_dir.h"

namespace talvo {
namespace {

namespace fs = std::filesystem;
using test::ArchiveItem;

std::string hashOf(const std::string& bytes) {
  return sha256Hex(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

TEST(HostedFetch, EveryFailureNamesItsCauseAndWritesNothingIntoTheCache) {
  const std::string archive = test::buildArchive({{"bank.json", "{}"}}), pin = hashOf(archive);
  std::string upper = pin;
  std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
  const std::string mismatch =
      "downloaded bytes hash to " + pin.substr(0, 16) + "\u2026 which does not match the pinned sha256";
  const std::string notAZip = "the downloaded archive is not a readable zip";
  test::HttpsTestServer server;
  ASSERT_TRUE(server.start());
  server.serve("/pack.zip", archive);
  server.serve("/missing", "no such bank", 404);
  server.redirect("/downgrade", "http://127.0.0.1/pack.zip");
  server.stall("/stall");
  server.endless("/endless");
  server.serve("/junk", "PK");
  const test::ScratchDir scratch;
  const fs::path& root = scratch.path();
  const std::string lure(62, 'a');  // a directory the look-up must not be tricked into returning
  fs::create_directories(root / lure);
  const std::string good = server.url("/pack.zip");
  const struct {
    const char* name;
    std::string url = "", pin = "", expected = "";  // expected empty: the transport's own text
    std::vector<ArchiveItem> served = {};  // when set: served, pinned and fetched instead of url and pin
    bool tar = false;
    // The overall time-outs end a row quickly should the limit under test fail.
    int lowSpeedSeconds = 30, totalTimeoutSeconds = 300;
    std::uint64_t maxArchiveBytes = std::uint64_t{2} << 30, maxUnpackedBytes = 1 << 20;
    std::uint32_t maxEntries = 100;
  } cases[] = {
      {"pin naming a path", good, lure + "/.", "a hosted bank must pin a 64-hex sha256"},
      {"not found", server.url("/missing"), pin, "HTTP 404"},
      {"wrong pin", good, hashOf("other"), mismatch},
      {"uppercase pin", good, upper, mismatch},
      {"plain http", "http" + good.substr(5), pin, "hosted banks must be served over https"},
      {"redirect to http", server.url("/downgrade"), pin, "hosted banks must be served over https"},
      {"stalled server", server.url("/stall"), pin, "", {}, false, 1, 30},
      {"endless stream", server.url("/endless"), pin, "download failed", {}, false, 30, 5, 1 << 20},
      {"zip slip", "", "", notAZip, {{"ok.txt", "fine"}, {"../../escape.txt", "out"}}},
      {"nested dot-dot", "", "", notAZip, {{"a/../../../escape.txt", "out"}}},
      {"absolute path", "", "", notAZip, {{(root / "absolute.txt").string(), "out"}}},
      {"symbolic link", "", "", notAZip, {{"link", (root / lure).string(), ArchiveItem::Symlink}}},
      {.name = "hard link (a zip cannot carry one)",
       .expected = notAZip,
       .served = {{"l", "/etc/passwd", ArchiveItem::Hardlink}},
       .tar = true},
      {"zip bomb", "", "", notAZip, {{"big.bin", std::string(2 << 20, '\0')}}},
      {.name = "too many entries",
       .expected = notAZip,
       .served = {{"a", "1"}, {"b", "2"}, {"c", "3"}},
       .maxEntries = 2},
      {"not an archive", server.url("/junk"), hashOf("PK"), notAZip},
  };
  for (std::size_t row = 0; row < std::size(cases); ++row) {
    const auto& c = cases[row];
    SCOPED_TRACE(c.name);
    std::string url = c.url, pinned = c.pin;
    if (!c.served.empty()) {
      const std::string bytes = test::buildArchive(c.served, c.tar), path = "/row" + std::to_string(row);
      server.serve(path, bytes);
      url = server.url(path);
      pinned = hashOf(bytes);
    }
    const HostedFetchOptions options{root.string(),      server.caPem(),        30,
                                     c.lowSpeedSeconds,  c.totalTimeoutSeconds, c.maxArchiveBytes,
                                     c.maxUnpackedBytes, c.maxEntries};
    std::string directory = "stale", error;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(fetchHostedBank(url, pinned, directory, error, options));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_EQ(directory, "");
    EXPECT_TRUE(c.expected.empty() ? !error.empty() : error == c.expected) << error;
    EXPECT_EQ(std::distance(fs::directory_iterator(root), {}), 1);  // the lure alone
  }
}

}  // namespace
}  // namespace talvo
