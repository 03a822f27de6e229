#pragma once
// Test helper: a heap copy of exactly a text's bytes, so any read past the end
// is caught by the address sanitizer.
#include <gtest/gtest.h>

#include <cstddef>
#include <memory>
#include <string>

namespace talvo::test {

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

}  // namespace talvo::test
