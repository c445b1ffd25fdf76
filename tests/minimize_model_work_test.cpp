#include <gtest/gtest.h>

#include <random>

#include "round_by_round.h"
#include "test_util.h"

namespace {

clause_short_ Reduced(std::vector<literal_short_> lits) {
  clause_short_ c;
  c.lits = std::move(lits);
  return c;
}

// Step k's clause, reduced literals and predecessors as signed numbers.
std::vector<int> Range(const std::vector<int32_t> &items, const std::vector<uint64_t> &start,
                       size_t k) {
  return std::vector<int>(items.begin() + long(start[k]), items.begin() + long(start[k + 1]));
}

// The steps of pred set `set`, spelled in a copy of the store.
std::vector<int> Spelled(step_store_ steps, int32_t set) {
  const size_t from = steps.preds.size();
  Pred_spell(&steps, set, 0);
  return std::vector<int>(steps.preds.begin() + long(from), steps.preds.end());
}

TEST(UpdateFamily, AlterZeroRecordsOnlyReductions) {
  step_store_ steps;
  clause_short_ first, second, reduced;
  first.lits = {Lit(1, 1, 0, 0)};
  Update_family(&steps, &reduced, &first, &second, 0);
  EXPECT_EQ(steps.size(), 0u);
  EXPECT_EQ(first.recorded, 0);
  reduced.lits = {Lit(-1, 2, 1, 1)};
  Update_family(&steps, &reduced, &first, &second, 0);
  ASSERT_EQ(steps.size(), 1u);
  EXPECT_EQ(Range(steps.lits, steps.lit_start, 0), (std::vector<int>{1}));
  EXPECT_EQ(Range(steps.reduced, steps.reduced_start, 0), (std::vector<int>{-2}));
  EXPECT_TRUE(steps.preds.empty());
  EXPECT_EQ(first.recorded, 0);
}

TEST(PredSets, SharedPartsAndSpelledSets) {
  step_store_ steps;
  clause_short_ none;
  for (int k = 0; k < 4; ++k) Step_push(&steps, none, none);
  pred_sets_ *s = &steps.sets;
  const int32_t one = Pred_single(s, 1), two = Pred_single(s, 2), three = Pred_single(s, 3);
  EXPECT_EQ(Pred_single(s, 1), one);
  EXPECT_EQ(Pred_union(s, 0, two), two);
  EXPECT_EQ(Pred_union(s, two, two), two);
  const int32_t u = Pred_union(s, three, one), v = Pred_union(s, u, two);
  const int32_t w = Pred_union(s, v, u);  // u reached twice
  EXPECT_EQ(Spelled(steps, w), (std::vector<int>{1, 2, 3}));
  // Step 4 is recorded with v: later sets that hold v read its list.
  clause_short_ step;
  step.preds = v;
  Step_push(&steps, step, none);
  EXPECT_EQ(Range(steps.preds, steps.pred_start, 4), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(steps.sets.nodes[size_t(v)].a, kSpelledPreds);
  EXPECT_EQ(Spelled(steps, Pred_union(s, Pred_single(s, 0), v)), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(Spelled(steps, w), (std::vector<int>{1, 2, 3}));
}

TEST(UpdateFamily, DependenciesBetweenRecordedSteps) {
  step_store_ steps;
  clause_short_ first, second, reduced, none;
  for (int k = 0; k < 6; ++k) Step_push(&steps, none, none);
  // A step without reduction passes its ancestors on.
  first.recorded = 1;
  first.step = 2;
  second.recorded = 1;
  second.step = 5;
  Update_family(&steps, &reduced, &first, &second, 1);
  EXPECT_EQ(steps.size(), 6u);
  EXPECT_EQ(first.recorded, 0);
  EXPECT_EQ(Spelled(steps, first.preds), (std::vector<int>{2, 5}));
  EXPECT_EQ(Spelled(steps, second.preds), (std::vector<int>{5}));
  // The next resolution from it, with a clause also derived from step 5,
  // reduces: step 6 with predecessors 2 and 5, listed once.
  second = clause_short_();
  second.preds = Pred_single(&steps.sets, 5);
  first.lits = {Lit(-1, 4, 3, 0)};
  reduced.lits = {Lit(1, 3, 2, 1)};
  Update_family(&steps, &reduced, &first, &second, 1);
  ASSERT_EQ(steps.size(), 7u);
  EXPECT_EQ(Range(steps.preds, steps.pred_start, 6), (std::vector<int>{2, 5}));
  EXPECT_EQ(Range(steps.lits, steps.lit_start, 6), (std::vector<int>{-4}));
  EXPECT_EQ(Range(steps.reduced, steps.reduced_start, 6), (std::vector<int>{3}));
  EXPECT_EQ(first.recorded, 1);
  EXPECT_EQ(first.step, 6);
}

struct graph_ {
  std::vector<literal_short_> vars;
  std::vector<clause_short_> steps, reduced;
  std::vector<std::vector<int32_t>> preds;  // by step
  int blocks = 3;
  step_store_ Store() const {
    step_store_ store;
    for (size_t i = 0; i < steps.size(); ++i) {
      clause_short_ step = steps[i];
      if (i < preds.size())
        for (int32_t p : preds[i])
          step.preds = Pred_union(&store.sets, step.preds, Pred_single(&store.sets, p));
      Step_push(&store, step, reduced[i]);
    }
    return store;
  }
};

// Steps over `nvars` variables at positions 0.. with random levels and
// weights below `weights`; every step after the first few depends on up to
// three earlier ones.
graph_ Random_graph(std::mt19937 *rng, int nsteps, int nvars, int weights = 5) {
  graph_ g;
  auto pick = [&](int n) { return int((*rng)() % unsigned(n)); };
  for (int v = 0; v < nvars; ++v) {
    literal_short_ e = Lit(0, v + 1, v, 1, 1 + v * g.blocks / nvars);
    e.weight = pick(weights);
    g.vars.push_back(e);
  }
  for (int i = 0; i < nsteps; ++i) {
    clause_short_ step, red;
    std::vector<int32_t> preds;
    if (i >= 3) {
      int npreds = pick(4);
      for (int k = 0; k < npreds; ++k) preds.push_back(pick(i));
    }
    int nlits = 1 + pick(3);
    for (int k = 0; k < nlits; ++k) {
      literal_short_ l = g.vars[size_t(pick(nvars))];
      l.sign = pick(2) ? 1 : -1;
      red.lits.push_back(l);
    }
    g.steps.push_back(step);
    g.preds.push_back(preds);
    g.reduced.push_back(red);
  }
  return g;
}

std::vector<std::vector<int>> Ordered(graph_ g, int alter) {
  var_lists_ var_steps;
  const step_store_ store = g.Store();
  Minimize_alter(&g.vars, &store, &var_steps, alter, g.blocks);
  return Plain_lists(var_steps);
}

TEST(MinimizeAlter, MatchesTheRoundByRoundProcedure) {
  std::mt19937 rng(20261207);
  for (int trial = 0; trial < 400; ++trial) {
    int nsteps = 1 + int(rng() % 60), nvars = 1 + int(rng() % 8);
    // Large weights give alter 3 costs past the buckets, so the heap.
    graph_ g = Random_graph(&rng, nsteps, nvars, trial % 2 ? 5 : 200);
    for (int alter : {1, 2, 3, 4}) {
      ASSERT_EQ(Ordered(g, alter), Round_by_round(g.vars, g.Store(), alter, g.blocks))
          << "trial " << trial << " alter " << alter;
    }
  }
}

TEST(MinimizeAlter, LongProofsMatchTheRoundByRoundProcedure) {
  // Past 4096 steps the bucket sets use every level of their summaries,
  // and the ready steps are renamed several times on the way; without
  // predecessors all steps are ready at once and renamed while many wait.
  std::mt19937 rng(5);
  graph_ g = Random_graph(&rng, 6000, 12, 200);
  for (int alter : {1, 3})
    ASSERT_EQ(Ordered(g, alter), Round_by_round(g.vars, g.Store(), alter, g.blocks))
        << "alter " << alter;
  g.preds.assign(g.steps.size(), {});
  g.steps.resize(3000);
  g.reduced.resize(3000);
  for (int alter : {1, 3})
    ASSERT_EQ(Ordered(g, alter), Round_by_round(g.vars, g.Store(), alter, g.blocks))
        << "alter " << alter << ", no predecessors";
  // Far more variables than the steps remove: the renaming runs all the
  // same, over the positions that have literals.
  for (int v = 12; v < 40000; ++v) g.vars.push_back(Lit(0, v + 1, v, 1, g.blocks));
  ASSERT_EQ(Ordered(g, 1), Round_by_round(g.vars, g.Store(), 1, g.blocks)) << "unused variables";
}

TEST(MinimizeAlter, AlterZeroKeepsRecordingOrder) {
  std::mt19937 rng(7);
  graph_ g = Random_graph(&rng, 30, 3);
  for (const std::vector<int> &list : Ordered(g, 0))
    for (size_t k = 1; k < list.size(); ++k) EXPECT_LE(std::abs(list[k - 1]), std::abs(list[k]));
  graph_ empty;
  empty.vars = g.vars;
  for (int alter : {0, 1, 3})
    for (const std::vector<int> &list : Ordered(empty, alter)) EXPECT_TRUE(list.empty());
}

TEST(MinimizeAlter, AlterOneExample) {
  // Step 0 removed +5; steps 1 (-5) and 2 (+5) depend on step 0 only.
  graph_ g;
  g.vars.assign(5, literal_short_());
  for (int v = 0; v < 5; ++v) g.vars[size_t(v)] = Lit(0, v + 1, v, 1);
  literal_short_ five = g.vars[4];
  g.steps.resize(3);
  g.preds = {{}, {0}, {0}};
  for (int sign : {1, -1, 1}) {
    five.sign = sign;
    g.reduced.push_back(Reduced({five}));
  }
  EXPECT_EQ(Ordered(g, 1)[4], (std::vector<int>{1, 3, -2}));
  EXPECT_EQ(Ordered(g, 4)[4], (std::vector<int>{1, 3, -2}));
  EXPECT_EQ(Ordered(g, 0)[4], (std::vector<int>{1, -2, 3}));
}

TEST(MinimizeAlter, TiesAndTheFirstStep) {
  // Three independent steps, step v removing +(v+2) and -1: step 2 goes
  // first without a cost, then 0 before 1 on equal cost.
  graph_ g;
  for (int v = 0; v < 4; ++v) g.vars.push_back(Lit(0, v + 1, v, 1));
  g.steps.resize(3);
  for (int v = 0; v < 3; ++v) {
    literal_short_ own = g.vars[size_t(v + 1)], one = g.vars[0];
    own.sign = 1;
    one.sign = -1;
    g.reduced.push_back(Reduced({own, one}));
  }
  EXPECT_EQ(Ordered(g, 1)[0], (std::vector<int>{-3, -1, -2}));
  // A step that only repeats last signs (cost 0) beats a cheaper-looking
  // earlier one with a sign change.
  g.reduced[0].lits[1].sign = 1;
  EXPECT_EQ(Ordered(g, 1)[0], (std::vector<int>{-3, -2, 1}));
}

TEST(MinimizeAlter, CostRulesOfAlterTwoAndThree) {
  // After step 0 (+1 at level 1, +2 at level 3), step 1 flips variable 1 and
  // step 2 flips variable 2. Alter 2 weighs the outer level 11, the inner 1:
  // step 2 first. Alter 3 uses the variables' weights: 1 weighs less.
  graph_ g;
  g.blocks = 3;
  g.vars = {Lit(0, 1, 0, 1, 1), Lit(0, 2, 1, 1, 3)};
  g.vars[0].weight = 1;
  g.vars[1].weight = 9;
  g.steps.resize(3);
  g.preds = {{}, {0}, {0}};
  literal_short_ a = g.vars[0], b = g.vars[1];
  a.sign = b.sign = 1;
  g.reduced.push_back(Reduced({a, b}));
  a.sign = -1;
  g.reduced.push_back(Reduced({a}));
  b.sign = -1;
  g.reduced.push_back(Reduced({b}));
  std::vector<int> last_sign = {1, 1};
  const step_store_ store = g.Store();
  EXPECT_EQ(Num_add_alter(&g.vars, &last_sign, &store, 1, 2, 3), 11);
  EXPECT_EQ(Num_add_alter(&g.vars, &last_sign, &store, 2, 2, 3), 1);
  EXPECT_EQ(Num_add_alter(&g.vars, &last_sign, &store, 2, 3, 3), 9);
  EXPECT_EQ(Num_add_alter(&g.vars, &last_sign, &store, 0, 1, 3), 0);
  EXPECT_EQ(Ordered(g, 2)[1], (std::vector<int>{1, -3}));
  EXPECT_EQ(Ordered(g, 2)[0], (std::vector<int>{1, -2}));
  // Alter 2 places step 2 before step 1; alter 3 the other way round. The
  // per-variable lists are the same, so compare via a shared variable.
  graph_ h = g;
  literal_short_ c = Lit(1, 2, 1, 1, 3);
  h.reduced[1].lits.push_back(c);  // step 1 also removes +2
  EXPECT_EQ(Ordered(h, 2)[1], (std::vector<int>{1, -3, 2}));
  EXPECT_EQ(Ordered(h, 3)[1], (std::vector<int>{1, 2, -3}));
}

}  // namespace
