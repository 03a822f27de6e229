#pragma once
// Test helper: a heap copy of exactly a text's bytes, so any read past the end
// is caught by the address sanitizer.
#include <cstddef>
#include <memory>
#include <string>

namespace talvo::test {

struct ExactText {
  explicit ExactText(const std::string& text) : bytes(new char[text.size() + 1]), size(text.size()) {
    text.copy(bytes.get(), size);
  }
  const char* data() const { return bytes.get(); }
  std::unique_ptr<char[]> bytes;
  std::size_t size;
};

/// Runs `parse(text, length)` on every proper prefix of `full` and returns
/// the first prefix length that parsed, or full.size() when none did.
template <typename Parse>
std::size_t firstAcceptedPrefix(const std::string& full, Parse parse) {
  for (std::size_t n = 0; n < full.size(); ++n) {
    ExactText text(full.substr(0, n));
    if (parse(text.data(), n)) return n;
  }
  return full.size();
}

}  // namespace talvo::test
