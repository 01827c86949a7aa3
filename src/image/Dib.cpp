#include "image/Dib.h"

#include <cstdlib>
#include <new>
#include <sys/mman.h>

namespace qv {
namespace {

constexpr size_t kHugePage = size_t{2} << 20;
// Below this a block is an ordinary allocation.
constexpr size_t kHugeThreshold = size_t{4} << 20;

} // namespace

void* AllocatePixelMemory(size_t bytes) {
  if (bytes < kHugeThreshold) {
    if (void* p = std::malloc(bytes ? bytes : 1)) return p;
    throw std::bad_alloc();
  }
  const size_t rounded = (bytes + kHugePage - 1) & ~(kHugePage - 1);
  void* p = std::aligned_alloc(kHugePage, rounded);
  if (!p) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
  ::madvise(p, rounded, MADV_HUGEPAGE);  // advice only: failure changes nothing
#endif
  return p;
}

void FreePixelMemory(void* p, size_t) noexcept { std::free(p); }

} // namespace qv
