#pragma once
// One conformance check: a name, the strictness from which it runs, and a
// function that drives a freshly loaded module and gives a verdict. Checks
// run in a process of their own, so a plug-in that crashes or hangs fails
// only the check that found it.
#include <cstdint>
#include <memory>
#include <random>
#include <span>
#include <string>

#include "hosting/factory_info.h"
#include "hosting/plugin_instance.h"
#include "hosting/plugin_module.h"
#include "validate/validate.h"

namespace talvo::validate {

enum class Verdict { kPass, kFail, kSkip };

struct Result {
  Verdict verdict = Verdict::kPass;
  std::string detail;  // why it failed or was skipped; may note what passed
};

inline Result pass(std::string note = "") {
  return {Verdict::kPass, std::move(note)};
}
inline Result fail(std::string why) {
  return {Verdict::kFail, std::move(why)};
}
inline Result skip(std::string why) {
  return {Verdict::kSkip, std::move(why)};
}

/// What a check works with: the loaded module, its factory, the processor
/// class, the options and a random source seeded for this check alone.
class Session {
 public:
  Session(host::PluginModule& module, host::FactoryRecord factory, const host::ClassRecord& processor,
          const Options& options, std::uint64_t seed)
      : module_(module),
        factory_(std::move(factory)),
        processor_(processor),
        options_(options),
        random_(seed) {}

  [[nodiscard]] Steinberg::IPluginFactory& factory() const { return *module_.factory(); }
  [[nodiscard]] const host::FactoryRecord& record() const { return factory_; }
  [[nodiscard]] const host::ClassRecord& processorClass() const { return processor_; }
  [[nodiscard]] int strictness() const { return options_.strictness; }
  /// A count that grows with the strictness: `atOne` at 1, `atTen` at 10.
  [[nodiscard]] int scaled(int atOne, int atTen) const {
    return atOne + (atTen - atOne) * (options_.strictness - 1) / (kMaxStrictness - 1);
  }
  /// A whole number in [low, high].
  int uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  double unit() { return std::uniform_real_distribution<double>(0.0, 1.0)(random_); }
  std::mt19937_64& random() { return random_; }

  /// A new instance of the processor class with its controller, both
  /// initialized and connected as a host does.
  [[nodiscard]] std::unique_ptr<host::PluginInstance> instance(std::string& error) {
    return host::PluginInstance::create(factory(), processor_.cid, error);
  }

 private:
  host::PluginModule& module_;
  host::FactoryRecord factory_;
  host::ClassRecord processor_;
  Options options_;
  std::mt19937_64 random_;
};

using CheckFunction = Result (*)(Session&);

struct Check {
  const char* name;
  int strictness;  // runs at this strictness and above
  CheckFunction run;
};

/// Every check, in the order they run.
[[nodiscard]] std::span<const Check> allChecks();

}  // namespace talvo::validate
