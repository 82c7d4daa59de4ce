// glibc lets a program replace malloc, free, calloc and realloc (and the
// aligned variants) by defining them; the originals stay reachable under
// their __libc_ names. The program is linked with its symbols exported, so
// the plug-in library's calls land here too.
#include "heap_counter.h"

#include <malloc.h>

#include <atomic>
#include <cerrno>
#include <cstddef>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* block);
}

namespace {

std::atomic<std::int64_t> inUse{0};
std::atomic<std::int64_t> peak{0};

void Count(void* block) {
  if (block == nullptr) return;
  const auto size = static_cast<std::int64_t>(malloc_usable_size(block));
  const std::int64_t now = inUse.fetch_add(size, std::memory_order_relaxed) + size;
  std::int64_t high = peak.load(std::memory_order_relaxed);
  while (now > high && !peak.compare_exchange_weak(high, now, std::memory_order_relaxed)) {
  }
}

void Uncount(void* block) {
  if (block == nullptr) return;
  inUse.fetch_sub(static_cast<std::int64_t>(malloc_usable_size(block)), std::memory_order_relaxed);
}

}  // namespace

namespace heap_counter {

std::int64_t InUse() { return inUse.load(std::memory_order_relaxed); }
void ResetPeak() { peak.store(InUse(), std::memory_order_relaxed); }
std::int64_t Peak() { return peak.load(std::memory_order_relaxed); }

}  // namespace heap_counter

extern "C" {

void* malloc(std::size_t size) {
  void* block = __libc_malloc(size);
  Count(block);
  return block;
}

void* calloc(std::size_t count, std::size_t size) {
  void* block = __libc_calloc(count, size);
  Count(block);
  return block;
}

void* realloc(void* block, std::size_t size) {
  Uncount(block);
  void* moved = __libc_realloc(block, size);
  // A failed realloc leaves the old block alive.
  Count(moved != nullptr || size == 0 ? moved : block);
  return moved;
}

void free(void* block) {
  Uncount(block);
  __libc_free(block);
}

void* memalign(std::size_t alignment, std::size_t size) {
  void* block = __libc_memalign(alignment, size);
  Count(block);
  return block;
}

void* aligned_alloc(std::size_t alignment, std::size_t size) { return memalign(alignment, size); }

int posix_memalign(void** result, std::size_t alignment, std::size_t size) {
  void* block = memalign(alignment, size);
  if (block == nullptr) return ENOMEM;
  *result = block;
  return 0;
}

}  // extern "C"
