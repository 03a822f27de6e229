#include "banks/hosted/cache_root.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "support/scratch_dir.h"

namespace {

// Each test sets the variables it reads; ctest runs every test in a process of its own.
TEST(CacheRoot, AbsoluteDataHomeWinsAndRelativeFallsBackToHome) {
  const talvo::test::ScratchDir scratch;
  // A data home (nullptr: unset) and the root it gives; absolute ones are inside the scratch directory.
  const std::pair<const char*, const char*> cases[] = {{"/data", "/data/Talvo/banks"},
                                                       {"rel/data", "/home/.local/share/Talvo/banks"},
                                                       {nullptr, "/home/.local/share/Talvo/banks"}};
  const std::string base = scratch.dir();
  for (const auto& [xdg, expected] : cases) {
    SCOPED_TRACE(xdg ? xdg : "unset");
    if (xdg)
      setenv("XDG_DATA_HOME", xdg[0] == '/' ? (base + xdg).c_str() : xdg, 1);
    else
      unsetenv("XDG_DATA_HOME");
    setenv("HOME", (base + "/home").c_str(), 1);
    const std::string root = talvo::hostedBankCacheRoot();
    EXPECT_EQ(root, base + expected);
    struct stat info {};
    ASSERT_EQ(stat(root.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0700u);
  }
}

TEST(CacheRoot, AFileInTheWayGivesNoRoot) {
  const talvo::test::ScratchDir scratch;
  setenv("XDG_DATA_HOME", scratch.dir().c_str(), 1);
  scratch.write("Talvo/banks", "");
  EXPECT_EQ(talvo::hostedBankCacheRoot(), "");
}

}  // namespace
