#include "banks/hosted/cache_root.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

struct EnvCase {
  const char* name;
  const char* xdg;   // nullptr: unset
  const char* home;  // relative to the scratch directory
  const char* expected;
};

class CacheRootEnv : public testing::Test {
 protected:
  void SetUp() override {
    if (const char* v = std::getenv("XDG_DATA_HOME")) savedXdg_ = v;
    if (const char* v = std::getenv("HOME")) savedHome_ = v;
    // One directory per test: ctest runs the cases of this suite in parallel.
    scratch_ = fs::path(TALVO_BINARY_DIR) / "test-scratch" / "cache-root" /
               testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(scratch_);
    fs::create_directories(scratch_);
  }
  void TearDown() override {
    restore("XDG_DATA_HOME", savedXdg_);
    restore("HOME", savedHome_);
    fs::remove_all(scratch_);
  }
  static void restore(const char* name, const std::string& value) {
    if (value.empty()) {
      unsetenv(name);
    } else {
      setenv(name, value.c_str(), 1);
    }
  }
  fs::path scratch_;
  std::string savedXdg_, savedHome_;
};

}  // namespace

TEST_F(CacheRootEnv, AbsoluteDataHomeWinsAndRelativeFallsBackToHome) {
  const EnvCase cases[] = {
      {"absolute data home", "/data", "home", "/data/Talvo/banks"},
      {"relative data home is ignored", "rel/data", "home", "/home/.local/share/Talvo/banks"},
      {"no data home", nullptr, "home", "/home/.local/share/Talvo/banks"},
  };
  for (const EnvCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string base = scratch_.string();
    if (c.xdg) {
      setenv("XDG_DATA_HOME", c.xdg[0] == '/' ? (base + c.xdg).c_str() : c.xdg, 1);
    } else {
      unsetenv("XDG_DATA_HOME");
    }
    setenv("HOME", (base + "/" + c.home).c_str(), 1);
    const std::string root = talvo::hostedBankCacheRoot();
    EXPECT_EQ(root, base + c.expected);
    struct stat info {};
    ASSERT_EQ(stat(root.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0700u);
  }
}

TEST_F(CacheRootEnv, AFileInTheWayGivesNoRoot) {
  setenv("XDG_DATA_HOME", scratch_.c_str(), 1);
  fs::create_directories(scratch_ / "Talvo");
  std::FILE* f = std::fopen((scratch_ / "Talvo" / "banks").c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  EXPECT_EQ(talvo::hostedBankCacheRoot(), "");
}
