// Recording of reduction steps with their dependencies, and the ordering of
// the recorded steps into per-variable step lists.
#include <algorithm>
#include <cassert>
#include <functional>
#include <queue>
#include <tuple>

#include "records.h"

int32_t Pred_single(pred_sets_ *, int32_t step) {
  assert(step >= 0 && step < INT32_MAX);
  return -(step + 1);
}

int32_t Pred_union(pred_sets_ *sets, int32_t a, int32_t b) {
  if (!a || a == b) return b;
  if (!b) return a;
  sets->nodes.push_back({a, b});
  return int32_t(sets->nodes.size() - 1);
}

void Pred_spell(step_store_ *steps, int32_t set, int32_t step) {
  if (!set) return;
  pred_sets_ &s = steps->sets;
  // Nodes that two unions share are visited once; a step alone may come
  // more than once, and the list is made unique at the end.
  if (++s.spelling == 0) {
    std::fill(s.seen.begin(), s.seen.end(), 0u);
    s.spelling = 1;
  }
  s.seen.resize(s.nodes.size(), 0);
  const size_t from = steps->preds.size();
  s.stack.assign(1, set);
  while (!s.stack.empty()) {
    const int32_t n = s.stack.back();
    s.stack.pop_back();
    if (n < 0) {
      steps->preds.push_back(-(n + 1));
      continue;
    }
    if (s.seen[size_t(n)] == s.spelling) continue;
    s.seen[size_t(n)] = s.spelling;
    const pred_node_ node = s.nodes[size_t(n)];
    if (node.a != kSpelledPreds) {
      s.stack.push_back(node.b);
      s.stack.push_back(node.a);
    } else {
      const size_t k = size_t(node.b);
      for (uint64_t i = steps->pred_start[k]; i < steps->pred_start[k + 1]; ++i)
        steps->preds.push_back(int32_t(steps->preds[i]));
    }
  }
  auto first = steps->preds.begin() + long(from);
  std::sort(first, steps->preds.end());
  steps->preds.erase(std::unique(first, steps->preds.end()), steps->preds.end());
  if (set > 0 && s.nodes[size_t(set)].a != kSpelledPreds)
    s.nodes[size_t(set)] = {kSpelledPreds, step};
}

void Update_family(step_store_ *steps, const clause_short_ *reduced, clause_short_ *first,
                   clause_short_ *second, int alter) {
  if (alter == 0) {
    if (reduced->lits.empty()) return;
    Step_push(steps, *first, *reduced);
    return;
  }
  if (first->recorded == 1) first->preds = Pred_single(&steps->sets, first->step);
  if (second->recorded == 1) second->preds = Pred_single(&steps->sets, second->step);
  first->preds = Pred_union(&steps->sets, first->preds, second->preds);
  if (reduced->lits.empty()) {
    first->recorded = 0;
    return;
  }
  first->recorded = 1;
  first->step = int32_t(steps->size());
  Step_push(steps, *first, *reduced);
}

int Alter_reads_weights(int alter) { return alter == 3; }

namespace {

// Whether a literal of this sign (0: merged) changes its variable's last
// sign: a merged literal's value is a function, not a sign, and counts as a
// change always.
inline bool Changes_sign(int last, int sign) { return sign == 0 || last * sign < 0; }

// Cost of one literal whose variable's last sign is opposite to its own.
long long Literal_cost(const literal_short_ &e, int alter, int block_count) {
  if (alter == 2) return (long long)(block_count - e.level) * 5 + 1;
  if (Alter_reads_weights(alter)) return e.weight;
  return 1;
}

// Lists kept in one array: on entry start[p + 1] holds list p's length;
// on return start[p] is where list p begins, and the result is a copy of
// those beginnings to fill the lists through.
std::vector<uint64_t> Offsets_from_counts(std::vector<uint64_t> *start) {
  for (size_t p = 0; p + 1 < start->size(); ++p) (*start)[p + 1] += (*start)[p];
  std::vector<uint64_t> fill;
  Reserve_large(&fill, start->size() - 1);
  fill.assign(start->begin(), start->end() - 1);
  return fill;
}

// A step's reduced literals as table entries with their signs.
struct reduced_literals_ {
  const std::vector<literal_short_> &vars;
  const int32_t *from, *to;
  reduced_literals_(const std::vector<literal_short_> &v, const step_store_ &steps, size_t k)
      : vars(v),
        from(steps.reduced.data() + steps.reduced_start[k]),
        to(steps.reduced.data() + steps.reduced_start[k + 1]) {}
  reduced_literals_(const std::vector<literal_short_> &v, const int32_t *f, const int32_t *t)
      : vars(v), from(f), to(t) {}
  // f(entry, sign): sign 0 for a merged literal.
  template <class F>
  void For_each(F f) const {
    For_each_stored(from, to,
                    [&](const stored_literal_ &l) { f(vars[size_t(l.var) - 1], l.sign); });
  }
};

// Appends step i to the list of position p for a literal of that sign;
// `fill` holds where each list continues. A merged literal's entry takes
// the positive reference; its value is its phase (the writer looks it up).
inline void Put_ref(size_t i, size_t p, int sign, std::vector<uint64_t> *fill,
                    var_lists_ *var_steps) {
  const int ref = int(i) + 1;
  var_steps->refs[(*fill)[p]++] = sign >= 0 ? ref : -ref;
}

// The same for all of a step's reduced literals.
void Distribute(const reduced_literals_ &reduced, size_t i, std::vector<uint64_t> *fill,
                var_lists_ *var_steps) {
  reduced.For_each(
      [&](const literal_short_ &e, int sign) { Put_ref(i, size_t(e.pos), sign, fill, var_steps); });
}

// The ready steps by (cost, time they became ready), for the greedy order
// below, which names each by that time: the times are 0, 1, 2, ... in the
// order the steps became ready. Both queues take each time once (Insert,
// in increasing order), change its cost in place (Rise, Fall), and give the least
// (Take_min) or drop one (Erase); Live tells a time that is still in, and
// Renumber renames the times still in to 0, 1, ... in their order.
//
// A 4-ary heap, each time at a place of its own that `at` remembers, so
// that a changed cost moves the entry instead of adding one. Entries hold
// their keys, and a node's children share a cache line.
struct heap_queue_ {
  struct entry_ {
    long long cost;
    int time;
  };
  std::vector<entry_> heap;
  std::vector<int> at;  // by time

  void Init(size_t steps) { Assign_large(&at, steps, -1); }
  static bool Less(const entry_ &a, const entry_ &b) {
    return a.cost < b.cost || (a.cost == b.cost && a.time < b.time);
  }
  void Put(size_t i, const entry_ &e) {
    heap[i] = e;
    at[size_t(e.time)] = int(i);
  }
  void Sift_up(size_t i) {
    const entry_ e = heap[i];
    for (; i > 0 && Less(e, heap[(i - 1) / 4]); i = (i - 1) / 4) Put(i, heap[(i - 1) / 4]);
    Put(i, e);
  }
  void Sift_down(size_t i) {
    const entry_ e = heap[i];
    for (;;) {
      const size_t first = 4 * i + 1;
      if (first >= heap.size()) break;
      size_t c = first;
      for (size_t k = first + 1; k < std::min(first + 4, heap.size()); ++k)
        if (Less(heap[k], heap[c])) c = k;
      if (!Less(heap[c], e)) break;
      Put(i, heap[c]);
      i = c;
    }
    Put(i, e);
  }
  void Insert(int t, long long cost) {
    heap.push_back({cost, t});
    Sift_up(heap.size() - 1);
  }
  static constexpr bool kRisesAnyTime = false;  // a rise moves the entry
  void Rise(int t, long long delta) {
    const size_t i = size_t(at[size_t(t)]);
    heap[i].cost += delta;
    Sift_down(i);
  }
  void Fall(int t, long long delta) {
    const size_t i = size_t(at[size_t(t)]);
    heap[i].cost += delta;
    Sift_up(i);
  }
  bool Live(int t) const { return at[size_t(t)] >= 0; }
  void Erase(int t) {
    const size_t i = size_t(at[size_t(t)]);
    at[size_t(t)] = -1;
    const entry_ last = heap.back();
    heap.pop_back();
    if (i == heap.size()) return;
    Put(i, last);
    Sift_up(i);
    Sift_down(size_t(at[size_t(last.time)]));
  }
  int Take_min() {
    if (heap.empty()) return -1;
    const int t = heap[0].time;
    Erase(t);
    return t;
  }
  // Times below `clock` become to[time]; to[] is -1 for the times taken
  // out and keeps the order of the others, so the heap stays a heap.
  void Renumber(const std::vector<int> &to, size_t clock) {
    std::fill(at.begin(), at.begin() + long(clock), -1);
    for (size_t i = 0; i < heap.size(); ++i) {
      assert(to[size_t(heap[i].time)] >= 0);
      heap[i].time = to[size_t(heap[i].time)];
      at[size_t(heap[i].time)] = int(i);
    }
  }
};

// For costs below 64 (every step's literals together cost less): per cost
// a bit set over the times, with two summary levels, so that a move flips
// two bits and the least time takes a scan of three words; one word tells
// which costs are present.
//
// A time is filed under a cost at most its own: a rise of cost leaves it
// where it is, and only a fall below where it is filed moves it. The least
// time under the least cost whose cost is still that one is the least
// step; the times before it under that cost rose and are filed anew on the
// way. Costs that go up and down again then cost no moves at all.
struct bucket_queue_ {
  static constexpr int kCosts = 64;
  size_t w0 = 0, w1 = 0, w2 = 0;  // words per cost on each level
  std::vector<uint64_t> bits0, bits1, bits2;
  int count[kCosts] = {};
  uint64_t present = 0;
  struct costs_ {
    uint8_t cost, filed;  // the cost now, the cost it is filed under
  };
  std::vector<costs_> at;  // by time

  void Init(size_t steps) {
    w0 = steps / 64 + 1;
    w1 = w0 / 64 + 1;
    w2 = w1 / 64 + 1;
    Assign_large(&bits0, kCosts * w0, uint64_t(0));
    Assign_large(&bits1, kCosts * w1, uint64_t(0));
    Assign_large(&bits2, kCosts * w2, uint64_t(0));
    Assign_large(&at, steps, costs_{0, 0});
  }
  void Set(int c, size_t t) {
    assert(c >= 0 && c < kCosts);
    uint64_t &b0 = bits0[size_t(c) * w0 + t / 64];
    if (!b0) {
      uint64_t &b1 = bits1[size_t(c) * w1 + t / 4096];
      if (!b1) bits2[size_t(c) * w2 + t / 262144] |= uint64_t(1) << (t / 4096 % 64);
      b1 |= uint64_t(1) << (t / 64 % 64);
    }
    b0 |= uint64_t(1) << (t % 64);
    if (count[c]++ == 0) present |= uint64_t(1) << c;
  }
  void Clear(int c, size_t t) {
    uint64_t &b0 = bits0[size_t(c) * w0 + t / 64];
    b0 &= ~(uint64_t(1) << (t % 64));
    if (!b0) {
      uint64_t &b1 = bits1[size_t(c) * w1 + t / 4096];
      b1 &= ~(uint64_t(1) << (t / 64 % 64));
      if (!b1) bits2[size_t(c) * w2 + t / 262144] &= ~(uint64_t(1) << (t / 4096 % 64));
    }
    if (--count[c] == 0) present &= ~(uint64_t(1) << c);
  }
  void Insert(int t, long long c) {
    at[size_t(t)] = {uint8_t(c), uint8_t(c)};
    Set(int(c), size_t(t));
  }
  // A rise leaves the time where it is filed; it may be given a time
  // taken out, whose cost is not read again.
  static constexpr bool kRisesAnyTime = true;
  void Rise(int t, long long delta) {
    assert(delta > 0);
    at[size_t(t)].cost = uint8_t(at[size_t(t)].cost + delta);
  }
  void Fall(int t, long long delta) {
    costs_ &e = at[size_t(t)];
    e.cost = uint8_t(e.cost + delta);
    if (e.cost < e.filed) {
      Clear(e.filed, size_t(t));
      e.filed = e.cost;
      Set(e.cost, size_t(t));
    }
  }
  static constexpr uint8_t kGone = 0xff;  // `filed` of a time taken out
  bool Live(int t) const { return at[size_t(t)].filed != kGone; }
  void Erase(int t) {
    Clear(at[size_t(t)].filed, size_t(t));
    at[size_t(t)].filed = kGone;
  }
  int Take_min() {
    while (present) {
      const int c = __builtin_ctzll(present);
      const uint64_t *b2 = &bits2[size_t(c) * w2];
      size_t i = 0;
      while (!b2[i]) ++i;
      i = i * 64 + size_t(__builtin_ctzll(b2[i]));
      i = i * 64 + size_t(__builtin_ctzll(bits1[size_t(c) * w1 + i]));
      const size_t t = i * 64 + size_t(__builtin_ctzll(bits0[size_t(c) * w0 + i]));
      Clear(c, t);
      costs_ &e = at[t];
      if (e.cost == c) {
        e.filed = kGone;
        return int(t);
      }
      e.filed = e.cost;
      Set(e.cost, t);
    }
    return -1;
  }
  void Renumber(const std::vector<int> &to, size_t clock) {
    for (int c = 0; c < kCosts; ++c) {
      std::fill_n(&bits0[size_t(c) * w0], clock / 64 + 1, uint64_t(0));
      std::fill_n(&bits1[size_t(c) * w1], clock / 4096 + 1, uint64_t(0));
      std::fill_n(&bits2[size_t(c) * w2], clock / 262144 + 1, uint64_t(0));
      count[c] = 0;
    }
    present = 0;
    size_t now = 0;
    for (size_t t = 0; t < clock; ++t) {
      if (to[t] < 0) continue;
      assert(size_t(to[t]) == now);
      at[now] = at[t];
      Set(at[now].filed, now);
      ++now;
    }
    std::fill(at.begin() + long(now), at.begin() + long(clock), costs_{0, kGone});
  }
};

// The greedy order: repeatedly the ready step of least cost, ties going to
// the step that became ready first. Costs are kept current as signs change
// instead of being recomputed for every ready step in every round.
template <class Queue>
struct greedy_order_ {
  const std::vector<literal_short_> *vars;
  const step_store_ *steps;
  int alter, block_count;
  std::vector<uint64_t> succ_start;  // successors, built from the predecessors
  std::vector<int32_t> succs;
  std::vector<int> waiting;  // unplaced predecessors per step
  std::vector<char> placed;  // has entered the ready set
  // By time: the step that became ready then, with where its reduced
  // literals are, so that placing it waits for one line less.
  struct ready_ {
    int32_t step;
    uint32_t length;
    uint64_t from;
  };
  std::vector<ready_> step_at;
  int clock = 0;
  // The positions that steps reduce, by slot: listed[d] is the position of
  // slot d, slot[p] the slot of position p. The state of positions is kept
  // by slot, since a proof's steps may reduce literals of few of many
  // variables.
  std::vector<size_t> listed;
  std::vector<int32_t> slot;
  std::vector<int> last_sign;  // by slot
  // The literals of ready steps, listed under their positions so that a
  // change of a last sign reaches the steps' costs, as the times the steps
  // became ready. Position p has room for all of its literals (the lengths
  // of the variable lists, since each step becomes ready once) in
  // occ[occ_start[p], occ_start[p + 1]): the positive ones fill it from the
  // front up to pos_end[d], the negative ones from the back down to
  // neg_begin[d] (d its slot), each in time order from its end, so that a
  // repricing walks the queue forward and all literals of a list change
  // alike. Merged literals cost the same whatever the signs and are not
  // listed.
  const std::vector<uint64_t> *occ_start;
  std::vector<uint64_t> pos_end, neg_begin;  // by slot
  std::vector<int32_t> occ;
  std::vector<long long> pos_cost;  // by slot: the cost of its literal
  Queue ready_steps;
  std::vector<uint64_t> *fill;  // the step lists, filled in the order chosen
  var_lists_ *var_steps;
  std::vector<size_t> changed;   // slots the placed step touches
  std::vector<long long> stamp;  // by slot: last round that saw it
  std::vector<int> sign_before;  // by slot: last sign before the round
  long long round = 0;
  size_t live = 0;           // times still in the queue
  std::vector<int> renamed;  // scratch of Compact: by old time, the new one

  reduced_literals_ Literals(const ready_ &r) const {
    const int32_t *from = steps->reduced.data() + r.from;
    return {*vars, from, from + r.length};
  }

  // Successor lists in step order, each without repeats (a step's
  // predecessors are distinct).
  void Link_successors() {
    const size_t n = steps->size();
    Assign_large(&succ_start, n + 1, uint64_t(0));
    for (int32_t p : steps->preds) ++succ_start[size_t(p) + 1];
    std::vector<uint64_t> fill = Offsets_from_counts(&succ_start);
    Assign_large(&succs, steps->preds.size(), int32_t(0));
    for (size_t s = 0; s < n; ++s)
      for (uint64_t i = steps->pred_start[s]; i < steps->pred_start[s + 1]; ++i)
        succs[fill[size_t(steps->preds[i])]++] = int32_t(s);
  }

  void Make_ready(int s) {
    const int t = clock++;
    placed[size_t(s)] = 1;
    const uint64_t from = steps->reduced_start[size_t(s)];
    assert(steps->reduced_start[size_t(s) + 1] - from <= UINT32_MAX);
    step_at[size_t(t)] = {s, uint32_t(steps->reduced_start[size_t(s) + 1] - from), from};
    long long cost = 0;  // what Num_add_alter gives, by slot
    Literals(step_at[size_t(t)]).For_each([&](const literal_short_ &e, int sign) {
      const size_t d = size_t(slot[size_t(e.pos)]);
      const long long c = Literal_cost(e, alter, block_count);
      if (Changes_sign(last_sign[d], sign)) cost += c;
      if (sign == 0) return;
      pos_cost[d] = c;
      assert(pos_end[d] < neg_begin[d]);
      if (sign > 0)
        occ[pos_end[d]++] = t;
      else
        occ[--neg_begin[d]] = t;
    });
    ready_steps.Insert(t, cost);
    ++live;
  }

  // Once most times are taken, the live ones are renamed 0, 1, ... in
  // their order, which keeps the order of the queue: a repricing then
  // walks a dense range of the queue's arrays instead of a sparse one.
  // The renaming is paid for by the steps taken since the last one; it
  // walks the lists of the positions that have any, so a proof whose steps
  // touch few of many variables renames as often as it pays.
  void Compact() {
    const size_t dead = size_t(clock) - live;
    if (dead <= live || dead < 1024 || dead < listed.size() / 4) return;
    Assign_large(&renamed, size_t(clock), -1);
    int now = 0;
    for (int t = 0; t < clock; ++t) {
      if (!ready_steps.Live(t)) continue;
      renamed[size_t(t)] = now;
      step_at[size_t(now++)] = step_at[size_t(t)];
    }
    assert(size_t(now) == live);
    auto rename = [&](int *t) { return (*t = renamed[size_t(*t)]) >= 0; };
    for (size_t d = 0; d < listed.size(); ++d) {
      Filter<1>(d, rename);
      Filter<-1>(d, rename);
    }
    ready_steps.Renumber(renamed, size_t(clock));
    clock = now;
  }

  // Walks the list of slot d's literals of this sign from its edge of the
  // room in time order, keeps the times t for which keep(&t) holds (keep
  // may rename them) and packs them toward that edge.
  template <int sign, class F>
  void Filter(size_t d, F keep) {
    if constexpr (sign > 0) {
      uint64_t kept = (*occ_start)[listed[d]];
      for (uint64_t i = kept; i < pos_end[d]; ++i)
        if (int t = occ[i]; keep(&t)) occ[kept++] = t;
      pos_end[d] = kept;
    } else {
      uint64_t kept = (*occ_start)[listed[d] + 1];
      for (uint64_t i = kept; i > neg_begin[d]; --i)
        if (int t = occ[i - 1]; keep(&t)) occ[--kept] = t;
      neg_begin[d] = kept;
    }
  }

  // Brings the costs of ready steps up to date after position p changed its
  // last sign from `before`; drops the literals of steps no longer ready
  // from the lists it walks with a test per literal. One change at a time
  // keeps the queue whole for the next.
  void Reprice(size_t d, int before) {
    const int after = last_sign[d];
    for (int sign : {1, -1}) {
      const long long delta = pos_cost[d] * (int(after * sign < 0) - int(before * sign < 0));
      if (!delta) continue;
      if (Queue::kRisesAnyTime && delta > 0) {
        // Without a test per literal: the times taken out stay in the
        // list until a fall or Compact walks it, and Compact drops them
        // before their numbers are given again.
        const uint64_t from = sign > 0 ? (*occ_start)[listed[d]] : neg_begin[d];
        const uint64_t to = sign > 0 ? pos_end[d] : (*occ_start)[listed[d] + 1];
        for (uint64_t i = from; i < to; ++i) ready_steps.Rise(occ[i], delta);
        continue;
      }
      auto change = [&](int *t) {
        if (!ready_steps.Live(*t)) return false;
        if (delta > 0)
          ready_steps.Rise(*t, delta);
        else
          ready_steps.Fall(*t, delta);
        return true;
      };
      if (sign > 0)
        Filter<1>(d, change);
      else
        Filter<-1>(d, change);
    }
  }

  void Place(int t) {
    const ready_ r = step_at[size_t(t)];
    const int x = r.step;
    ++round;
    changed.clear();
    // One walk of the literals: the step joins its positions' lists, and
    // each position keeps the sign it had before its first literal here.
    Literals(r).For_each([&](const literal_short_ &e, int sign) {
      const size_t p = size_t(e.pos), d = size_t(slot[p]);
      Put_ref(x, p, sign, fill, var_steps);
      if (stamp[d] != round) {
        stamp[d] = round;
        sign_before[d] = last_sign[d];
        changed.push_back(d);
      }
      last_sign[d] = sign;
    });
    for (size_t d : changed)
      if (sign_before[d] != last_sign[d]) Reprice(d, sign_before[d]);
    for (uint64_t i = succ_start[size_t(x)]; i < succ_start[size_t(x) + 1]; ++i) {
      const int32_t s = succs[i];
      if (waiting[size_t(s)] > 0) --waiting[size_t(s)];
      if (waiting[size_t(s)] == 0 && !placed[size_t(s)]) Make_ready(s);
    }
  }

  void Run() {
    const size_t n = steps->size();
    Link_successors();
    Assign_large(&waiting, n, 0);
    Assign_large(&placed, n, char(0));
    Assign_large(&step_at, n, ready_{0, 0, 0});
    ready_steps.Init(n);
    // Only the slots of positions that steps reduce are ever looked up.
    Assign_large(&slot, vars->size(), -1);
    for (size_t p = 0; p + 1 < occ_start->size(); ++p)
      if ((*occ_start)[p + 1] > (*occ_start)[p])
        slot[p] = int32_t(listed.size()), listed.push_back(p);
    const size_t slots = listed.size();
    last_sign.assign(slots, 0);
    sign_before.assign(slots, 0);
    stamp.assign(slots, 0LL);
    pos_cost.assign(slots, 0LL);
    changed.reserve(slots);  // the slots are distinct
    pos_end.resize(slots);
    neg_begin.resize(slots);
    for (size_t d = 0; d < slots; ++d)
      pos_end[d] = (*occ_start)[listed[d]], neg_begin[d] = (*occ_start)[listed[d] + 1];
    Assign_large(&occ, size_t(occ_start->back()), int32_t(0));
    for (size_t u = 0; u < n; ++u) {
      waiting[u] = int(steps->pred_start[u + 1] - steps->pred_start[u]);
      if (waiting[u] == 0) Make_ready(int(u));
    }
    if (clock == 0) return;
    // The first step, the last one ready, is placed without a cost: out of
    // the queue.
    ready_steps.Erase(clock - 1);
    --live;
    Place(clock - 1);
    for (int t = ready_steps.Take_min(); t >= 0; t = ready_steps.Take_min()) {
      --live;
      Place(t);
      Compact();
    }
  }
};

template <class Queue>
void Greedy_order(const std::vector<literal_short_> *vars, const step_store_ *steps, int alter,
                  int block_count, std::vector<uint64_t> *fill, var_lists_ *var_steps) {
  greedy_order_<Queue> g;
  g.vars = vars;
  g.steps = steps;
  g.alter = alter;
  g.block_count = block_count;
  g.occ_start = &var_steps->start;
  g.fill = fill;
  g.var_steps = var_steps;
  g.Run();
}

}  // namespace

long long Num_add_alter(const std::vector<literal_short_> *vars, const std::vector<int> *last_sign,
                        const step_store_ *steps, size_t k, int alter, int block_count) {
  long long sum = 0;
  reduced_literals_{*vars, *steps, k}.For_each([&](const literal_short_ &e, int sign) {
    if (Changes_sign((*last_sign)[size_t(e.pos)], sign)) sum += Literal_cost(e, alter, block_count);
  });
  return sum;
}

void Minimize_alter(const std::vector<literal_short_> *vars, const step_store_ *steps,
                    var_lists_ *var_steps, int alter, int block_count) {
  // Every list gets its exact room first: one array for all of them. A
  // step never costs more than all of its literals: below 64, the costs of
  // the greedy order are buckets.
  Assign_large(&var_steps->start, vars->size() + 1, uint64_t(0));
  size_t entries = 0;
  long long most = 0;
  for (size_t k = 0; k < steps->size(); ++k) {
    long long all = 0;
    reduced_literals_{*vars, *steps, k}.For_each([&](const literal_short_ &e, int) {
      ++var_steps->start[size_t(e.pos) + 1];
      ++entries;
      all += Literal_cost(e, alter, block_count);
    });
    most = std::max(most, all);
  }
  std::vector<uint64_t> fill = Offsets_from_counts(&var_steps->start);
  Assign_large(&var_steps->refs, entries, 0);
  if (alter == 0) {
    for (size_t i = 0; i < steps->size(); ++i) Distribute({*vars, *steps, i}, i, &fill, var_steps);
    return;
  }
  if (most < bucket_queue_::kCosts)
    Greedy_order<bucket_queue_>(vars, steps, alter, block_count, &fill, var_steps);
  else
    Greedy_order<heap_queue_>(vars, steps, alter, block_count, &fill, var_steps);
}
