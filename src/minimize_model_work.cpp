// Recording of reduction steps with their dependencies, and the ordering of
// the recorded steps into per-variable step lists.
#include <algorithm>
#include <functional>
#include <queue>
#include <tuple>

#include "records.h"

void Merge_vectors(std::vector<int32_t> *x, const std::vector<int32_t> *y) {
  if (y->empty()) return;
  if (x->empty()) {
    *x = *y;
    return;
  }
  if (y->front() > x->back()) {
    x->insert(x->end(), y->begin(), y->end());
    return;
  }
  std::vector<int32_t> merged;
  merged.reserve(x->size() + y->size());
  std::set_union(x->begin(), x->end(), y->begin(), y->end(), std::back_inserter(merged));
  x->swap(merged);
}

void Update_family(std::vector<clause_short_> *step_clauses,
                   std::vector<clause_short_> *step_reduced, const clause_short_ *reduced,
                   clause_short_ *first, clause_short_ *second, int alter) {
  if (alter == 0) {
    if (reduced->lits.empty()) return;
    step_clauses->push_back(*first);
    step_reduced->push_back(*reduced);
    return;
  }
  if (first->recorded == 1) first->preds.assign(1, first->step);
  if (second->recorded == 1) second->preds.assign(1, second->step);
  Merge_vectors(&first->preds, &second->preds);
  if (reduced->lits.empty()) {
    first->recorded = 0;
    return;
  }
  const int32_t n = int32_t(step_clauses->size());
  for (int32_t p : first->preds) {
    std::vector<int32_t> &succs = (*step_clauses)[size_t(p)].succs;
    if (succs.empty() || succs.back() < n) succs.push_back(n);
  }
  first->recorded = 1;
  first->step = n;
  step_clauses->push_back(*first);
  step_reduced->push_back(*reduced);
}

namespace {

// Cost of one literal whose variable's last sign is opposite to its own.
long long Literal_cost(const std::vector<literal_short_> *vars, const literal_short_ &l, int alter,
                       int block_count) {
  if (alter == 2) return (long long)(block_count - l.level) * 5 + 1;
  if (alter == 3) return (*vars)[size_t(l.var - 1)].weight;
  return 1;
}

inline int Reference(int step, const literal_short_ &l) { return l.sign > 0 ? step + 1 : -(step + 1); }

void Distribute(const std::vector<clause_short_> *step_reduced, const std::vector<int> &order,
                std::vector<std::vector<int>> *var_steps) {
  for (int i : order)
    for (const literal_short_ &l : (*step_reduced)[size_t(i)].lits)
      (*var_steps)[size_t(l.pos)].push_back(Reference(i, l));
}

// A literal of a ready step, listed under its variable's position so that a
// change of that variable's last sign reaches the step's cost.
struct occurrence_ {
  int step;
  int sign;
  long long cost;
};

// The greedy order: repeatedly the ready step of least cost, ties going to
// the step that became ready first. Costs are kept current as signs change
// instead of being recomputed for every ready step in every round.
struct greedy_order_ {
  const std::vector<literal_short_> *vars;
  const std::vector<clause_short_> *step_clauses;
  const std::vector<clause_short_> *step_reduced;
  int alter, block_count;
  std::vector<int> waiting;  // unplaced predecessors per step
  std::vector<char> placed;  // has entered the ready set
  std::vector<char> ready;   // in the ready set now
  std::vector<long long> cost;
  std::vector<long long> since;  // when the step became ready
  std::vector<int> last_sign;
  std::vector<std::vector<occurrence_>> occurs;  // by position
  long long clock = 0;
  using entry_ = std::tuple<long long, long long, int>;
  std::priority_queue<entry_, std::vector<entry_>, std::greater<entry_>> heap;
  std::vector<int> order;
  std::vector<int> touched;           // ready steps whose cost changed
  std::vector<size_t> changed;        // positions the placed step touches
  std::vector<long long> stamp;       // by position: last round that saw it
  std::vector<int> sign_before;       // by position: last sign before the round
  long long round = 0;

  void Make_ready(int s) {
    placed[size_t(s)] = 1;
    ready[size_t(s)] = 1;
    since[size_t(s)] = clock++;
    const clause_short_ &red = (*step_reduced)[size_t(s)];
    cost[size_t(s)] = Num_add_alter(vars, &last_sign, &red, alter, block_count);
    for (const literal_short_ &l : red.lits)
      occurs[size_t(l.pos)].push_back({s, l.sign, Literal_cost(vars, l, alter, block_count)});
    heap.emplace(cost[size_t(s)], since[size_t(s)], s);
  }

  // Brings the costs of ready steps up to date after position p changed its
  // last sign from `before`; drops occurrences of steps no longer ready.
  void Reprice(size_t p, int before) {
    std::vector<occurrence_> &occ = occurs[p];
    const int after = last_sign[p];
    for (size_t k = 0; k < occ.size();) {
      const occurrence_ &o = occ[k];
      if (!ready[size_t(o.step)]) {
        occ[k] = occ.back();
        occ.pop_back();
        continue;
      }
      long long delta = (after * o.sign < 0 ? o.cost : 0) - (before * o.sign < 0 ? o.cost : 0);
      if (delta) {
        cost[size_t(o.step)] += delta;
        touched.push_back(o.step);
      }
      ++k;
    }
  }

  void Place(int x) {
    ready[size_t(x)] = 0;
    order.push_back(x);
    ++round;
    const std::vector<literal_short_> &lits = (*step_reduced)[size_t(x)].lits;
    changed.clear();
    for (const literal_short_ &l : lits) {
      size_t p = size_t(l.pos);
      if (stamp[p] != round) {
        stamp[p] = round;
        sign_before[p] = last_sign[p];
        changed.push_back(p);
      }
    }
    for (const literal_short_ &l : lits) last_sign[size_t(l.pos)] = l.sign;
    for (size_t p : changed)
      if (sign_before[p] != last_sign[p]) Reprice(p, sign_before[p]);
    for (int s : touched)
      if (ready[size_t(s)]) heap.emplace(cost[size_t(s)], since[size_t(s)], s);
    touched.clear();
    for (int32_t s : (*step_clauses)[size_t(x)].succs) {
      if (waiting[size_t(s)] > 0) --waiting[size_t(s)];
      if (waiting[size_t(s)] == 0 && !placed[size_t(s)]) Make_ready(s);
    }
  }

  void Run() {
    const size_t n = step_reduced->size();
    waiting.assign(n, 0);
    placed.assign(n, 0);
    ready.assign(n, 0);
    cost.assign(n, 0);
    since.assign(n, 0);
    last_sign.assign(vars->size(), 0);
    sign_before.assign(vars->size(), 0);
    stamp.assign(vars->size(), 0);
    occurs.assign(vars->size(), {});
    int last_initial = -1;
    for (size_t u = 0; u < n; ++u) {
      waiting[u] = int((*step_clauses)[u].preds.size());
      if (waiting[u] == 0) {
        Make_ready(int(u));
        last_initial = int(u);
      }
    }
    if (last_initial < 0) return;
    Place(last_initial);
    for (int s = Take_cheapest(); s >= 0; s = Take_cheapest()) Place(s);
  }

  // The ready step of least (cost, time it became ready), or -1 when none.
  int Take_cheapest() {
    while (!heap.empty()) {
      auto [c, t, s] = heap.top();
      heap.pop();
      (void)t;
      if (ready[size_t(s)] && c == cost[size_t(s)]) return s;
    }
    return -1;
  }
};

}  // namespace

long long Num_add_alter(const std::vector<literal_short_> *vars, const std::vector<int> *last_sign,
                        const clause_short_ *reduced, int alter, int block_count) {
  long long sum = 0;
  for (const literal_short_ &l : reduced->lits)
    if ((*last_sign)[size_t(l.pos)] * l.sign < 0) sum += Literal_cost(vars, l, alter, block_count);
  return sum;
}

void Minimize_alter(const std::vector<literal_short_> *vars,
                    std::vector<clause_short_> *step_clauses,
                    const std::vector<clause_short_> *step_reduced,
                    std::vector<std::vector<int>> *var_steps, int alter, int block_count) {
  if (step_reduced->empty()) return;
  std::vector<int> order;
  if (alter == 0) {
    order.resize(step_reduced->size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = int(i);
  } else {
    greedy_order_ g;
    g.vars = vars;
    g.step_clauses = step_clauses;
    g.step_reduced = step_reduced;
    g.alter = alter;
    g.block_count = block_count;
    g.Run();
    order.swap(g.order);
    for (clause_short_ &c : *step_clauses) c.preds.clear();
  }
  Distribute(step_reduced, order, var_steps);
}
