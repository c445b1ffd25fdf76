#include "large_store.h"

#include <sys/mman.h>
#include <sys/resource.h>

#include <cstdint>

void Advise_huge(const void *p, size_t bytes) {
#ifdef MADV_HUGEPAGE
  // Below a few huge pages the store may stay small: 2 MB faulted in and
  // zeroed for a few kilobytes would cost more than it saves.
  if (bytes < (size_t(16) << 20)) return;
  const uintptr_t huge = uintptr_t(1) << 21;
  const uintptr_t from = (uintptr_t(p) + huge - 1) & ~(huge - 1);
  const uintptr_t to = (uintptr_t(p) + bytes) & ~(huge - 1);
  if (to > from) madvise(reinterpret_cast<void *>(from), to - from, MADV_HUGEPAGE);
#else
  (void)p;
  (void)bytes;
#endif
}

int Populate_pages(void *p, size_t bytes) {
#ifdef MADV_POPULATE_WRITE
  // Whole pages only (madvise takes a page-aligned start): the pages at
  // either end are left to fault in.
  const uintptr_t page = 4096;
  const uintptr_t from = (uintptr_t(p) + page - 1) & ~(page - 1);
  const uintptr_t to = (uintptr_t(p) + bytes) & ~(page - 1);
  return to <= from || madvise(reinterpret_cast<void *>(from), to - from, MADV_POPULATE_WRITE) == 0;
#else
  (void)p;
  (void)bytes;
  return 0;
#endif
}

size_t Reserve_basis(size_t input_bytes) {
  size_t basis = std::min(input_bytes, size_t(1) << 30);
  struct rlimit limit;
  if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
    basis = std::min(basis, size_t(limit.rlim_cur / 16));
  return basis;
}
