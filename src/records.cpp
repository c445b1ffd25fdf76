#include "records.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <cstring>

// Keeps a clause as: existential literals by non-increasing position, then
// universal literals by non-increasing position. An existential literal goes
// behind existentials of the same position, a universal one in front of
// universals of the same position. The list is always sorted, so the place
// is found by binary search.
void Insert_literal(clause_short_ *clause, const literal_short_ &lit) {
  std::vector<literal_short_> &lits = clause->lits;
  std::vector<literal_short_>::iterator at;
  if (lit.quant == 0)
    at = std::partition_point(lits.begin(), lits.end(), [&](const literal_short_ &x) {
      return x.quant == 0 && x.pos >= lit.pos;
    });
  else
    at = std::partition_point(lits.begin(), lits.end(), [&](const literal_short_ &x) {
      return x.quant == 0 || x.pos > lit.pos;
    });
  lits.insert(at, lit);
}

namespace {

// A sort key for the clause order of literal l read at `index`: quant, then
// position from the innermost out, then the reading index, counted
// backwards for universals.
uint64_t Order_key(const literal_short_ &l, size_t index) {
  assert(index < UINT32_MAX / 2);
  const uint64_t rank = uint64_t(l.quant) << 31 | uint32_t(INT32_MAX - l.pos);
  return rank << 32 | uint32_t(l.quant == 0 ? index : UINT32_MAX - index);
}
size_t Order_index(uint64_t key) {
  const uint32_t index = uint32_t(key);
  return key >> 63 ? UINT32_MAX - index : index;
}

// Appends a clause's literals to a store; only a clause marked as holding
// merged literals is looked at literal by literal.
void Store_literals(const clause_short_ &clause, std::vector<int32_t> *store) {
  Grow_written(store, store->size() + clause.lits.size() * (clause.merged ? 2 : 1));
  if (!clause.merged) {
    for (const literal_short_ &l : clause.lits) store->push_back(l.sign * l.var);
    return;
  }
  for (const literal_short_ &l : clause.lits) {
    if (Is_merged(l)) {
      store->push_back(Merged_mark(l.var));
      store->push_back(l.weight);
    } else {
      store->push_back(l.sign * l.var);
    }
  }
}

}  // namespace

long Db_slot(const clause_db_ &db, size_t k, const db_gap_ **gap) {
  if (db.gaps.empty() || k < db.gaps[0].first) return long(k);
  // The last gap that starts at or before k.
  auto it = std::upper_bound(db.gaps.begin(), db.gaps.end(), k,
                             [](size_t x, const db_gap_ &g) { return x < g.first; });
  const db_gap_ &g = *(it - 1);
  if (k < g.first + g.count) {
    if (gap) *gap = &g;
    return -1;
  }
  return long(g.slots_before + (k - g.first - g.count));
}

int Db_mark(const clause_db_ &db, size_t k) {
  const db_gap_ *gap = nullptr;
  const long slot = Db_slot(db, k, &gap);
  return slot < 0 ? gap->mark : db.mark[size_t(slot)];
}

namespace {

// Ends the entry whose literals were stored last.
void Close_entry(clause_db_ *db, int32_t step, int mark, int32_t preds) {
  db->lit_start.push_back(db->lits.size());
  db->mark.push_back(uint8_t(mark));
  if (db->family) {
    db->step.push_back(step);
    db->preds.push_back(preds);
  }
  ++db->entries;
}

}  // namespace

void Db_push(clause_db_ *db, const clause_short_ &clause) {
  Store_literals(clause, &db->lits);
  Close_entry(db, clause.recorded == 1 ? clause.step : -1, clause.mark, clause.preds);
}

namespace {

// Clause order through bit sets by position, one per quantifier: a line's
// literals are marked, then the sets are read from the innermost position
// out, existentials first. Each variable has a position of its own, so this
// is the order of the sort keys as long as no variable comes twice; it
// takes a word per 64 positions between the line's outermost and innermost
// literal, and is used only where those words are few (at most twice the
// line's length, and 8).
struct position_sets_ {
  std::vector<uint64_t> bits[2];  // by quant
  std::vector<int32_t> number;    // by position: the number read there

  // Marks the literals of numbers whose variables are quantified; 0 when a
  // position comes twice or the span is too wide (nothing stays marked).
  int Mark(const std::vector<literal_short_> &vars, const std::vector<int> &numbers, size_t *lo,
           size_t *hi, size_t *count) {
    if (number.size() < vars.size()) {
      Reserve_written(&number, vars.size());
      number.resize(vars.size());
      for (std::vector<uint64_t> &b : bits) b.resize(vars.size() / 64 + 1);
    }
    // The word being marked stays in registers until the next literal falls
    // elsewhere: a line's literals mostly come block by block, in runs of
    // neighbouring positions. Locals, not the outputs: those are of the
    // words' type and would be reloaded after every store.
    uint64_t *const by_quant[2] = {bits[0].data(), bits[1].data()};
    size_t low = SIZE_MAX, high = 0, marked = 0, w = SIZE_MAX, end = numbers.size();
    uint64_t word[2] = {0, 0};
    auto put_back = [&] {
      if (w != SIZE_MAX) by_quant[0][w] = word[0], by_quant[1][w] = word[1];
    };
    for (size_t i = 0; i < numbers.size(); ++i) {
      const literal_short_ &e = Entry_of(vars, numbers[i]);
      if (!Is_quantified(e)) continue;
      assert(e.var == (numbers[i] < 0 ? -numbers[i] : numbers[i]));
      const size_t p = size_t(e.pos);
      const uint64_t bit = uint64_t(1) << (p % 64);
      if (p / 64 != w) {
        put_back();
        w = p / 64;
        word[0] = by_quant[0][w], word[1] = by_quant[1][w];
        low = std::min(low, w), high = std::max(high, w);
        if (high - low > 2 * numbers.size() + 8) {
          end = i;
          break;
        }
      }
      if ((word[0] | word[1]) & bit) {
        end = i;
        break;
      }
      word[e.quant] |= bit;
      number[p] = numbers[i];
      ++marked;
    }
    put_back();
    if (end < numbers.size()) {
      Unmark(vars, numbers, end);
      return 0;
    }
    *lo = low, *hi = high, *count = marked;
    return 1;
  }
  // Unmarks the first `end` numbers.
  void Unmark(const std::vector<literal_short_> &vars, const std::vector<int> &numbers,
              size_t end) {
    for (size_t i = 0; i < end; ++i) {
      const literal_short_ &e = Entry_of(vars, numbers[i]);
      if (Is_quantified(e)) bits[e.quant][size_t(e.pos) / 64] = 0;
    }
  }
  // Appends the `count` marked literals in clause order and unmarks them.
  void Take(size_t lo, size_t hi, size_t count, std::vector<int32_t> *out) {
    const size_t base = out->size();
    Grow_written(out, base + count);
    out->resize(base + count);
    int32_t *o = out->data() + base;
    for (std::vector<uint64_t> &b : bits)
      for (size_t w = hi + 1; w-- > lo;)
        for (uint64_t x = b[w]; x; x &= ~(uint64_t(1) << (63 - __builtin_clzll(x))))
          *o++ = number[w * 64 + size_t(63 - __builtin_clzll(x))];
    assert(o == out->data() + out->size());
    for (size_t w = lo; w <= hi; ++w) bits[0][w] = bits[1][w] = 0;
  }
};

}  // namespace

size_t Db_push_read(clause_db_ *db, const std::vector<literal_short_> &vars,
                    const std::vector<int> &numbers, int mark) {
  static thread_local position_sets_ sets;
  size_t lo, hi, count;
  if (sets.Mark(vars, numbers, &lo, &hi, &count)) {
    if (count) sets.Take(lo, hi, count, &db->lits);
    Close_entry(db, -1, mark, 0);
    return count;
  }
  // Keys written through a pointer into room made once: pushed one by one,
  // each append is a call.
  static thread_local std::vector<uint64_t> room;
  if (room.size() < numbers.size()) room.resize(numbers.size());
  uint64_t *const keys = room.data();
  // Lines mostly list their literals from the outer positions in, and the
  // order is from the innermost out: keys taken from the back come nearly
  // sorted.
  size_t n = 0;
  for (size_t i = numbers.size(); i-- > 0;) {
    const literal_short_ &e = Entry_of(vars, numbers[i]);
    if (Is_quantified(e)) keys[n++] = Order_key(e, i);
  }
  if (n <= 16) {
    // By insertion: std::sort moves short runs with a library call each.
    for (size_t i = 1; i < n; ++i) {
      const uint64_t key = keys[i];
      size_t j = i;
      for (; j > 0 && key < keys[j - 1]; --j) keys[j] = keys[j - 1];
      keys[j] = key;
    }
  } else if (!std::is_sorted(keys, keys + n)) {
    std::sort(keys, keys + n);
  }
  const size_t base = db->lits.size();
  Grow_written(&db->lits, base + n);
  db->lits.resize(base + n);
  int32_t *const out = db->lits.data() + base;
  for (size_t i = 0; i < n; ++i) out[i] = numbers[Order_index(keys[i])];
  Close_entry(db, -1, mark, 0);
  return n;
}

void Db_push_empty(clause_db_ *db, int mark, size_t count) {
  // A long run is a gap; a short one takes its slots like any entries.
  if (count >= 64) {
    db->gaps.push_back({db->entries, count, db->slots(), uint8_t(mark)});
    db->entries += count;
    return;
  }
  const size_t n = db->slots() + count;
  Grow_large(&db->lit_start, n + 1);
  Grow_large(&db->mark, n);
  db->lit_start.resize(db->lit_start.size() + count, db->lits.size());
  db->mark.resize(db->mark.size() + count, uint8_t(mark));
  if (db->family) {
    Grow_large(&db->step, n);
    Grow_large(&db->preds, n);
    db->step.resize(db->step.size() + count, -1);
    db->preds.resize(db->preds.size() + count, 0);
  }
  db->entries += count;
}

void Db_release(clause_db_ *db, size_t k) {
  const long slot = Db_slot(*db, k);
  if (slot < 0) return;
  const size_t c = size_t(slot), slots = db->slots();
  if (db->released.size() < slots) db->released.resize(slots, 0);
  if (db->released[c]) return;
  db->released[c] = 1;
  db->dead += db->lit_start[c + 1] - db->lit_start[c];
  // Compaction costs a look at every slot and a move of the live literals:
  // it waits until the dead ones outnumber the live ones and four times the
  // slots. Small stores compact too, since reused memory saves the page
  // faults of fresh memory.
  const uint64_t live = db->lits.size() - db->dead;
  if (db->dead < std::max<uint64_t>({uint64_t(1) << 16, live, 4 * slots})) return;
  uint64_t to = 0;
  for (size_t i = 0; i < slots; ++i) {
    const uint64_t from = db->lit_start[i], end = db->lit_start[i + 1];
    db->lit_start[i] = to;
    if (i < db->released.size() && db->released[i]) continue;
    if (from != to) std::memmove(db->lits.data() + to, db->lits.data() + from, (end - from) * 4);
    to += end - from;
  }
  db->lit_start[slots] = to;
  db->lits.resize(to);
  db->dead = 0;
}

void Db_get(const clause_db_ &db, const std::vector<literal_short_> &vars, size_t k,
            clause_short_ *out) {
  out->lits.clear();
  out->merged = 0;
  const db_gap_ *gap = nullptr;
  const long slot = Db_slot(db, k, &gap);
  if (slot < 0) {
    out->recorded = 0;
    out->step = 0;
    out->mark = gap->mark;
    out->preds = 0;
    return;
  }
  const size_t c = size_t(slot);
  // Room first: growing a long clause entry by entry would touch twice the pages.
  Reserve_written(&out->lits, size_t(db.lit_start[c + 1] - db.lit_start[c]));
  For_each_stored(db.lits.data() + db.lit_start[c], db.lits.data() + db.lit_start[c + 1],
                  [&](const stored_literal_ &s) {
                    Push_literal(&out->lits, vars, s.sign < 0 ? -s.var : s.var);
                    if (s.sign != 0) return;
                    literal_short_ &l = out->lits.back();
                    l.sign = 0;
                    l.weight = s.phase;
                    out->merged = 1;
                  });
  const int32_t step = db.family ? db.step[c] : -1;
  out->recorded = step >= 0;
  out->step = step >= 0 ? step : 0;
  out->mark = db.mark[c];
  out->preds = db.family ? db.preds[c] : 0;
}

void Step_push(step_store_ *steps, const clause_short_ &clause, const clause_short_ &reduced) {
  const size_t k = steps->count++;
  if (steps->keep_clauses) {
    Store_literals(clause, &steps->lits);
    steps->lit_start.push_back(steps->lits.size());
  }
  Store_literals(reduced, &steps->reduced);
  steps->reduced_start.push_back(steps->reduced.size());
  if (steps->keep_preds) {
    Pred_spell(steps, clause.preds, int32_t(k));
    steps->pred_start.push_back(steps->preds.size());
  }
}
