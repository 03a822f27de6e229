#pragma once
// Test helper: a heap copy of exactly a text's bytes, so any read past the end
// is caught by the address sanitizer.
#include <gtest/gtest.h>

#include <cstddef>
#include <memory>
#include <string>

#include "support/data_file.h"

namespace talvo::test {

/// `levels` nested arrays: "[[]]" for 2.
inline std::string nested(int levels) {
  return std::string(levels, '[') + std::string(levels, ']');
}

/// A document whose only member holds `levels` nested arrays.
inline std::string nestedMember(int levels) {
  return "{\"x\":" + nested(levels) + "}";
}

struct ExactText {
  explicit ExactText(const std::string& text) : bytes(new char[text.size()]), size(text.size()) {
    text.copy(bytes.get(), size);
  }
  const char* data() const { return bytes.get(); }
  std::unique_ptr<char[]> bytes;
  std::size_t size;
};

/// Fails the current test unless `parse` accepts `full` and rejects every
/// proper prefix of it, each given as an exact heap copy.
template <typename Out>
void expectOnlyTheWholeTextParses(const std::string& full, bool (*parse)(const char*, std::size_t, Out&)) {
  for (std::size_t n = 0; n <= full.size(); ++n) {
    ExactText text(full.substr(0, n));
    Out out;
    EXPECT_EQ(parse(text.data(), n, out), n == full.size()) << "first " << n << " bytes of " << full;
  }
}

/// Checks a document reader, and its writer, against the rows of a case file, each text an exact
/// heap copy: "accepted | text", "refused | text", "whole | text" (no proper prefix parses), and
/// "rewritten | text [| written]" (written back as the text itself unless given).
template <typename Out>
void expectDocumentCases(const std::string& name, bool (*parse)(const char*, std::size_t, Out&),
                         void (*write)(std::string&, const Out&) = nullptr) {
  for (const CaseRow& row : readCaseTable(name)) {
    if (row.at(0) == "whole") {
      expectOnlyTheWholeTextParses(row.at(1), parse);
      continue;
    }
    const ExactText text(row.at(1));
    Out out;
    EXPECT_EQ(parse(text.data(), text.size, out), row[0] != "refused") << row[0] << " | " << row[1];
    if (row[0] != "rewritten") continue;
    std::string written;
    write(written, out);
    EXPECT_EQ(written, row.size() > 2 ? row[2] : row[1]);
  }
}

}  // namespace talvo::test
