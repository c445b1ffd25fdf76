// Long-distance proofs: merged literals replayed, their phases, and the
// certificates built from them, checked by cerox-check's engines and, for
// the worked example, function by function.
#include <gtest/gtest.h>

#include "network.h"
#include "test_util.h"

namespace {

// The verdict of both engines on a certificate (1 valid, 0 invalid); the
// network is left in *n for evaluation.
int Verdict(const std::string &formula, const std::string &blif, bool true_formula, network_ *n) {
  check_formula_ f;
  std::string reason;
  text_reader_ in;
  Reader_memory(&in, formula.data(), formula.size());
  if (!Read_formula(&in, "formula", true_formula ? 0 : 1, &f, &reason)) return -1;
  Reader_memory(&in, blif.data(), blif.size());
  std::vector<int> order;
  if (!Read_network(&in, "certificate", int(f.vars.size()), n, &reason) ||
      !Check_structure(f, *n, &order, &reason))
    return ADD_FAILURE() << reason, 0;
  const int sat = Sat_check(f, *n, order, &reason);
  EXPECT_EQ(Simulate_check(f, n, order, &reason), sat) << reason;
  return sat;
}
int Verdict(const std::string &formula, const std::string &blif, bool true_formula) {
  network_ n;
  return Verdict(formula, blif, true_formula, &n);
}

// The value of signal s of a network under an assignment of its variables.
bool Value(const network_ &n, int s, const std::vector<bool> &assignment) {
  if (n.driver[size_t(s)] < 0) return assignment[size_t(s)];
  const node_ &node = n.nodes[size_t(n.driver[size_t(s)])];
  bool any = false;
  for (uint64_t r = node.first_row; r < node.first_row + node.rows && !any; ++r) {
    bool holds = true;
    for (uint64_t i = n.row_start[r]; i < n.row_start[r + 1] && holds; ++i)
      holds = Value(n, n.lits[i] >> 1, assignment) != bool(n.lits[i] & 1);
    any = holds;
  }
  return any == node.on_set;
}

// E a e  A u  E t: (e u t) (-e -u t) (a -t) (-a u). Line 5 merges u on e,
// line 6 reduces it (condition a, value e), line 8 reduces u of clause 4
// (condition -a, value 0): the countermodel u = -a & e.
const char *kExample = "p cnf 4 4\ne 1 2 0\na 3 0\ne 4 0\n2 3 4 0\n-2 -3 4 0\n1 -4 0\n-1 3 0\n";
const char *kExampleProof =
    "p qrp 4 4\ne 1 2 0\na 3 0\ne 4 0\n1 2 3 4 0 0\n2 -2 -3 4 0 0\n3 1 -4 0 0\n4 -1 3 0 0\n"
    "5 3 -3 4 0 1 2 0\n6 1 3 -3 0 5 3 0\n7 1 0 6 0\n8 -1 0 4 0\n9 0 7 8 0\nr UNSAT\n";

TEST(LongDistance, WorkedExample) {
  ld_phases_ phases;
  const std::string blif = Replay_certificate(kExampleProof, 3, false, &phases);
  ASSERT_NE(blif, "");
  // One phase: ITE(e, phase in clause 2 (0), phase in clause 1 (1)) = -e.
  ASSERT_EQ(phases.nodes.size(), 1u);
  EXPECT_EQ(phases.nodes[0].pivot, 2);
  EXPECT_EQ(phases.nodes[0].then_phase, 0);
  EXPECT_EQ(phases.nodes[0].else_phase, 1);
  network_ n;
  EXPECT_EQ(Verdict(kExample, blif, false, &n), 1);
  for (int a = 0; a < 2; ++a)
    for (int e = 0; e < 2; ++e) {
      std::vector<bool> assignment(n.Signals(), false);
      assignment[1] = a, assignment[2] = e;
      EXPECT_EQ(Value(n, 3, assignment), !a && e) << "a=" << a << " e=" << e;
    }
}

TEST(LongDistance, MergeOfAVariableBeforeThePivotIsRefused) {
  // A u  E e t: u comes before the pivot e, so line 3 may not merge it.
  const char *proof =
      "p qrp 3 2\na 1 0\ne 2 3 0\n1 2 1 3 0 0\n2 -2 -1 3 0 0\n3 1 -1 3 0 1 2 0\nr UNSAT\n";
  ld_phases_ phases;
  EXPECT_EQ(Replay_certificate(proof, 3, true, &phases), "");
  EXPECT_TRUE(phases.nodes.empty());
}

TEST(LongDistance, EqualPhasesAreShared) {
  // The example's merge twice over the same pivot and phases: one node.
  const std::string proof =
      "p qrp 4 4\ne 1 2 0\na 3 0\ne 4 0\n1 2 3 4 0 0\n2 -2 -3 4 0 0\n3 1 -4 0 0\n4 -1 3 0 0\n"
      "5 3 -3 4 0 1 2 0\n6 3 -3 4 0 1 2 0\n7 3 -3 4 0 5 6 0\n8 1 3 -3 0 7 3 0\n9 -1 0 4 0\n"
      "10 0 8 9 0\nr UNSAT\n";
  ld_phases_ phases;
  const std::string blif = Replay_certificate(proof, 3, false, &phases);
  ASSERT_NE(blif, "");
  EXPECT_EQ(phases.nodes.size(), 1u);
  EXPECT_EQ(Verdict(kExample, blif, false), 1);
}

TEST(LongDistance, MergedLiteralInTheConditionOfAReduction) {
  // E e  A u  E t  A w: (e u t w) (-e -u t w) (-t). Line 4 merges u and
  // reduces w: its condition is t | (u = phase), a node of its own.
  const char *formula = "p cnf 4 3\ne 1 0\na 2 0\ne 3 0\na 4 0\n1 2 3 4 0\n-1 -2 3 4 0\n-3 0\n";
  const char *proof =
      "p qrp 4 3\ne 1 0\na 2 0\ne 3 0\na 4 0\n1 1 2 3 4 0 0\n2 -1 -2 3 4 0 0\n3 -3 0 0\n"
      "4 3 2 -2 0 1 2 0\n5 0 4 3 0\nr UNSAT\n";
  const std::string blif = Replay_certificate(proof, 3, true);
  ASSERT_NE(blif, "");
  EXPECT_NE(blif.find(" ldx0 cl0\n"), std::string::npos) << blif;
  EXPECT_EQ(Verdict(formula, blif, false), 1);
}

TEST(LongDistance, CubeMergeOfATrueFormula) {
  // The example's dual: A a e  E u  A t with the matrix T1 | T2 | T3 | T4
  // (T1 = -e -u -t, T2 = e u -t, T3 = -a t, T4 = a -u) in CNF. Cubes 1 and
  // 2 resolve on e, merging u with the phase ITE(e, 1, 0) = e; the model is
  // u = -a & e.
  const std::vector<std::vector<int>> terms = {{-2, -3, -4}, {2, 3, -4}, {-1, 4}, {1, -3}};
  std::string formula;
  int clauses = 0;
  for (int x : terms[0])
    for (int y : terms[1])
      for (int z : terms[2])
        for (int w : terms[3]) {
          const std::vector<int> c = {x, y, z, w};
          bool tautology = false;
          for (int p : c)
            for (int q : c) tautology |= p == -q;
          if (tautology) continue;
          for (int p : c) formula += std::to_string(p) + " ";
          formula += "0\n", ++clauses;
        }
  formula = "p cnf 4 " + std::to_string(clauses) + "\na 1 2 0\ne 3 0\na 4 0\n" + formula;
  const char *proof =
      "p qrp 4 0\na 1 2 0\ne 3 0\na 4 0\n1 -2 -3 -4 0 0\n2 2 3 -4 0 0\n3 -1 4 0 0\n4 1 -3 0 0\n"
      "5 3 -3 -4 0 2 1 0\n6 -1 0 5 3 0\n7 1 0 4 0\n8 0 6 7 0\nr SAT\n";
  ld_phases_ phases;
  const std::string blif = Replay_certificate(proof, 4, true, &phases);
  ASSERT_NE(blif, "");
  ASSERT_EQ(phases.nodes.size(), 1u);
  EXPECT_EQ(phases.nodes[0].then_phase, 1);
  EXPECT_EQ(Verdict(formula, blif, true), 1);
}

}  // namespace
