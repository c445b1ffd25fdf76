// Recording of reduction steps with their dependencies, and the ordering of
// the recorded steps into per-variable step lists.
#include <algorithm>
#include <cassert>
#include <functional>
#include <queue>
#include <tuple>

#include "records.h"

int32_t Pred_single(pred_sets_ *sets, int32_t step) {
  assert(step >= 0);
  if (size_t(step) >= sets->single.size()) sets->single.resize(size_t(step) + 1, 0);
  int32_t &node = sets->single[size_t(step)];
  if (!node) {
    node = int32_t(sets->nodes.size());
    sets->nodes.push_back({0, step});
  }
  return node;
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
  // Parts that two unions share are visited once.
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
    if (s.seen[size_t(n)] == s.spelling) continue;
    s.seen[size_t(n)] = s.spelling;
    const pred_node_ node = s.nodes[size_t(n)];
    if (node.a > 0) {
      s.stack.push_back(node.b);
      s.stack.push_back(node.a);
    } else if (node.a == 0) {
      steps->preds.push_back(node.b);
    } else {
      const size_t k = size_t(node.b);
      for (uint64_t i = steps->pred_start[k]; i < steps->pred_start[k + 1]; ++i)
        steps->preds.push_back(int32_t(steps->preds[i]));
    }
  }
  auto first = steps->preds.begin() + long(from);
  std::sort(first, steps->preds.end());
  steps->preds.erase(std::unique(first, steps->preds.end()), steps->preds.end());
  if (s.nodes[size_t(set)].a > 0) s.nodes[size_t(set)] = {-1, step};
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

namespace {

// Cost of one literal whose variable's last sign is opposite to its own.
long long Literal_cost(const literal_short_ &e, int alter, int block_count) {
  if (alter == 2) return (long long)(block_count - e.level) * 5 + 1;
  if (alter == 3) return e.weight;
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

// Step k's reduced literals as table entries with their signs.
struct reduced_literals_ {
  const std::vector<literal_short_> &vars;
  const step_store_ &steps;
  size_t k;
  // f(entry, sign): sign 0 for a merged literal.
  template <class F>
  void For_each(F f) const {
    For_each_stored(steps.reduced.data() + steps.reduced_start[k],
                    steps.reduced.data() + steps.reduced_start[k + 1],
                    [&](const stored_literal_ &l) { f(vars[size_t(l.var) - 1], l.sign); });
  }
};

// Appends step i to the lists of its reduced literals' positions; `fill`
// holds where each list continues.
void Distribute(const std::vector<literal_short_> &vars, const step_store_ &steps, size_t i,
                std::vector<uint64_t> *fill, var_lists_ *var_steps) {
  const int ref = int(i) + 1;
  // A merged literal's entry takes the positive reference; its value is
  // its phase (the writer looks it up).
  reduced_literals_{vars, steps, i}.For_each([&](const literal_short_ &e, int sign) {
    var_steps->refs[(*fill)[size_t(e.pos)]++] = sign >= 0 ? ref : -ref;
  });
}

// The greedy order: repeatedly the ready step of least cost, ties going to
// the step that became ready first. Costs are kept current as signs change
// instead of being recomputed for every ready step in every round.
struct greedy_order_ {
  const std::vector<literal_short_> *vars;
  const step_store_ *steps;
  int alter, block_count;
  std::vector<uint64_t> succ_start;  // successors, built from the predecessors
  std::vector<int32_t> succs;
  std::vector<int> waiting;  // unplaced predecessors per step
  std::vector<char> placed;  // has entered the ready set
  std::vector<char> ready;   // in the ready set now
  std::vector<int> last_sign;
  // The literals of ready steps, listed under their positions so that a
  // change of a last sign reaches the steps' costs: step s's literal of
  // sign g is (s + 1) * g, in occ[occ_start[p], occ_end[p]). A position's
  // list has room for all of its literals (the lengths of the variable
  // lists), since each step becomes ready once. Merged literals cost the
  // same whatever the signs and are not listed.
  const std::vector<uint64_t> *occ_start;
  std::vector<uint64_t> occ_end;
  std::vector<int32_t> occ;
  std::vector<long long> pos_cost;  // by position: the cost of its literal
  int clock = 0;
  // The ready steps in a 4-ary heap by (cost, since), each at a place of
  // its own that heap_at remembers, so that a changed cost moves the step
  // instead of adding an entry: the heap stays as large as the ready set.
  // Entries hold their keys, and a node's children share a cache line.
  struct entry_ {
    long long cost;
    int since;  // when the step became ready
    int step;
  };
  std::vector<entry_> heap;
  std::vector<int> heap_at;
  std::vector<int> order;
  std::vector<size_t> changed;   // positions the placed step touches
  std::vector<long long> stamp;  // by position: last round that saw it
  std::vector<int> sign_before;  // by position: last sign before the round
  long long round = 0;

  reduced_literals_ Reduced(int s) const { return {*vars, *steps, size_t(s)}; }

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
    placed[size_t(s)] = 1;
    ready[size_t(s)] = 1;
    const long long cost = Num_add_alter(vars, &last_sign, steps, size_t(s), alter, block_count);
    Reduced(s).For_each([&](const literal_short_ &e, int sign) {
      if (sign == 0) return;
      const size_t p = size_t(e.pos);
      pos_cost[p] = Literal_cost(e, alter, block_count);
      assert(occ_end[p] < (*occ_start)[p + 1]);
      occ[occ_end[p]++] = sign * (s + 1);
    });
    heap.push_back({cost, clock++, s});
    Sift_up(heap.size() - 1);
  }

  static bool Less(const entry_ &a, const entry_ &b) {
    return a.cost < b.cost || (a.cost == b.cost && a.since < b.since);
  }
  void Put(size_t i, const entry_ &e) {
    heap[i] = e;
    heap_at[size_t(e.step)] = int(i);
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
  // Step s's cost changes by delta: its place in the heap too.
  void Add_cost(int s, long long delta) {
    const size_t i = size_t(heap_at[size_t(s)]);
    heap[i].cost += delta;
    if (delta < 0)
      Sift_up(i);
    else
      Sift_down(i);
  }

  // Brings the costs of ready steps up to date after position p changed its
  // last sign from `before`; drops occurrences of steps no longer ready.
  void Reprice(size_t p, int before) {
    const int after = last_sign[p];
    const long long w = pos_cost[p];
    for (uint64_t k = (*occ_start)[p]; k < occ_end[p];) {
      const int32_t ref = occ[k];
      const int step = (ref < 0 ? -ref : ref) - 1, sign = ref < 0 ? -1 : 1;
      if (!ready[size_t(step)]) {
        occ[k] = occ[--occ_end[p]];
        continue;
      }
      const long long delta = (after * sign < 0 ? w : 0) - (before * sign < 0 ? w : 0);
      // One change at a time keeps the heap whole for the next.
      if (delta) Add_cost(step, delta);
      ++k;
    }
  }

  void Place(int x) {
    ready[size_t(x)] = 0;
    order.push_back(x);
    ++round;
    changed.clear();
    Reduced(x).For_each([&](const literal_short_ &e, int) {
      size_t p = size_t(e.pos);
      if (stamp[p] != round) {
        stamp[p] = round;
        sign_before[p] = last_sign[p];
        changed.push_back(p);
      }
    });
    Reduced(x).For_each(
        [&](const literal_short_ &e, int sign) { last_sign[size_t(e.pos)] = sign; });
    for (size_t p : changed)
      if (sign_before[p] != last_sign[p]) Reprice(p, sign_before[p]);
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
    Assign_large(&ready, n, char(0));
    Assign_large(&heap_at, n, -1);
    Assign_large(&last_sign, vars->size(), 0);
    Assign_large(&sign_before, vars->size(), 0);
    Assign_large(&stamp, vars->size(), 0LL);
    Reserve_large(&occ_end, occ_start->size() - 1);
    occ_end.assign(occ_start->begin(), occ_start->end() - 1);
    Assign_large(&occ, size_t(occ_start->back()), int32_t(0));
    Assign_large(&pos_cost, vars->size(), 0LL);
    Reserve_large(&order, n);
    int last_initial = -1;
    for (size_t u = 0; u < n; ++u) {
      waiting[u] = int(steps->pred_start[u + 1] - steps->pred_start[u]);
      if (waiting[u] == 0) {
        Make_ready(int(u));
        last_initial = int(u);
      }
    }
    if (last_initial < 0) return;
    // The first step is placed without a cost: out of the heap.
    const size_t at = size_t(heap_at[size_t(last_initial)]);
    const entry_ last = heap.back();
    heap.pop_back();
    if (at < heap.size()) {
      Put(at, last);
      Sift_up(at);
      Sift_down(size_t(heap_at[size_t(last.step)]));
    }
    Place(last_initial);
    for (int s = Take_cheapest(); s >= 0; s = Take_cheapest()) Place(s);
  }

  // The ready step of least (cost, time it became ready), or -1 when none.
  int Take_cheapest() {
    if (heap.empty()) return -1;
    const int s = heap[0].step;
    const entry_ last = heap.back();
    heap.pop_back();
    if (!heap.empty()) {
      Put(0, last);
      Sift_down(0);
    }
    return s;
  }
};

}  // namespace

long long Num_add_alter(const std::vector<literal_short_> *vars, const std::vector<int> *last_sign,
                        const step_store_ *steps, size_t k, int alter, int block_count) {
  long long sum = 0;
  // A merged literal's value is a function, not a sign: it counts as a
  // change always.
  reduced_literals_{*vars, *steps, k}.For_each([&](const literal_short_ &e, int sign) {
    if (sign == 0 || (*last_sign)[size_t(e.pos)] * sign < 0)
      sum += Literal_cost(e, alter, block_count);
  });
  return sum;
}

void Minimize_alter(const std::vector<literal_short_> *vars, const step_store_ *steps,
                    var_lists_ *var_steps, int alter, int block_count) {
  // Every list gets its exact room first: one array for all of them.
  Assign_large(&var_steps->start, vars->size() + 1, uint64_t(0));
  size_t entries = 0;
  For_each_stored(steps->reduced.data(), steps->reduced.data() + steps->reduced.size(),
                  [&](const stored_literal_ &l) {
                    ++var_steps->start[size_t((*vars)[size_t(l.var) - 1].pos) + 1];
                    ++entries;
                  });
  std::vector<uint64_t> fill = Offsets_from_counts(&var_steps->start);
  Assign_large(&var_steps->refs, entries, 0);
  if (alter == 0) {
    for (size_t i = 0; i < steps->size(); ++i) Distribute(*vars, *steps, i, &fill, var_steps);
    return;
  }
  greedy_order_ g;
  g.vars = vars;
  g.steps = steps;
  g.alter = alter;
  g.block_count = block_count;
  g.occ_start = &var_steps->start;
  g.Run();
  for (int i : g.order) Distribute(*vars, *steps, size_t(i), &fill, var_steps);
}
