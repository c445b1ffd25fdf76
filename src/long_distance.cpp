// Long-distance Q-resolution: resolvents that merge a variable, the phase
// network that says what a merged literal stands for, and the BLIF nodes
// that carry phases into the certificate.
//
// A plain literal u has phase 1, -u phase 0, and a merged u (both signs, in
// a clause; an existential in a cube) the phase of the resolution that
// merged it. A clause resolution on the pivot p of A (holding p) and B
// (holding -p) may merge u only when u is quantified after p; its phase is
// then ITE(p, phase in B, phase in A): where p is true, A is satisfied and
// the countermodel follows B's reason. A cube resolution on the universal
// pivot p is the dual: where p is true, B (holding -p) is falsified, and
// the model follows A: ITE(p, phase in A, phase in B).
#include "long_distance.h"

#include <algorithm>

#include "records.h"

int Ld_phase(ld_phases_ *phases, int pivot, int then_phase, int else_phase) {
  const uint64_t key = uint64_t(uint32_t(pivot)) << 42 ^ uint64_t(uint32_t(then_phase)) << 21 ^
                       uint64_t(uint32_t(else_phase));
  auto it = phases->node_of.find(key);
  if (it != phases->node_of.end()) {
    const ld_node_ &n = phases->nodes[size_t(it->second - 2)];
    if (n.pivot == pivot && n.then_phase == then_phase && n.else_phase == else_phase)
      return it->second;
  }
  phases->nodes.push_back({pivot, then_phase, else_phase});
  const int id = int(phases->nodes.size()) + 1;
  phases->node_of[key] = id;
  return id;
}

namespace {

int Phase_of(const literal_short_ &l) { return Is_merged(l) ? l.weight : l.sign > 0 ? 1 : 0; }

bool Same_variable(const literal_short_ &x, const literal_short_ &y) {
  return x.quant == y.quant && x.pos == y.pos;
}

// Whether x comes before y in the order every clause keeps.
bool Before(const literal_short_ &x, const literal_short_ &y) {
  return x.quant < y.quant || (x.quant == y.quant && x.pos > y.pos);
}

}  // namespace

int Resolution_ld(std::vector<literal_short_> *vars, clause_short_ *first,
                  const clause_short_ *second, int mode, clause_short_ *reduced, ld_phases_ *phases,
                  int weigh) {
  const bool cubes = True_mode(mode);
  // Merged and reduced: universal variables of clauses, existential ones of
  // cubes. The pivot is of the other kind.
  const int mergeable = cubes ? 0 : 1;
  static thread_local std::vector<literal_short_> a;
  a.assign(first->lits.begin(), first->lits.end());
  const std::vector<literal_short_> &b = second->lits;
  // The pivot: the one variable of the other kind with opposite signs.
  const literal_short_ *pivot = nullptr;
  bool a_holds_p = false;
  for (size_t i = 0, j = 0; i < a.size() && j < b.size();) {
    if (Before(a[i], b[j])) {
      ++i;
    } else if (Before(b[j], a[i])) {
      ++j;
    } else {
      if (a[i].quant != mergeable && a[i].sign != b[j].sign) {
        if (pivot) return 0;
        pivot = &a[i];
        a_holds_p = a[i].sign > 0;
      }
      ++i, ++j;
    }
  }
  std::vector<literal_short_> &r = first->lits;
  std::vector<literal_short_> &o = reduced->lits;
  r.clear();
  o.clear();
  // The resolvent, merging where the phases differ.
  for (size_t i = 0, j = 0; i < a.size() || j < b.size();) {
    if (j == b.size() || (i < a.size() && Before(a[i], b[j]))) {
      r.push_back(a[i++]);
    } else if (i == a.size() || Before(b[j], a[i])) {
      r.push_back(b[j++]);
    } else {
      const literal_short_ &x = a[i], &y = b[j];
      ++i, ++j;
      if (pivot && Same_variable(x, *pivot)) continue;
      const int px = Phase_of(x), py = Phase_of(y);
      if (px == py) {
        r.push_back(x);
        continue;
      }
      // Only a variable of the mergeable kind quantified after the pivot.
      if (x.quant != mergeable || !pivot || x.level <= pivot->level || x.var >= (1 << 28)) return 0;
      // phase in A (the parent holding p) and in B.
      const int in_a = a_holds_p ? px : py, in_b = a_holds_p ? py : px;
      literal_short_ m = x;
      m.sign = 0;
      m.weight = cubes ? Ld_phase(phases, pivot->var, in_a, in_b)
                       : Ld_phase(phases, pivot->var, in_b, in_a);
      r.push_back(m);
    }
  }
  // Reduction: literals of the mergeable kind beyond every literal of the
  // other kind go, a merged one as a whole.
  int limit = -1;
  for (const literal_short_ &l : r)
    if (l.quant != mergeable) limit = std::max(limit, l.pos);
  size_t kept = 0;
  first->merged = reduced->merged = 0;
  for (size_t i = 0; i < r.size(); ++i) {
    if (r[i].quant == mergeable && r[i].pos > limit) {
      reduced->merged |= Is_merged(r[i]);
      o.push_back(r[i]);
    } else {
      first->merged |= Is_merged(r[i]);
      r[kept++] = r[i];
    }
  }
  r.resize(kept);
  if (weigh && !o.empty()) {
    for (const literal_short_ &l : r)
      if (l.quant == mergeable) (*vars)[size_t(l.var - 1)].weight += int32_t(o.size());
  }
  return 1;
}

namespace {

void Put_phase_signal(text_writer_ *out, int phase) {
  Put_str(out, "ldp");
  Put_int(out, phase);
}

void Put_row(text_writer_ *out, const char *row) {
  Put_str(out, row);
  Put_char(out, '\n');
}

}  // namespace

void Put_ld_literal(text_writer_ *out, ld_phases_ *phases, int var, int phase) {
  const uint64_t key = uint64_t(uint32_t(var)) << 32 | uint32_t(phase);
  auto it = phases->literal_of.find(key);
  int index;
  if (it == phases->literal_of.end()) {
    index = int(phases->literals.size());
    phases->literals.push_back({var, phase});
    phases->literal_of.emplace(key, index);
  } else {
    index = it->second;
  }
  Put_str(out, "ldx");
  Put_int(out, index);
}

void Write_ld_nodes(text_writer_ *out, const ld_phases_ *phases) {
  // Phase k: ITE(pivot, then, else), constants folded in.
  for (size_t k = 0; k < phases->nodes.size(); ++k) {
    const ld_node_ &n = phases->nodes[k];
    const int t = n.then_phase, e = n.else_phase;
    Put_str(out, ".names ");
    Put_int(out, n.pivot);
    if (t >= 2) Put_char(out, ' '), Put_phase_signal(out, t);
    if (e >= 2) Put_char(out, ' '), Put_phase_signal(out, e);
    Put_char(out, ' ');
    Put_phase_signal(out, int(k) + 2);
    Put_char(out, '\n');
    if (t >= 2 && e >= 2) {
      Put_row(out, "11- 1");
      Put_row(out, "0-1 1");
    } else if (t >= 2) {
      Put_row(out, "11 1");
      if (e == 1) Put_row(out, "0- 1");
    } else if (e >= 2) {
      Put_row(out, t == 1 ? "1- 1" : "01 1");
      if (t == 1) Put_row(out, "-1 1");
    } else {
      Put_row(out, t == 1 ? "1 1" : "0 1");
    }
  }
  // Merged literal j: its variable equals its phase.
  for (size_t j = 0; j < phases->literals.size(); ++j) {
    Put_str(out, ".names ");
    Put_int(out, phases->literals[j].first);
    Put_char(out, ' ');
    Put_phase_signal(out, phases->literals[j].second);
    Put_str(out, " ldx");
    Put_int(out, int(j));
    Put_str(out, "\n11 1\n00 1\n");
  }
}

int Merged_phase(const step_store_ *steps, size_t step, int var) {
  int phase = -1;
  For_each_stored(steps->reduced.data() + steps->reduced_start[step],
                  steps->reduced.data() + steps->reduced_start[step + 1],
                  [&](const stored_literal_ &l) {
                    if (l.var == var && l.sign == 0) phase = l.phase;
                  });
  return phase;
}

namespace {

// Multiplexer k of a variable's list: the variable itself for the first.
void Put_mux_signal(text_writer_ *out, int var, size_t k) {
  if (k == 0) return Put_int(out, var);
  Put_str(out, "ldm");
  Put_int(out, var);
  Put_char(out, 'a');
  Put_int(out, int(k));
}

}  // namespace

void Write_partial_ld(text_writer_ *out, const step_store_ *steps, const int *list, size_t count,
                      int var, int mode, int *alternations) {
  const bool model = True_mode(mode);
  // A step is active where its node is 1 in a model, 0 in a countermodel.
  const char active = model ? '1' : '0', inactive = model ? '0' : '1';
  for (size_t k = count; k-- > 0;) {
    const size_t step = size_t(std::abs(list[k])) - 1;
    // The value entry k decides: a constant, or a phase node (its
    // complement in a countermodel, where the removed literal is falsified).
    const int phase = Merged_phase(steps, step, var);
    const bool constant = phase < 0;
    const char value = constant ? ((list[k] > 0) == model ? '1' : '0') : model ? '1' : '0';
    Put_str(out, ".names cl");
    Put_int(out, int(step));
    if (!constant) Put_char(out, ' '), Put_phase_signal(out, phase);
    const bool last = k + 1 == count;
    if (!last) Put_char(out, ' '), Put_mux_signal(out, var, k + 1);
    Put_char(out, ' ');
    Put_mux_signal(out, var, k);
    Put_char(out, '\n');
    // Active: the entry's value; else the rest of the list, or after the
    // last entry the value it does not decide.
    const char other = value == '1' ? '0' : '1';
    if (constant) {
      if (last) {
        Put_char(out, value == '1' ? active : inactive);
        Put_str(out, " 1\n");
      } else {
        if (value == '1') Put_char(out, active), Put_str(out, "- 1\n");
        Put_char(out, inactive);
        Put_str(out, "1 1\n");
      }
    } else if (last) {
      Put_char(out, active), Put_char(out, value), Put_str(out, " 1\n");
      Put_char(out, inactive), Put_char(out, other), Put_str(out, " 1\n");
    } else {
      Put_char(out, active), Put_char(out, value), Put_str(out, "- 1\n");
      Put_char(out, inactive), Put_str(out, "-1 1\n");
    }
    *alternations += 1;
  }
}
