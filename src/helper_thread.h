// Helper threads: the writer's, the decoder's and the page mapper's. Each
// only copies, decodes or asks the system for pages, so a small stack does.
#ifndef CEROX_HELPER_THREAD_H
#define CEROX_HELPER_THREAD_H

#include <pthread.h>

#include <cstddef>

// Starts run(arg) on a thread of its own. Returns 1, or 0 where no thread
// can be had (a limit on address space, say): the caller then does the
// work itself.
inline int Start_helper(pthread_t *thread, void *(*run)(void *), void *arg) {
  pthread_attr_t attr;
  if (pthread_attr_init(&attr) != 0) return 0;
  pthread_attr_setstacksize(&attr, size_t(1) << 18);
  const int ok = pthread_create(thread, &attr, run, arg) == 0;
  pthread_attr_destroy(&attr);
  return ok;
}

#endif
