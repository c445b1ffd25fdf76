// The semantics by SAT: the network's nodes as clauses (Tseitin), then
// CaDiCaL. A false formula: one solve of the network and the matrix. A true
// formula: one solve of "some matrix clause is false", and when that takes
// too long, one incremental solve per matrix clause.
#include <algorithm>
#include <cadical.hpp>

#include "network.h"

namespace {

// Adds o <-> AND(lits) (o a literal).
void Define_and(CaDiCaL::Solver *solver, int o, const std::vector<int> &lits) {
  for (int l : lits) {
    solver->add(-o);
    solver->add(l);
    solver->add(0);
  }
  solver->add(o);
  for (int l : lits) solver->add(-l);
  solver->add(0);
}

void Encode(const network_ &n, const std::vector<int> &order, CaDiCaL::Solver *solver) {
  solver->reserve(int(n.Signals()) + int(n.nodes.size()));
  int next = int(n.Signals());
  std::vector<int> lits, rows;
  for (int k : order) {
    const node_ &node = n.nodes[size_t(k)];
    // t: the rows' disjunction; the output is t, or not t for an off-set.
    const int t = node.on_set ? node.out : -node.out;
    rows.clear();
    bool always = false, done = false;
    for (uint64_t r = node.first_row; r < node.first_row + node.rows && !always && !done; ++r) {
      lits.clear();
      for (uint64_t i = n.row_start[r]; i < n.row_start[r + 1]; ++i)
        lits.push_back(n.lits[i] & 1 ? -(n.lits[i] >> 1) : n.lits[i] >> 1);
      if (lits.empty()) {
        always = true;
      } else if (lits.size() == 1) {
        rows.push_back(lits[0]);
      } else if (node.rows == 1) {
        Define_and(solver, t, lits);
        done = true;
      } else {
        Define_and(solver, ++next, lits);
        rows.push_back(next);
      }
    }
    if (always) {
      solver->add(t);
      solver->add(0);
    } else if (node.rows == 0) {
      solver->add(-t);
      solver->add(0);
    } else if (!done) {
      // t <-> OR(rows)
      solver->add(-t);
      for (int r : rows) solver->add(r);
      solver->add(0);
      for (int r : rows) {
        solver->add(t);
        solver->add(-r);
        solver->add(0);
      }
    }
  }
}

std::string Assignment(CaDiCaL::Solver *solver, const std::vector<int> &inputs) {
  std::string text;
  for (int v : inputs)
    text += (text.empty() ? "" : " ") + std::to_string(v) + "=" + (solver->val(v) > 0 ? "1" : "0");
  return text;
}

// A true formula's counterexample: selector s_c stands for "clause c is
// false" (it implies the negation of each literal), and `all` for "some
// clause is false" (it implies the disjunction of the selectors).
struct selectors_ {
  int all = 0;
  std::vector<int> of;  // by clause
};

selectors_ Encode_selectors(const clause_db_ &m, CaDiCaL::Solver *solver) {
  selectors_ s;
  int next = solver->vars();
  s.all = ++next;
  s.of.resize(m.slots());
  for (size_t c = 0; c < m.slots(); ++c) {
    s.of[c] = ++next;
    for (uint64_t i = m.lit_start[c]; i < m.lit_start[c + 1]; ++i) {
      solver->add(-s.of[c]);
      solver->add(-m.lits[i]);
      solver->add(0);
    }
  }
  solver->add(-s.all);
  for (int x : s.of) solver->add(x);
  solver->add(0);
  return s;
}

// The first clause that the solver's model falsifies, in *reason.
int Counterexample(CaDiCaL::Solver *solver, const clause_db_ &m, const std::vector<int> &inputs,
                   std::string *reason) {
  for (size_t c = 0; c < m.slots(); ++c) {
    bool holds = false;
    for (uint64_t i = m.lit_start[c]; i < m.lit_start[c + 1]; ++i)
      holds |= solver->val(m.lits[i]) > 0;
    if (!holds)
      return *reason =
                 "clause " + std::to_string(c + 1) + " is false when " + Assignment(solver, inputs),
             0;
  }
  return *reason = "CaDiCaL found a model that falsifies no clause", -1;
}

}  // namespace

int Sat_check(const check_formula_ &f, const network_ &n, const std::vector<int> &order,
              std::string *reason, int first_conflicts) {
  const std::vector<int> inputs = Check_inputs(f, n, order);
  const clause_db_ &m = f.clauses;
  if (f.certified == 1) {
    CaDiCaL::Solver solver;
    Encode(n, order, &solver);
    for (size_t c = 0; c < m.slots(); ++c) {
      for (uint64_t i = m.lit_start[c]; i < m.lit_start[c + 1]; ++i) solver.add(m.lits[i]);
      solver.add(0);
    }
    const int result = solver.solve();
    if (result == 20) return 1;
    if (result != 10) return *reason = "CaDiCaL gave no answer", -1;
    *reason = "the matrix holds when " + Assignment(&solver, inputs);
    return 0;
  }
  // A true formula: first one solve of "some clause is false", which
  // shares what it learns among the clauses, within limits.
  if (first_conflicts > 0) {
    CaDiCaL::Solver solver;
    Encode(n, order, &solver);
    const selectors_ s = Encode_selectors(m, &solver);
    solver.assume(s.all);
    solver.limit("conflicts", first_conflicts);
    // A conflict may come only once the whole network is assigned (then
    // every selector is false), so that the phase would take conflicts
    // times the size: its decisions are bounded. Where it pays, it needs
    // few (k_ph_n-11: 54,834 decisions for 8,159 conflicts).
    solver.limit("decisions", int(std::min(2.0 * (solver.vars() + double(m.slots())), 2e5)));
    const int first = solver.solve();
    if (first == 20) return 1;
    if (first == 10) return Counterexample(&solver, m, inputs, reason);
  }
  // Then one solve per clause, on a solver of its own without variable
  // elimination: the solves' conflicts would schedule it again and again,
  // each time over the whole network.
  CaDiCaL::Solver solver;
  solver.set("elim", 0);
  Encode(n, order, &solver);
  const selectors_ s = Encode_selectors(m, &solver);
  for (size_t c = 0; c < m.slots(); ++c) {
    solver.assume(-s.all);
    solver.assume(s.of[c]);
    const int result = solver.solve();
    if (result == 20) continue;
    if (result != 10) return *reason = "CaDiCaL gave no answer", -1;
    return Counterexample(&solver, m, inputs, reason);
  }
  return 1;
}
