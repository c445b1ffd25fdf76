// Certificate writers: the BLIF network and the RFAO text.
#include <algorithm>
#include <cassert>
#include <cstdio>
#include <cstdlib>

#include "records.h"

namespace {

// Cover digits: a countermodel is the model construction with every digit
// swapped.
struct digits_ {
  int t, f;
};

digits_ Digits(int mode) { return True_mode(mode) ? digits_{1, 0} : digits_{0, 1}; }

void Put_digit(text_writer_ *out, int d) { Put_char(out, char('0' + d)); }

void Put_constant(text_writer_ *out, const char *prefix, int id, int digit) {
  Put_str(out, prefix);
  Put_int(out, id);
  Put_char(out, '\n');
  Put_digit(out, digit);
  Put_char(out, '\n');
}

}  // namespace

void Init_blif(text_writer_ *out, const std::vector<literal_short_> *vars, int mode) {
  const int certified = Certified_quant(mode), input = 1 - certified;
  int bound = -1;
  for (const literal_short_ &e : *vars)
    if (e.quant == certified && e.pos > bound) bound = e.pos;
  Put_str(out, ".model main\n.inputs");
  for (const literal_short_ &e : *vars)
    if (e.quant == input && e.pos <= bound) {
      Put_char(out, ' ');
      Put_int(out, e.var);
    }
  Put_str(out, "\n.outputs");
  for (const literal_short_ &e : *vars)
    if (e.quant == certified && e.pos <= bound) {
      Put_char(out, ' ');
      Put_int(out, e.var);
    }
  Put_char(out, '\n');
}

void Write_partial(text_writer_ *out, const int *steps, size_t count, int var, int mode,
                   int *alternations, int increment) {
  const digits_ dg = Digits(mode);
  const int *l = steps;
  const int n = int(count);
  const bool base_negative = l[size_t(n - 1)] < 0;
  Put_str(out, ".names cl");
  Put_int(out, std::abs(l[size_t(n - 1)]) - 1);
  int i = n - 2;
  int d = l[size_t(i)] > 0 ? 1 : -1;
  bool first_node = true;
  for (;;) {
    int run = 0;
    for (; i >= 0 && (l[size_t(i)] > 0 ? 1 : -1) == d; --i, ++run) {
      Put_str(out, " cl");
      Put_int(out, std::abs(l[size_t(i)]) - 1);
    }
    *alternations += increment;
    Put_char(out, ' ');
    if (i >= 0) {
      Put_str(out, "new");
      Put_int(out, var);
      Put_char(out, 'a');
      Put_int(out, i);
    } else {
      Put_int(out, var);
    }
    Put_char(out, '\n');
    bool flipped = first_node && base_negative;
    if (d > 0)
      Put_digit(out, flipped ? dg.t : dg.f);
    else
      Put_digit(out, flipped ? dg.f : dg.t);
    for (int k = 0; k < run; ++k) Put_digit(out, dg.f);
    Put_char(out, ' ');
    Put_digit(out, d > 0 ? dg.f : dg.t);
    Put_char(out, '\n');
    if (i < 0) return;
    Put_str(out, ".names new");
    Put_int(out, var);
    Put_char(out, 'a');
    Put_int(out, i);
    d = -d;
    first_node = false;
  }
}

namespace {

// Whether some entry of a variable's list removed a merged literal of it.
bool Has_node_value(const step_store_ *steps, const int *list, size_t n, int var) {
  for (size_t k = 0; k < n; ++k)
    if (Merged_phase(steps, size_t(std::abs(list[k])) - 1, var) >= 0) return true;
  return false;
}

}  // namespace

namespace {

// " v" for the variables below 2^16, prepared as they are first named:
// step nodes name the same few variables over and over.
constexpr int kPackedNames = 1 << 16;

std::vector<packed_text_> &Names() {
  static thread_local std::vector<packed_text_> names;
  return names;
}

void Put_name(text_writer_ *out, int var) {
  std::vector<packed_text_> &names = Names();
  if (var >= kPackedNames) {
    Put_char(out, ' ');
    Put_int(out, var);
    return;
  }
  if (size_t(var) >= names.size()) names.resize(std::max(size_t(var) + 1, 2 * names.size()));
  packed_text_ &name = names[size_t(var)];
  if (!name.len) {
    char text[8] = {' '};
    name = Packed_text({text, size_t(Format_int(text + 1, var) - text)});
  }
  Put_packed(out, name);
}

}  // namespace

void Write_step_node(text_writer_ *out, const std::vector<literal_short_> &lits, size_t index,
                     int mode, ld_phases_ *phases) {
  const digits_ dg = Digits(mode);
  if (lits.empty()) return Put_constant(out, ".names cl", int(index), dg.t);
  Put_str(out, ".names");
  // Names already prepared go straight through a local pointer (a store
  // into the buffer would make the compiler load the writer's fields and
  // the table's again); the others, and merged literals, through the
  // writer, after which the locals are taken up again.
  const packed_text_ *names = Names().data();
  size_t named = Names().size();
  char *const base = out->buf.get(), *const last = base + out->size - sizeof(packed_text_);
  char *p = base + out->len;
  for (const literal_short_ &l : lits) {
    const size_t v = size_t(l.var);
    if (!Is_merged(l) && v < named && names[v].len) {
      if (p > last) {
        out->len = size_t(p - base);
        Writer_flush(out);
        p = base;
      }
      std::memcpy(p, &names[v], sizeof(packed_text_));
      p += names[v].len;
      continue;
    }
    out->len = size_t(p - base);
    if (Is_merged(l)) {
      Put_char(out, ' ');
      Put_ld_literal(out, phases, l.var, l.weight);
    } else {
      Put_name(out, l.var);
      names = Names().data();
      named = Names().size();
    }
    p = base + out->len;
  }
  out->len = size_t(p - base);
  Put_str(out, " cl");
  Put_int(out, int(index));
  Put_char(out, '\n');
  // One digit per literal, stored through a local pointer in runs as long
  // as the buffer has room: a check per digit would cost as much as the
  // digit.
  const char f = char('0' + dg.f), t = char('0' + dg.t);
  for (size_t k = 0; k < lits.size();) {
    if (out->len == out->size) Writer_flush(out);
    const size_t end = k + std::min(lits.size() - k, out->size - out->len);
    char *row = out->buf.get() + out->len;
    out->len += end - k;
    for (; k < end; ++k) *row++ = lits[k].sign < 0 ? f : t;
  }
  Put_char(out, ' ');
  Put_digit(out, dg.t);
  Put_char(out, '\n');
}

void Write_model_blif(text_writer_ *out, const std::vector<literal_short_> *vars, int mode,
                      const step_store_ *steps, const var_lists_ *var_steps, ld_phases_ *phases) {
  const digits_ dg = Digits(mode);
  const bool ld = phases && phases->Any();
  if (ld) Write_ld_nodes(out, phases);
  const int certified = Certified_quant(mode);
  int alternations = 0;
  for (const literal_short_ &e : *vars) {
    if (e.quant != certified) continue;
    const int *l = var_steps->List(size_t(e.pos));
    const size_t n = var_steps->Length(size_t(e.pos));
    if (ld && Has_node_value(steps, l, n, e.var)) {
      Write_partial_ld(out, steps, l, n, e.var, mode, &alternations);
      continue;
    }
    bool positive = false, negative = false;
    for (size_t k = 0; k < n && !(positive && negative); ++k)
      (l[k] > 0 ? positive : negative) = true;
    if (positive && negative)
      Write_partial(out, l, n, e.var, mode, &alternations, 1);
    else
      Put_constant(out, ".names ", e.var, negative ? dg.f : dg.t);
  }
  printf("    -- alternations: %d\n", alternations);
}

int Finish_blif(text_writer_ *out) {
  Put_str(out, ".end");
  return Writer_close(out);
}

int Write_model_aigmin(text_writer_ *out, const std::vector<literal_short_> *vars, int mode,
                       const step_store_ *steps, const var_lists_ *var_steps) {
  const int certified = Certified_quant(mode);
  auto pair_line = [&](bool levels) {
    for (const literal_short_ &e : *vars) {
      Put_int(out, e.pos + 1);
      Put_char(out, ' ');
      Put_int(out, levels ? e.level : e.var);
      Put_char(out, ' ');
    }
    Put_str(out, "0\n");
  };
  auto list_line = [&](const int *l, size_t n) {
    for (size_t k = 0; k < n; ++k) {
      Put_int(out, l[k]);
      Put_char(out, ' ');
    }
    Put_str(out, "0\n");
  };
  Put_str(out, True_mode(mode) ? "sat\nvars " : "unsat\nvars ");
  Put_int(out, (long long)vars->size());
  Put_char(out, '\n');
  pair_line(false);
  pair_line(true);
  Put_str(out, "nodes ");
  Put_int(out, (long long)steps->size());
  Put_char(out, '\n');
  assert(steps->keep_clauses && steps->lit_start.size() == steps->size() + 1);
  for (size_t i = 0; i < steps->size(); ++i) {
    for (uint64_t k = steps->lit_start[i]; k < steps->lit_start[i + 1]; ++k) {
      const literal_short_ l = Stored_literal(*vars, steps->lits[k]);
      Put_int(out, (l.pos + 1) * l.sign);
      Put_char(out, ' ');
    }
    Put_str(out, "0\n");
  }
  int count = 0;
  for (const literal_short_ &e : *vars) count += e.quant == certified;
  Put_str(out, "rfao ");
  Put_int(out, count);
  Put_char(out, '\n');
  for (const literal_short_ &e : *vars) {
    if (e.quant != certified) continue;
    Put_int(out, e.pos + 1);
    Put_char(out, '\n');
    list_line(var_steps->List(size_t(e.pos)), var_steps->Length(size_t(e.pos)));
  }
  return Writer_close(out);
}
