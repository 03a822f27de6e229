#pragma once
// Long expected documents live in tests/data/, one file each holding the exact
// text and a final newline. After a deliberate change, regenerate them with
// `TALVO_UPDATE_GOLDEN=1 ctest --preset debug -R <tests>` and review the diff.
#include <cstdlib>

#include "support/data_file.h"

namespace talvo::test {

inline void expectGolden(const std::string& name, const std::string& actual) {
  if (std::getenv("TALVO_UPDATE_GOLDEN") != nullptr)
    std::ofstream(dataPath(name), std::ios::binary) << actual << '\n';
  std::string expected = readDataFile(name);
  if (!expected.empty() && expected.back() == '\n') expected.pop_back();
  EXPECT_EQ(actual, expected) << "differs from " << dataPath(name);
}

}  // namespace talvo::test
