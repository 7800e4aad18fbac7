// The replaced global allocation functions behind AllocationCount and the live byte counts. The
// memory still comes from malloc, so the sanitizers see every block; each block carries its size
// in front of it, where operator delete finds it again.
#include "support/allocation_counter.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

std::atomic<uint64_t> allocations{0};
std::atomic<uint64_t> live_bytes{0};
std::atomic<uint64_t> peak_bytes{0};

// Keeps the block behind it as aligned as malloc's.
constexpr std::size_t kPrefix = alignof(std::max_align_t);

void* Allocate(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  void* block = std::malloc(kPrefix + size);
  if (block == nullptr) throw std::bad_alloc();
  *static_cast<std::size_t*>(block) = size;
  const uint64_t live = live_bytes.fetch_add(size, std::memory_order_relaxed) + size;
  uint64_t peak = peak_bytes.load(std::memory_order_relaxed);
  while (live > peak && !peak_bytes.compare_exchange_weak(peak, live, std::memory_order_relaxed)) {
  }
  return static_cast<char*>(block) + kPrefix;
}

void Release(void* p) noexcept {
  if (p == nullptr) return;
  void* block = static_cast<char*>(p) - kPrefix;
  live_bytes.fetch_sub(*static_cast<std::size_t*>(block), std::memory_order_relaxed);
  std::free(block);
}

}  // namespace

namespace erm::testing {

uint64_t AllocationCount() {
  return allocations.load(std::memory_order_relaxed);
}

uint64_t LiveBytes() {
  return live_bytes.load(std::memory_order_relaxed);
}

uint64_t PeakLiveBytes() {
  return peak_bytes.load(std::memory_order_relaxed);
}

void ResetPeakLiveBytes() {
  peak_bytes.store(live_bytes.load(std::memory_order_relaxed), std::memory_order_relaxed);
}

}  // namespace erm::testing

void* operator new(std::size_t size) {
  return Allocate(size);
}
void* operator new[](std::size_t size) {
  return Allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void operator delete(void* p) noexcept {
  Release(p);
}
void operator delete[](void* p) noexcept {
  Release(p);
}
void operator delete(void* p, std::size_t) noexcept {
  Release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  Release(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  Release(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  Release(p);
}
