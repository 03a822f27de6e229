#pragma once
// A small option reader for the talvo-host verbs: positional arguments,
// flags, and options that take a value and may repeat.
#include <map>
#include <string>
#include <vector>

namespace talvo::host {

class CommandLine {
 public:
  /// `valued` lists the options that take a value ("--block"); every other
  /// "--name" is a flag. False with a reason on an unknown or incomplete option.
  [[nodiscard]] bool parse(int argc, char** argv, const std::vector<std::string>& valued,
                           const std::vector<std::string>& flags, std::string& error);

  [[nodiscard]] const std::vector<std::string>& positional() const { return positional_; }
  [[nodiscard]] bool has(const std::string& name) const { return values_.count(name) != 0 || flagSet(name); }
  [[nodiscard]] bool flagSet(const std::string& name) const;
  /// The last value given for `name`, or `fallback`.
  [[nodiscard]] std::string value(const std::string& name, const std::string& fallback = "") const;
  [[nodiscard]] std::vector<std::string> values(const std::string& name) const;

 private:
  std::vector<std::string> positional_;
  std::map<std::string, std::vector<std::string>> values_;
  std::vector<std::string> flags_;
};

/// Reads a whole decimal integer within [low, high]; false leaves `out` untouched.
[[nodiscard]] bool parseInteger(const std::string& text, long low, long high, long& out);

}  // namespace talvo::host
