// Times the ordering of recorded steps (Minimize_alter) on seeded random
// step graphs of 10^3 to 10^5 steps, for -alter 0 and 1, beside the
// procedure that recomputes every ready step's cost in every round.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>

#include "records.h"

namespace {

struct graph_ {
  std::vector<literal_short_> vars;
  std::vector<clause_short_> steps, reduced;
};

// Steps depend on up to three earlier steps, among the `window` steps before
// them (a narrow window keeps few steps ready at a time, a wide one many);
// `roots` percent of the steps have no predecessor;
// each removes one to three literals of 200 universal variables.
graph_ Random_graph(int nsteps, int window, int roots, unsigned seed) {
  std::mt19937 rng(seed);
  graph_ g;
  const int nvars = 200;
  for (int v = 0; v < nvars; ++v) {
    literal_short_ e;
    e.sign = 0;
    e.var = v + 1;
    e.pos = v;
    e.level = 1 + v / 50;
    e.weight = int(rng() % 7);
    e.quant = 1;
    g.vars.push_back(e);
  }
  g.steps.resize(size_t(nsteps));
  g.reduced.resize(size_t(nsteps));
  for (int i = 0; i < nsteps; ++i) {
    clause_short_ &step = g.steps[size_t(i)];
    if (i > 0 && int(rng() % 100) >= roots) {
      int npreds = 1 + int(rng() % 3);
      for (int k = 0; k < npreds; ++k)
        step.preds.push_back(i - 1 - int(rng() % std::min(i, window)));
      std::sort(step.preds.begin(), step.preds.end());
      step.preds.erase(std::unique(step.preds.begin(), step.preds.end()), step.preds.end());
      for (int p : step.preds) g.steps[size_t(p)].succs.push_back(i);
    }
    int nlits = 1 + int(rng() % 3);
    for (int k = 0; k < nlits; ++k) {
      literal_short_ l = g.vars[rng() % nvars];
      l.sign = rng() % 2 ? 1 : -1;
      g.reduced[size_t(i)].lits.push_back(l);
    }
  }
  return g;
}

// The procedure as first described: every round prices every ready step.
void Round_by_round(const graph_ &g0, int alter) {
  graph_ g = g0;
  const size_t n = g.reduced.size();
  std::vector<int> placed(n, 0), last_sign(g.vars.size(), 0), ready, order;
  for (size_t u = 0; u < n; ++u)
    if (g.steps[u].preds.empty()) placed[u] = 1, ready.push_back(int(u));
  auto place = [&](int x) {
    order.push_back(x);
    for (const literal_short_ &l : g.reduced[size_t(x)].lits) last_sign[size_t(l.pos)] = l.sign;
    for (int s : g.steps[size_t(x)].succs) {
      std::vector<int32_t> &preds = g.steps[size_t(s)].preds;
      if (!preds.empty()) preds.pop_back();
      if (preds.empty() && placed[size_t(s)] != 1) placed[size_t(s)] = 1, ready.push_back(s);
    }
  };
  int x = ready.back();
  ready.pop_back();
  place(x);
  while (!ready.empty()) {
    size_t best = 0;
    long long best_cost = 0;
    for (size_t k = 0; k < ready.size(); ++k) {
      long long c = Num_add_alter(&g.vars, &last_sign, &g.reduced[size_t(ready[k])], alter, 4);
      if (k == 0 || c < best_cost) best = k, best_cost = c;
    }
    x = ready[best];
    ready.erase(ready.begin() + long(best));
    place(x);
  }
}

double Seconds_of(const std::function<void()> &f) {
  auto t0 = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace

int main() {
  printf("%8s %10s %12s %12s %16s\n", "steps", "window", "alter 0 (s)", "alter 1 (s)",
         "every round (s)");
  for (int n : {1000, 10000, 100000})
    for (int window : {200, n}) {
      graph_ g = Random_graph(n, window, window == n ? 50 : 10, 12345);
      double t[2];
      for (int alter : {0, 1}) {
        graph_ copy = g;
        std::vector<std::vector<int>> var_steps(copy.vars.size());
        t[alter] = Seconds_of(
            [&] { Minimize_alter(&copy.vars, &copy.steps, &copy.reduced, &var_steps, alter, 4); });
      }
      printf("%8d %10d %12.4f %12.4f %16.4f\n", n, window, t[0], t[1],
             Seconds_of([&] { Round_by_round(g, 1); }));
    }
  return 0;
}
