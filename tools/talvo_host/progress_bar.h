#pragma once
// A one-line progress bar on standard error, drawn only when standard error
// is a terminal and the job is long enough to be worth watching.
#include <cstdint>

namespace talvo::host {

class ProgressBar {
 public:
  /// Nothing is drawn for jobs of fewer than `minimum` work units.
  explicit ProgressBar(std::int64_t minimum);
  ~ProgressBar();
  void update(std::int64_t done, std::int64_t total);

 private:
  bool enabled_;
  std::int64_t minimum_;
  int lastPercent_ = -1;
};

}  // namespace talvo::host
