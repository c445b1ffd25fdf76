#include "large_store.h"

#include <sys/mman.h>
#include <sys/resource.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "helper_thread.h"

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

namespace {

// Windows waiting to be mapped in, at most kQueued (more are dropped: a
// hint). Never freed: the thread lives as long as the process.
struct mapper_ {
  static constexpr int kQueued = 16;
  std::mutex lock;
  std::condition_variable changed, idle;
  uintptr_t from[kQueued], to[kQueued];
  int first = 0, count = 0;
  bool started = false, failed = false, busy = false;

  static void *Run(void *self) {
    mapper_ &m = *static_cast<mapper_ *>(self);
    std::unique_lock<std::mutex> hold(m.lock);
    for (;;) {
      m.changed.wait(hold, [&] { return m.count > 0; });
      const uintptr_t a = m.from[m.first], b = m.to[m.first];
      m.first = (m.first + 1) % kQueued;
      --m.count;
      m.busy = true;
      hold.unlock();
      Populate_pages(reinterpret_cast<void *>(a), size_t(b - a));
      hold.lock();
      m.busy = false;
      if (m.count == 0) m.idle.notify_all();
    }
  }
};

mapper_ *The_mapper() {
  static mapper_ *m = new mapper_;
  return m;
}

}  // namespace

void Populate_ahead_wait() {
  mapper_ *m = The_mapper();
  std::unique_lock<std::mutex> hold(m->lock);
  m->idle.wait(hold, [&] { return m->count == 0 && !m->busy; });
}

void Populate_ahead(uintptr_t base, size_t room, uintptr_t window) {
  const uintptr_t from = std::max(base, window),
                  to = std::min(base + room, window + (uintptr_t(1) << kAheadWindow));
  if (from >= to) return;
  mapper_ *m = The_mapper();
  std::unique_lock<std::mutex> hold(m->lock);
  if (!m->started && !m->failed) {
    pthread_t thread;
    m->started = Start_helper(&thread, &mapper_::Run, m);
    m->failed = !m->started;
    if (m->started) pthread_detach(thread);
  }
  if (!m->started || m->count == m->kQueued) return;
  const int at = (m->first + m->count) % m->kQueued;
  m->from[at] = from;
  m->to[at] = to;
  ++m->count;
  hold.unlock();
  m->changed.notify_one();
}
