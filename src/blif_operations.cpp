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
  const char f = char('0' + dg.f), t = char('0' + dg.t);
  const int *l = steps;
  const int n = int(count);
  const bool base_negative = l[size_t(n - 1)] < 0;
  // "new<var>a" is formatted once per chain. The number after it is
  // formatted where it goes: copied from a buffer just written byte by
  // byte, it would wait for those stores (a 16-byte load cannot take them).
  char prefix[32] = "new";
  const size_t prefix_len = size_t(Format_int(prefix + 3, var) + 1 - prefix);
  prefix[prefix_len - 1] = 'a';
  put_cursor_ c(out);
  c.Room();
  c.Str(".names cl");
  c.Int(std::abs(l[size_t(n - 1)]) - 1);
  int i = n - 2;
  int d = l[size_t(i)] > 0 ? 1 : -1;
  bool first_node = true;
  for (;;) {
    int run = 0;
    for (; i >= 0 && (l[size_t(i)] > 0 ? 1 : -1) == d; --i, ++run) {
      c.Room();
      c.Str(" cl");
      c.Int(std::abs(l[size_t(i)]) - 1);
    }
    *alternations += increment;
    c.Room();
    c.Char(' ');
    if (i >= 0) {
      c.Short(prefix, prefix_len);
      c.Int(i);
    } else {
      c.Int(var);
    }
    c.Char('\n');
    const bool flipped = first_node && base_negative;
    c.Char(d > 0 ? (flipped ? t : f) : (flipped ? f : t));
    c.Fill(f, size_t(run));
    c.Room();
    c.Char(' ');
    c.Char(d > 0 ? f : t);
    c.Char('\n');
    if (i < 0) break;
    c.Str(".names ");
    c.Short(prefix, prefix_len);
    c.Int(i);
    d = -d;
    first_node = false;
  }
  c.Sync();
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
  // Names already prepared go straight through the cursor; the others, and
  // merged literals, through the writer.
  const packed_text_ *names = Names().data();
  size_t named = Names().size();
  put_cursor_ c(out);
  c.Room();
  c.Str(".names");
  for (const literal_short_ &l : lits) {
    const size_t v = size_t(l.var);
    if (!Is_merged(l) && v < named && names[v].len) {
      c.Room();
      c.Packed(names[v]);
      continue;
    }
    c.Sync();
    if (Is_merged(l)) {
      Put_char(out, ' ');
      Put_ld_literal(out, phases, l.var, l.weight);
    } else {
      Put_name(out, l.var);
      names = Names().data();
      named = Names().size();
    }
    c.Resume();
  }
  c.Room();
  c.Str(" cl");
  c.Int(int(index));
  c.Char('\n');
  // One digit per literal, in runs as long as the buffer has room: a check
  // per digit would cost as much as the digit.
  const char f = char('0' + dg.f), t = char('0' + dg.t);
  for (size_t k = 0; k < lits.size();) {
    c.Room();
    const size_t end = k + std::min(lits.size() - k, c.Free());
    for (; k < end; ++k) c.Char(lits[k].sign < 0 ? f : t);
  }
  c.Room();
  c.Char(' ');
  c.Char(t);
  c.Char('\n');
  c.Sync();
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
