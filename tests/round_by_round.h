// The step ordering exactly as first described, kept as the reference for
// the incremental one: every round recomputes the cost of every ready step
// and takes the first of least cost. Used by the tests and the benchmark.
#ifndef CEROX_ROUND_BY_ROUND_H
#define CEROX_ROUND_BY_ROUND_H

#include <vector>

#include "records.h"

inline std::vector<std::vector<int>> Round_by_round(const std::vector<literal_short_> &vars,
                                                    const step_store_ &steps, int alter,
                                                    int blocks) {
  std::vector<std::vector<int>> var_steps(vars.size());
  const size_t n = steps.size();
  if (n == 0) return var_steps;
  std::vector<std::vector<int>> preds(n), succs(n);
  for (size_t s = 0; s < n; ++s)
    for (uint64_t i = steps.pred_start[s]; i < steps.pred_start[s + 1]; ++i) {
      preds[s].push_back(steps.preds[i]);
      succs[size_t(steps.preds[i])].push_back(int(s));
    }
  auto reduced = [&](int x) {
    std::vector<literal_short_> lits;
    for (uint64_t i = steps.reduced_start[size_t(x)]; i < steps.reduced_start[size_t(x) + 1]; ++i)
      lits.push_back(Stored_literal(vars, steps.reduced[i]));
    return lits;
  };
  std::vector<int> placed(n, 0), last_sign(vars.size(), 0), ready, order;
  for (size_t u = 0; u < n; ++u)
    if (preds[u].empty()) {
      placed[u] = 1;
      ready.push_back(int(u));
    }
  auto place = [&](int x) {
    order.push_back(x);
    for (const literal_short_ &l : reduced(x)) last_sign[size_t(l.pos)] = l.sign;
    for (int s : succs[size_t(x)]) {
      if (!preds[size_t(s)].empty()) preds[size_t(s)].pop_back();
      if (preds[size_t(s)].empty() && placed[size_t(s)] != 1) {
        placed[size_t(s)] = 1;
        ready.push_back(s);
      }
    }
  };
  int x = ready.back();
  ready.pop_back();
  place(x);
  while (!ready.empty()) {
    size_t best = 0;
    long long best_cost = 0;
    for (size_t k = 0; k < ready.size(); ++k) {
      long long c = Num_add_alter(&vars, &last_sign, &steps, size_t(ready[k]), alter, blocks);
      if (k == 0 || c < best_cost) best = k, best_cost = c;
    }
    x = ready[best];
    ready.erase(ready.begin() + long(best));
    place(x);
  }
  for (int i : order)
    for (const literal_short_ &l : reduced(i))
      var_steps[size_t(l.pos)].push_back(l.sign > 0 ? i + 1 : -(i + 1));
  return var_steps;
}

#endif
