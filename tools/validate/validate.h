#pragma once
// talvo-host's conformance suite: drives a VST3 bundle as hosts do, one
// check after another, and says for each whether the plug-in passed.
#include <cstdint>
#include <cstdio>
#include <string>

namespace talvo::validate {

inline constexpr int kMaxStrictness = 10;

struct Options {
  /// 1 runs the basic checks once; higher adds random block sizes and rates,
  /// parameter fuzzing, garbage state, many instances and a time limit per check.
  int strictness = 5;
  std::uint64_t seed = 1;  // every random choice follows from it
};

struct Tally {
  int passed = 0;
  int failed = 0;
  int skipped = 0;
};

/// Runs every check that `options.strictness` asks for on `bundle`, each in a
/// process of its own, and prints one line per check and a last
/// "N passed, N failed" line to `out`.
Tally runValidation(const std::string& bundle, const Options& options, std::FILE* out);

}  // namespace talvo::validate
