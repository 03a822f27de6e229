#include "banks/hosted/cache_root.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "support/scratch_dir.h"

namespace {

// Sets XDG_DATA_HOME (unset for null) and HOME for one test, and restores them.
class CacheRootEnv : public testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 2; ++i) {
      if (const char* v = std::getenv(kNames[i])) saved_[i] = v;
    }
  }
  void TearDown() override {
    for (int i = 0; i < 2; ++i)
      saved_[i].empty() ? unsetenv(kNames[i]) : setenv(kNames[i], saved_[i].c_str(), 1);
  }
  static constexpr const char* kNames[2] = {"XDG_DATA_HOME", "HOME"};
  std::string saved_[2];
  talvo::test::ScratchDir scratch_;
};

TEST_F(CacheRootEnv, AbsoluteDataHomeWinsAndRelativeFallsBackToHome) {
  const struct {
    const char* name;
    const char* xdg;  // nullptr: unset; absolute ones are inside the scratch directory
    const char* expected;
  } cases[] = {
      {"absolute data home", "/data", "/data/Talvo/banks"},
      {"relative data home is ignored", "rel/data", "/home/.local/share/Talvo/banks"},
      {"no data home", nullptr, "/home/.local/share/Talvo/banks"},
  };
  const std::string base = scratch_.dir();
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

TEST_F(CacheRootEnv, AFileInTheWayGivesNoRoot) {
  setenv("XDG_DATA_HOME", scratch_.dir().c_str(), 1);
  scratch_.write("Talvo/banks", "");
  EXPECT_EQ(talvo::hostedBankCacheRoot(), "");
}

}  // namespace
