#pragma once
// Expected documents kept as files under tests/data/, found through the
// source directory the build passes in, never the working directory. After a
// deliberate change, regenerate them by running the tests that read them with
// TALVO_UPDATE_FIXTURES=1 in the environment, and review the diff.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace talvo::test {

inline void expectMatchesFixture(const std::string& actual, const std::string& name) {
  const std::string path = std::string(TALVO_SOURCE_DIR) + "/tests/data/" + name;
  if (std::getenv("TALVO_UPDATE_FIXTURES") != nullptr) std::ofstream(path, std::ios::binary) << actual;
  std::ifstream file(path, std::ios::binary);
  std::stringstream expected;
  expected << file.rdbuf();
  EXPECT_EQ(actual, expected.str()) << "differs from " << path;
}

}  // namespace talvo::test
