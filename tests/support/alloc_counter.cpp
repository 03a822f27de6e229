#include "support/alloc_counter.h"

#include <cstdlib>
#include <new>

// Every operator new is replaced and counted. C allocation functions are not:
// the sanitizers the test builds run under own malloc, and nothing on our
// audio paths calls it directly.
namespace {
thread_local int armed = 0;
thread_local std::size_t counted = 0;

inline void note() {
  if (armed > 0) ++counted;
}
}  // namespace

namespace talvo::test {
AllocationCounter::AllocationCounter() {
  ++armed;
  counted = 0;
}
AllocationCounter::~AllocationCounter() {
  --armed;
}
std::size_t AllocationCounter::count() const {
  return counted;
}
}  // namespace talvo::test

void* operator new(std::size_t size) {
  note();
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  return ::operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  note();
  return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return ::operator new(size, tag);
}
void* operator new(std::size_t size, std::align_val_t align) {
  note();
  const std::size_t a = static_cast<std::size_t>(align);
  if (void* p = std::aligned_alloc(a, (size + a - 1) / a * a)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size, std::align_val_t align) {
  return ::operator new(size, align);
}
// Deletes match the news above (malloc'd memory), also where a sanitizer
// would otherwise supply its own operator delete.
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
  std::free(p);
}
