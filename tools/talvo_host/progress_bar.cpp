#include "talvo_host/progress_bar.h"

#include <unistd.h>

#include <cstdio>

namespace talvo::host {

namespace {
constexpr int kWidth = 40;
}

ProgressBar::ProgressBar(std::int64_t minimum) : enabled_(isatty(STDERR_FILENO) == 1), minimum_(minimum) {}

ProgressBar::~ProgressBar() {
  // Clear the bar so the summary line starts on a clean line.
  if (enabled_ && lastPercent_ >= 0) std::fprintf(stderr, "\r%*s\r", kWidth + 8, "");
}

void ProgressBar::update(std::int64_t done, std::int64_t total) {
  if (!enabled_ || total < minimum_ || total <= 0) return;
  int percent = static_cast<int>(done * 100 / total);
  if (percent == lastPercent_) return;
  lastPercent_ = percent;
  int filled = percent * kWidth / 100;
  char bar[kWidth + 1];
  for (int i = 0; i < kWidth; ++i)
    bar[i] = i < filled ? '#' : '.';
  bar[kWidth] = '\0';
  std::fprintf(stderr, "\r[%s] %3d%%", bar, percent);
  std::fflush(stderr);
}

}  // namespace talvo::host
