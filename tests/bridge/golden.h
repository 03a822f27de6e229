#pragma once
// Long expected documents live in tests/data/, one file each holding the exact
// text and a final newline. After a deliberate change, regenerate them with
// `TALVO_UPDATE_GOLDEN=1 ctest --preset debug -R <tests>` and review the diff.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace talvo::test {

inline void expectGolden(const std::string& name, const std::string& actual) {
  const std::string path = std::string(TALVO_SOURCE_DIR) + "/tests/data/" + name;
  if (std::getenv("TALVO_UPDATE_GOLDEN") != nullptr) std::ofstream(path, std::ios::binary) << actual << '\n';
  std::ifstream file(path, std::ios::binary);
  ASSERT_TRUE(file.is_open()) << "no " << path;
  std::stringstream text;
  text << file.rdbuf();
  std::string expected = text.str();
  if (!expected.empty() && expected.back() == '\n') expected.pop_back();
  EXPECT_EQ(actual, expected) << "differs from " << path;
}

}  // namespace talvo::test
