// The allocation seam of the image core. Every buffer of DibImage comes from
// here so that tests can make one chosen allocation fail and check that the
// image reports it and leaks nothing.
#include <atomic>
#include <cstdlib>

#include "dib_image.h"

namespace dib_alloc {
namespace {

// Successful allocations still to grant before one fails; negative = off.
std::atomic<long> remaining{-1};

// True when this allocation is the one chosen to fail. The countdown is one
// atomic so that images used on different threads never lose a step; the
// failing allocation leaves it at -1, which turns injection off again.
bool ShouldFail() {
  long current = remaining.load(std::memory_order_relaxed);
  while (current >= 0) {
    if (remaining.compare_exchange_weak(current, current - 1, std::memory_order_relaxed)) {
      return current == 0;
    }
  }
  return false;
}

}  // namespace

void* Allocate(std::size_t bytes) {
  if (ShouldFail()) return nullptr;
  // malloc(0) may legally answer null, which callers would take for failure.
  return std::malloc(bytes != 0 ? bytes : 1);
}

void* AllocateZeroed(std::size_t bytes) {
  if (ShouldFail()) return nullptr;
  return std::calloc(bytes != 0 ? bytes : 1, 1);
}

void Free(void* block) { std::free(block); }

void FailAfter(long successes) {
  remaining.store(successes < 0 ? -1 : successes, std::memory_order_relaxed);
}

}  // namespace dib_alloc
