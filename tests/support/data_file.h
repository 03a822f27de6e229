#pragma once
// Test data under tests/data/: whole files, and case tables with one case a
// line, its fields split at " | ", blank lines and "#" comments skipped.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace talvo::test {

inline std::string dataPath(const std::string& name) {
  return std::string(TALVO_SOURCE_DIR) + "/tests/data/" + name;
}

/// The bytes of tests/data/<name>; the test fails when there is no such file.
inline std::string readDataFile(const std::string& name) {
  std::ifstream file(dataPath(name), std::ios::binary);
  EXPECT_TRUE(file.is_open()) << "no " << dataPath(name);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

using CaseRow = std::vector<std::string>;

inline std::vector<CaseRow> readCaseTable(const std::string& name) {
  std::vector<CaseRow> rows;
  std::istringstream lines(readDataFile(name));
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] == '#') continue;
    if (line.ends_with(" |")) line += ' ';  // an empty last field
    CaseRow& row = rows.emplace_back();
    for (std::size_t at = 0, bar = 0; bar != std::string::npos; at = bar + 3) {
      bar = line.find(" | ", at);
      row.push_back(line.substr(at, bar - at));
    }
  }
  EXPECT_FALSE(rows.empty()) << name;
  return rows;
}

}  // namespace talvo::test
