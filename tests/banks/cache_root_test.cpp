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
  const struct {
    const char* name;
    const char* xdg;  // nullptr: unset; absolute ones are inside the scratch directory
    const char* expected;
  } cases[] = {
      {"absolute data home", "/data", "/data/Talvo/banks"},
      {"relative data home is ignored", "rel/data", "/home/.local/share/Talvo/banks"},
      {"no data home", nullptr, "/home/.local/share/Talvo/banks"},
  };
  const std::string base = scratch.dir();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.xdg) {
      setenv("XDG_DATA_HOME", c.xdg[0] == '/' ? (base + c.xdg).c_str() : c.xdg, 1);
    } else {
      unsetenv("XDG_DATA_HOME");
    }
    setenv("HOME", (base + "/home").c_str(), 1);
    const std::string root = talvo::hostedBankCacheRoot();
    EXPECT_EQ(root, base + c.expected);
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
