// Replaces the global operator new and delete of this binary to count what
// is allocated, per thread, and how many bytes are live. Each block carries
// its size in a header so delete can subtract it.
#include "tests/longrun/alloc_count.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace {
thread_local uint64_t threadAllocations = 0;
std::atomic<int64_t> liveBytes{0};
constexpr size_t Header = alignof(std::max_align_t);

void* Allocate(size_t size) {
  ++threadAllocations;
  void* p = std::malloc(size + Header);
  if (!p) throw std::bad_alloc();
  *static_cast<size_t*>(p) = size;
  liveBytes += static_cast<int64_t>(size);
  return static_cast<char*>(p) + Header;
}

void Free(void* p) {
  if (!p) return;
  char* block = static_cast<char*>(p) - Header;
  liveBytes -= static_cast<int64_t>(*reinterpret_cast<size_t*>(block));
  std::free(block);
}
}  // namespace

namespace alloccount {
uint64_t ThreadAllocations() { return threadAllocations; }
int64_t LiveBytes() { return liveBytes.load(); }
}  // namespace alloccount

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void operator delete(void* p) noexcept { Free(p); }
void operator delete[](void* p) noexcept { Free(p); }
void operator delete(void* p, size_t) noexcept { Free(p); }
void operator delete[](void* p, size_t) noexcept { Free(p); }
