#include "banks/hosted/cache_entry.h"

#include <gtest/gtest.h>

#include "support/scratch_dir.h"

namespace talvo {
namespace {

namespace fs = std::filesystem;

// A scratch directory holding `names`; those ending in "/" are folders.
void makeTree(const test::ScratchDir& dir, const std::vector<std::string>& names) {
  for (const std::string& name : names)
    name.back() == '/' ? (void)fs::create_directories(dir.path() / name) : dir.write(name, "x");
}

// One folder beside Finder extras is chosen in the talvo-host fetch-bank test.
TEST(CacheEntry, TheWholeTreeIsTheBankWhenTheTopHoldsTheManifestOrSeveralFolders) {
  for (const auto& tree : {std::vector<std::string>{"bank.json", "Pack/"}, {"A/", "B/"}}) {
    const test::ScratchDir dir;
    makeTree(dir, tree);
    EXPECT_EQ(pickBankRoot(dir.dir()), dir.dir()) << tree.front();
  }
}

TEST(CacheEntry, MoveKeepsTheEntryOfARacingFetchAndReplacesAFile) {
  const test::ScratchDir dir;
  makeTree(dir, {"entry/from-the-winner", "unpacked/", "stray"});
  EXPECT_TRUE(moveIntoCache((dir.path() / "unpacked").string(), (dir.path() / "entry").string()));
  EXPECT_TRUE(fs::exists(dir.path() / "entry" / "from-the-winner"));
  EXPECT_TRUE(moveIntoCache((dir.path() / "unpacked").string(), (dir.path() / "stray").string()));
  EXPECT_TRUE(fs::is_directory(dir.path() / "stray"));
}

}  // namespace
}  // namespace talvo
