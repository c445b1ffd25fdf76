// Large stores: vectors that may hold hundreds of megabytes are reserved
// in one piece and backed by huge pages where the system has them, since a
// page fault per 4 KB costs much on some machines.
#ifndef CEROX_LARGE_STORE_H
#define CEROX_LARGE_STORE_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

// Asks for huge pages behind [p, p + bytes): a large store is then faulted
// in 2 MB at a time instead of 4 KB. Only a hint; does nothing where the
// system has no such pages.
void Advise_huge(const void *p, size_t bytes);
// Maps in the pages of [p, p + bytes) in one call, for memory about to be
// written whole: one call costs less than a fault per page. Only a hint:
// 0 where the system does not take it.
int Populate_pages(void *p, size_t bytes);
inline void Populate(void *p, size_t bytes) {
  // Short ranges mostly lie in pages that are mapped already (reused
  // buffers, the heap), and the paths that ask for them run once per
  // clause: the call is kept for ranges where the faults are many.
  if (bytes >= (size_t(64) << 10)) Populate_pages(p, bytes);
}
// Stores are mapped in ahead by windows of 2^kAheadWindow bytes (2 MB).
constexpr int kAheadWindow = 21;
// Asks a thread of its own to map in the window at `window` of the
// room [base, base + room): the zeroing of fresh pages then overlaps the
// work of the thread that fills them. Only a hint, as Populate_pages.
void Populate_ahead(uintptr_t base, size_t room, uintptr_t window);
// Waits until the windows asked for so far are mapped in. Its work may
// still reach freed memory that a later store reuses; a caller that counts
// the pages of fresh memory waits first.
void Populate_ahead_wait();
// Called as a large store grows to n items: when its end enters a new
// window, the window after the next one is mapped in ahead, so that a
// store filled by small appends meets few fresh pages of its own.
template <class T>
void Map_ahead(const std::vector<T> &v, size_t n) {
  const size_t room = v.capacity() * sizeof(T);
  if (room < (size_t(16) << 20)) return;
  const uintptr_t base = uintptr_t(v.data());
  const uintptr_t from = (base + v.size() * sizeof(T)) >> kAheadWindow;
  const uintptr_t to = (base + n * sizeof(T)) >> kAheadWindow;
  if (to > from) Populate_ahead(base, room, (to + 2) << kAheadWindow);
}
// The input size to reckon room from when reserving by input size: the
// size, at most 1 GB, and under an address-space limit (ulimit -v, as
// benchmark campaigns set) at most 1/16 of it. Reserved room counts against
// that limit even where no page is ever written, and the stores reserve a
// few times this size; past it they grow as they fill.
size_t Reserve_basis(size_t input_bytes);
// Reserves room for n items of a store that may grow large, with the hint.
template <class T>
void Reserve_large(std::vector<T> *v, size_t n) {
  v->reserve(n);
  Advise_huge(v->data(), v->capacity() * sizeof(T));
}
// A store of n copies of x, with the hint.
template <class T>
void Assign_large(std::vector<T> *v, size_t n, const T &x) {
  Reserve_large(v, n);
  Populate(v->data(), n * sizeof(T));
  v->assign(n, x);
}
// Room for n items that are about to be written, mapped in at once.
template <class T>
void Reserve_written(std::vector<T> *v, size_t n) {
  v->reserve(n);
  Populate(v->data(), n * sizeof(T));
}
// Makes room for n items and more (at least doubling) before a large
// append, so that the appends after it do not move the items again.
template <class T>
void Grow_large(std::vector<T> *v, size_t n) {
  if (v->capacity() < n) Reserve_large(v, std::max(n + n / 2, 2 * v->capacity()));
  Map_ahead(*v, n);
}
// The same for an append that brings the store to n items, whose pages are
// then mapped in at once.
template <class T>
void Grow_written(std::vector<T> *v, size_t n) {
  Grow_large(v, n);
  if (n > v->size()) Populate(v->data() + v->size(), (n - v->size()) * sizeof(T));
}

#endif
