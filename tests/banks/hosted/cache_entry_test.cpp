#include "banks/hosted/cache_entry.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace talvo {
namespace {

namespace fs = std::filesystem;

// A fresh scratch directory holding `names`; those ending in "/" are folders.
fs::path makeTree(const std::vector<std::string>& names) {
  const fs::path dir = fs::path(testing::TempDir()) / ("talvo_cache_entry_" + std::to_string(getpid()));
  fs::remove_all(dir);
  for (const std::string& name : names) {
    fs::create_directories((dir / name).parent_path());
    if (name.back() != '/') std::ofstream(dir / name) << "x";
  }
  return dir;
}

// One folder beside Finder extras is chosen in the talvo-host fetch-bank test.
TEST(CacheEntry, TheWholeTreeIsTheBankWhenTheTopHoldsTheManifestOrSeveralFolders) {
  for (const auto& tree : {std::vector<std::string>{"bank.json", "Pack/"}, {"A/", "B/"}}) {
    const fs::path dir = makeTree(tree);
    EXPECT_EQ(pickBankRoot(dir.string()), dir.string()) << tree.front();
    fs::remove_all(dir);
  }
}

TEST(CacheEntry, MoveKeepsTheEntryOfARacingFetchAndReplacesAFile) {
  const fs::path dir = makeTree({"entry/from-the-winner", "unpacked/", "stray"});
  EXPECT_TRUE(moveIntoCache((dir / "unpacked").string(), (dir / "entry").string()));
  EXPECT_TRUE(fs::exists(dir / "entry" / "from-the-winner"));
  EXPECT_TRUE(moveIntoCache((dir / "unpacked").string(), (dir / "stray").string()));
  EXPECT_TRUE(fs::is_directory(dir / "stray"));
  fs::remove_all(dir);
}

}  // namespace
}  // namespace talvo
