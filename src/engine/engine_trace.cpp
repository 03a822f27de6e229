#include "engine/engine_trace.h"

#include <atomic>
#include <cstdlib>

namespace talvo::trace {

namespace {
std::atomic<std::uint64_t> blockCounter{0};

std::FILE* openFromEnvironment() {
  const char* path = std::getenv("TALVO_KERNEL_TRACE");
  if (!path || !*path) return nullptr;
  return std::fopen(path, "a");
}
}  // namespace

std::FILE* file() {
  static std::FILE* const opened = openFromEnvironment();
  return opened;
}

std::uint64_t nextBlock() {
  return blockCounter.fetch_add(1, std::memory_order_relaxed) + 1;
}

std::uint64_t currentBlock() {
  return blockCounter.load(std::memory_order_relaxed);
}

}  // namespace talvo::trace
