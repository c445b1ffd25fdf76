// Times the ordering of recorded steps (Minimize_alter) on seeded random
// step graphs of 10^3 to 10^5 steps, for -alter 0 and 1, beside the
// procedure that recomputes every ready step's cost in every round.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>

#include "records.h"
#include "round_by_round.h"

namespace {

struct graph_ {
  std::vector<literal_short_> vars;
  step_store_ steps;
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
  clause_short_ step, reduced;
  for (int i = 0; i < nsteps; ++i) {
    step.preds = 0;
    reduced.lits.clear();
    if (i > 0 && int(rng() % 100) >= roots) {
      int npreds = 1 + int(rng() % 3);
      for (int k = 0; k < npreds; ++k) {
        const int32_t p = Pred_single(&g.steps.sets, i - 1 - int(rng() % std::min(i, window)));
        step.preds = Pred_union(&g.steps.sets, step.preds, p);
      }
    }
    int nlits = 1 + int(rng() % 3);
    for (int k = 0; k < nlits; ++k) {
      literal_short_ l = g.vars[rng() % nvars];
      l.sign = rng() % 2 ? 1 : -1;
      reduced.lits.push_back(l);
    }
    Step_push(&g.steps, step, reduced);
  }
  return g;
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
        var_lists_ var_steps;
        t[alter] = Seconds_of([&] { Minimize_alter(&g.vars, &g.steps, &var_steps, alter, 4); });
      }
      printf("%8d %10d %12.4f %12.4f %16.4f\n", n, window, t[0], t[1],
             Seconds_of([&] { Round_by_round(g.vars, g.steps, 1, 4); }));
    }
  return 0;
}
