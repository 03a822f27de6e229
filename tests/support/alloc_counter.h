#pragma once
// Counts heap allocations made by the current thread while an
// AllocationCounter is alive. Link talvo::test_alloc into the test binary:
// it replaces every global operator new, so any C++ allocation on the counted
// thread is seen.
#include <cstddef>

namespace talvo::test {

class AllocationCounter {
 public:
  AllocationCounter();
  ~AllocationCounter();
  AllocationCounter(const AllocationCounter&) = delete;
  AllocationCounter& operator=(const AllocationCounter&) = delete;

  /// Allocations seen on this thread since construction.
  [[nodiscard]] std::size_t count() const;
};

}  // namespace talvo::test
