#pragma once
// Holds back what the process writes to standard error while the host calls
// into a plug-in whose refusal it explains itself, so that the user reads one
// line instead of the plug-in's own advice around it. Main thread only.
#include <cstdio>

namespace talvo::host {

class HeldStandardError {
 public:
  HeldStandardError();
  /// Drops what was held.
  ~HeldStandardError() { restore(false); }
  HeldStandardError(const HeldStandardError&) = delete;
  HeldStandardError& operator=(const HeldStandardError&) = delete;

  /// Stops holding and writes what was held to standard error.
  void release() { restore(true); }

 private:
  void restore(bool pass);

  std::FILE* held_ = nullptr;
  int saved_ = -1;
};

}  // namespace talvo::host
