#include "support/alloc_counter.h"

#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TALVO_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define TALVO_SANITIZED 1
#endif
#endif

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

#ifndef TALVO_SANITIZED
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);

void* malloc(std::size_t size) {
  note();
  return __libc_malloc(size);
}
void* calloc(std::size_t n, std::size_t size) {
  note();
  return __libc_calloc(n, size);
}
void* realloc(void* p, std::size_t size) {
  note();
  return __libc_realloc(p, size);
}
}
// operator new below goes through malloc, which counts once.
#define TALVO_NOTE_NEW()
#else
#define TALVO_NOTE_NEW() note()
#endif

void* operator new(std::size_t size) {
  TALVO_NOTE_NEW();
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  return ::operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  TALVO_NOTE_NEW();
  return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return ::operator new(size, tag);
}
void* operator new(std::size_t size, std::align_val_t align) {
  note();  // aligned_alloc does not pass through malloc
  const std::size_t a = static_cast<std::size_t>(align);
  if (void* p = std::aligned_alloc(a, (size + a - 1) / a * a)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size, std::align_val_t align) {
  return ::operator new(size, align);
}
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
