#include "talvo_host/command_line.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace talvo::host {

bool CommandLine::parse(int argc, char** argv, const std::vector<std::string>& valued,
                        const std::vector<std::string>& flags, std::string& error) {
  for (int i = 0; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg.rfind("--", 0) != 0 || arg.size() == 2) {
      positional_.push_back(arg);
      continue;
    }
    std::string name = arg;
    std::string inlineValue;
    bool hasInline = false;
    if (std::size_t eq = arg.find('='); eq != std::string::npos) {
      name = arg.substr(0, eq);
      inlineValue = arg.substr(eq + 1);
      hasInline = true;
    }
    if (std::find(valued.begin(), valued.end(), name) != valued.end()) {
      if (!hasInline) {
        if (i + 1 >= argc) {
          error = name + " needs a value";
          return false;
        }
        inlineValue = argv[++i];
      }
      values_[name].push_back(inlineValue);
    } else if (!hasInline && std::find(flags.begin(), flags.end(), name) != flags.end()) {
      flags_.push_back(name);
    } else {
      error = "unknown option " + name;
      return false;
    }
  }
  return true;
}

bool CommandLine::flagSet(const std::string& name) const {
  return std::find(flags_.begin(), flags_.end(), name) != flags_.end();
}

std::string CommandLine::value(const std::string& name, const std::string& fallback) const {
  auto it = values_.find(name);
  return it == values_.end() || it->second.empty() ? fallback : it->second.back();
}

std::vector<std::string> CommandLine::values(const std::string& name) const {
  auto it = values_.find(name);
  return it == values_.end() ? std::vector<std::string>{} : it->second;
}

bool parseInteger(const std::string& text, long low, long high, long& out) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  long value = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || end != text.c_str() + text.size() || value < low || value > high) return false;
  out = value;
  return true;
}

}  // namespace talvo::host
