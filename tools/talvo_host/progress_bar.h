#pragma once
// A one-line progress bar on standard error, drawn only when standard error
// is a terminal and the job is long enough to be worth watching.
#include <cstdint>

namespace talvo::host {

class ProgressBar {
 public:
  /// `total` work units; nothing is drawn for fewer than `minimum`.
  ProgressBar(std::int64_t total, std::int64_t minimum);
  ~ProgressBar();
  void update(std::int64_t done);

 private:
  bool enabled_;
  std::int64_t total_;
  int lastPercent_ = -1;
};

}  // namespace talvo::host
