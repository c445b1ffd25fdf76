// The semantics by SAT: the network's nodes as clauses (Tseitin), then
// CaDiCaL. A false formula: one solve of the network and the matrix. A true
// formula: one solve of "some matrix clause is false", and when that takes
// too long, one incremental solve per matrix clause on the same encoding.
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

}  // namespace

int Sat_check(const check_formula_ &f, const network_ &n, const std::vector<int> &order,
              std::string *reason, int first_conflicts) {
  CaDiCaL::Solver solver;
  solver.reserve(int(n.Signals()) + int(n.nodes.size()));
  Encode(n, order, &solver);
  const std::vector<int> inputs = Check_inputs(f, n, order);
  const clause_db_ &m = f.clauses;
  if (f.certified == 1) {
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
  // A true formula: some clause false under the functions is a
  // counterexample. Selector s_c stands for "clause c is false"; first one
  // solve of their disjunction (enabled by `all`), with a conflict limit;
  // if that does not decide, one solve per clause on the same clauses.
  int next = solver.vars();
  const int all = ++next;
  std::vector<int> selector(m.slots());
  for (size_t c = 0; c < m.slots(); ++c) {
    selector[c] = ++next;
    for (uint64_t i = m.lit_start[c]; i < m.lit_start[c + 1]; ++i) {
      solver.add(-selector[c]);
      solver.add(-m.lits[i]);
      solver.add(0);
    }
  }
  solver.add(-all);
  for (int s : selector) solver.add(s);
  solver.add(0);
  auto counterexample = [&]() {
    for (size_t c = 0; c < m.slots(); ++c) {
      bool holds = false;
      for (uint64_t i = m.lit_start[c]; i < m.lit_start[c + 1]; ++i)
        holds |= solver.val(m.lits[i]) > 0;
      if (!holds)
        return *reason = "clause " + std::to_string(c + 1) + " is false when " +
                         Assignment(&solver, inputs),
               0;
    }
    return *reason = "CaDiCaL found a model that falsifies no clause", -1;
  };
  if (first_conflicts > 0) {
    solver.assume(all);
    solver.limit("conflicts", first_conflicts);
    const int first = solver.solve();
    if (first == 20) return 1;
    if (first == 10) return counterexample();
  }
  for (size_t c = 0; c < m.slots(); ++c) {
    solver.assume(-all);
    solver.assume(selector[c]);
    const int result = solver.solve();
    if (result == 20) continue;
    if (result != 10) return *reason = "CaDiCaL gave no answer", -1;
    return counterexample();
  }
  return 1;
}
