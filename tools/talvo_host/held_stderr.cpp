#include "talvo_host/held_stderr.h"

#include <unistd.h>

namespace talvo::host {

HeldStandardError::HeldStandardError() {
  std::fflush(stderr);
  held_ = std::tmpfile();
  saved_ = held_ != nullptr ? dup(STDERR_FILENO) : -1;
  // Without a place to hold it the text simply goes through.
  if (saved_ < 0 || dup2(fileno(held_), STDERR_FILENO) < 0) restore(false);
}

void HeldStandardError::restore(bool pass) {
  std::fflush(stderr);
  if (saved_ >= 0) {
    (void)dup2(saved_, STDERR_FILENO);
    close(saved_);
    saved_ = -1;
  }
  if (held_ == nullptr) return;
  if (pass) {
    std::rewind(held_);
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, held_)) > 0;)
      std::fwrite(buffer, 1, n, stderr);
  }
  std::fclose(held_);
  held_ = nullptr;
}

}  // namespace talvo::host
