// Reading of proof steps in the 'qbc', 'qube' and 'qrp' dialects, and the
// resolution step with universal or existential reduction.
//
// The reader ends every read that meets the end of input, a word that is not
// a number where a number belongs, a clause id outside the clause list or a
// variable outside the table with result 0 (proof format mismatch).
#include <algorithm>
#include <string>

#include "binary_trace.h"
#include "records.h"

int Read_numbers(text_reader_ *in, const std::vector<literal_short_> *vars,
                 std::vector<int> *numbers) {
  numbers->clear();
  int n;
  for (;;) {
    if (Read_int(in, &n) != 1) return 0;
    if (n == 0) return 1;
    if (!Names_entry(*vars, n)) return 0;
    numbers->push_back(n);
  }
}

namespace {

// Whether a clause id names an entry of `clauses`.
bool Valid_id(const clause_db_ *clauses, long long id) {
  return id >= 1 && id <= static_cast<long long>(clauses->size());
}

// Reads numbers up to and including a 0, ignoring them.
int Skip_list(text_reader_ *in) {
  int v;
  do {
    if (Read_int(in, &v) != 1) return 0;
  } while (v != 0);
  return 1;
}

// Appends the literals of checked numbers in file order, dropping those of
// excluded variables.
void Append_literals(const std::vector<literal_short_> *vars, const std::vector<int> &numbers,
                     clause_short_ *into) {
  Reserve_written(&into->lits, into->lits.size() + numbers.size());
  for (int n : numbers) {
    if (Is_quantified(Entry_of(*vars, n))) Push_literal(&into->lits, *vars, n);
  }
}

// Buffers reused from call to call: the numbers of the list being read,
// one 'qrp' line's literals, and the parent clause of a resolution.
std::vector<int> &Line_numbers() {
  static thread_local std::vector<int> numbers;
  return numbers;
}
clause_short_ &Fresh_line() {
  static thread_local clause_short_ fresh;
  return fresh;
}
std::vector<literal_short_> &Parent_literals() {
  static thread_local std::vector<literal_short_> a;
  return a;
}

int Read_literals(text_reader_ *in, const std::vector<literal_short_> *vars, clause_short_ *into) {
  if (!Read_numbers(in, vars, &Line_numbers())) return 0;
  Append_literals(vars, Line_numbers(), into);
  return 1;
}

int Read_qbc_step(text_reader_ *proof, const std::vector<literal_short_> *vars,
                  const clause_db_ *clauses, clause_short_ *first, clause_short_ *second,
                  int *step_id) {
  std::string_view w;
  if (Read_word(proof, &w) != 1) return 0;
  if (w == "CONCLUDE") return -1;
  int id = Word_id(w);
  // Ids must grow, or later steps would be filed under the wrong ids; the
  // gap is filled with placeholders, so it must stay within reason.
  if (id <= static_cast<long long>(clauses->size()) ||
      size_t(id) - clauses->size() > Reader_budget(proof))
    return 0;
  *step_id = id;
  if (Read_word(proof, &w) != 1 || w != "*") return 0;
  int a, b, extra;
  if (Read_int(proof, &a) != 1 || Read_int(proof, &b) != 1 || Read_int(proof, &extra) != 1)
    return 0;
  if (!Valid_id(clauses, a) || !Valid_id(clauses, b)) return 0;
  Db_get(*clauses, *vars, size_t(a - 1), first);
  Db_get(*clauses, *vars, size_t(b - 1), second);
  return 1;
}

// Header of a "[NOGOOD" block: the chain's starting clause goes to `first`.
int Read_nogood_header(text_reader_ *proof, const std::vector<literal_short_> *vars,
                       const clause_db_ *clauses, clause_short_ *first, clause_short_ *second) {
  int x, n;
  if (Read_int(proof, &x) != 1 || Read_int(proof, &x) != 1 || !Skip_list(proof)) return 0;
  if (Read_int(proof, &n) != 1) return 0;
  if (!Valid_id(clauses, n) || !Skip_list(proof)) return 0;
  Db_get(*clauses, *vars, size_t(n - 1), first);
  second->lits.clear();
  return 1;
}

// Header of a "[GOOD" block: the chain's starting cube is read into `first`.
int Read_good_header(text_reader_ *proof, const std::vector<literal_short_> *vars,
                     clause_short_ *first, clause_short_ *second, int *pivot) {
  int x;
  if (Read_int(proof, &x) != 1) return 0;
  first->lits.clear();
  second->lits.clear();
  if (!Read_literals(proof, vars, first)) return 0;
  if (Read_int(proof, &x) != 1 || !Skip_list(proof)) return 0;
  if (Read_int(proof, &x) != 1) return 0;
  if (first->lits.empty()) {
    if (!Read_literals(proof, vars, first)) return 0;
  } else if (!Skip_list(proof)) {
    return 0;
  }
  *pivot = -1;
  return 1;
}

int Read_qube_step(text_reader_ *proof, int mode, const std::vector<literal_short_> *vars,
                   clause_db_ *clauses, clause_short_ *first, clause_short_ *second, int *pivot) {
  std::string_view w;
  if (Read_word(proof, &w) != 1) return 0;
  if (w != "]") {
    const int n = Word_id(w);
    int x;
    if (!Valid_id(clauses, n) || Read_int(proof, pivot) != 1 || Read_int(proof, &x) != 1) return 0;
    Db_get(*clauses, *vars, size_t(n - 1), second);
    return 1;
  }
  if (!first->lits.empty()) Db_push(clauses, *first);
  if (mode == 2) first->recorded = second->recorded = 0;
  const char *own = mode == 1 ? "[NOGOOD" : "[GOOD";
  const char *other = mode == 1 ? "[GOOD" : "[NOGOOD";
  for (;;) {
    if (Read_word(proof, &w) != 1) return 0;
    if (w == own) break;
    if (w == "[END") return -1;
    if (w == other) Db_push_empty(clauses, 0, 1);
  }
  if (mode == 1) return Read_nogood_header(proof, vars, clauses, first, second);
  return Read_good_header(proof, vars, first, second, pivot);
}

// The words of a text 'qrp' proof.
struct qrp_text_ {
  text_reader_ *in;
  // 1 with a line id, -1 at the "r" line, 0 for an id below 1 or the end
  // of input.
  int Id(long long *id) {
    std::string_view w;
    if (Read_word(in, &w) != 1) return 0;
    if (w == "r") return -1;
    *id = Word_id(w);
    return *id >= 1;
  }
  int Literals(const std::vector<literal_short_> *vars, std::vector<int> *numbers) {
    return Read_numbers(in, vars, numbers);
  }
  int Skip_literals() { return Skip_to_zero_word(in) == 1; }
  int Number(int *v) { return Read_int(in, v) == 1; }
};

// The varints of a binary proof, with the same meaning.
struct qrp_binary_ {
  text_reader_ *in;
  int Id(long long *id) {
    uint32_t v;
    if (Read_varint(in, &v) != 1) return 0;
    if (v == 0) return Read_char(in) == 'r' ? -1 : 0;
    *id = v;
    return 1;
  }
  int Literals(const std::vector<literal_short_> *vars, std::vector<int> *numbers) {
    numbers->clear();
    // Whether an encoded literal names a table entry: not 0 or -0, and not
    // beyond -size.
    const uint32_t last = uint32_t(2 * vars->size() + 1);
    auto names_entry = [last](uint32_t x) { return x > 1 && x <= last; };
    for (;;) {
      // Straight from the buffer while a longest varint fits.
      const unsigned char *p = reinterpret_cast<const unsigned char *>(in->data + in->at);
      const unsigned char *const end = reinterpret_cast<const unsigned char *>(in->data + in->end);
      while (end - p >= 5) {
        uint32_t x;
        const size_t len = Decode_varint(p, &x);
        if (!len) return 0;
        p += len;
        if (x == 0) {
          in->at = size_t(reinterpret_cast<const char *>(p) - in->data);
          return 1;
        }
        if (!names_entry(x)) return 0;
        numbers->push_back(Varint_literal(x));
      }
      in->at = size_t(reinterpret_cast<const char *>(p) - in->data);
      // Near the end of the buffer: through the reader, which refills it.
      uint32_t x;
      if (Read_varint(in, &x) != 1) return 0;
      if (x == 0) return 1;
      if (!names_entry(x)) return 0;
      numbers->push_back(Varint_literal(x));
    }
  }
  int Skip_literals() { return Bin_skip_list(in) == 1; }
  int Number(int *v) {
    uint32_t x;
    if (Read_varint(in, &x) != 1) return 0;
    *v = int(x);
    return 1;
  }
};

// Whether a line of the trace is in the core; 0 also when the trace holds
// another line here than the first pass read (it changed in between).
int Core_line(core_filter_ *core, long long id, bool *kept) {
  const trace_lines_ &t = *core->lines;
  if (core->next >= t.lines || Line_id(t, core->next) != id) return 0;
  *kept = t.keep[core->next++] != 0;
  return 1;
}

// Releases the antecedents that the core line just read (the last one
// read) reads the last time.
void Release_read(core_filter_ *core, clause_db_ *clauses, int a1, int a2) {
  const trace_lines_ &t = *core->lines;
  const int line = int(core->next) - 1;
  for (int a : {a1, a2}) {
    if (a <= 0) continue;
    const long k = Line_index(t, a);
    if (k >= 0 && t.last_use[size_t(k)] == line) Db_release(clauses, size_t(a - 1));
  }
}

// Whether an antecedent of a core line is a core line itself.
bool In_core(const core_filter_ *core, int id) {
  const long k = Line_index(*core->lines, id);
  return k >= 0 && core->lines->keep[size_t(k)];
}

template <class Tokens>
int Read_qrp_step(Tokens tokens, int mode, const std::vector<literal_short_> *vars,
                  clause_db_ *clauses, clause_short_ *first, clause_short_ *second, int *pending_id,
                  core_filter_ *core, int *last_empty, int *ants) {
  // The resolvent filed here stays in `first` until a line is handed over:
  // a line that resolves it again (a chain) takes it from there.
  long long filed = 0;
  if (!first->lits.empty()) {
    Db_push(clauses, *first);
    filed = static_cast<long long>(clauses->size());
  }
  // Marks: 0 for the constraints this mode replays (clauses in mode 3, cubes
  // in mode 4), 1 for the other kind, in mode 4 stored inverted.
  const int own_mark = mode == 3 ? 0 : 1;
  clause_short_ &fresh = Fresh_line();
  for (;;) {
    fresh.lits.clear();
    fresh.recorded = 0;
    fresh.mark = own_mark;
    long long id;
    if (*pending_id > 0) {
      id = *pending_id;
      *pending_id = -1;
    } else {
      const int got = tokens.Id(&id);
      if (got < 0) return core && core->next != core->lines->lines ? 0 : -1;
      if (got == 0) return 0;
    }
    bool kept = true;
    if (core && !Core_line(core, id, &kept)) return 0;
    int a1, a2, close;
    if (!kept) {
      // A line the last one does not depend on: read past it. The gap it
      // leaves is filled like any other when the next kept line comes.
      if (!tokens.Skip_literals()) return 0;
      do {
        if (!tokens.Number(&a1)) return 0;
      } while (a1 != 0);
      continue;
    }
    // Ids must grow, or lines would be filed under the wrong ids; the gap is
    // filled with placeholders, so it must stay within reason.
    if (id <= static_cast<long long>(clauses->size()) ||
        size_t(id) - clauses->size() > Reader_budget(tokens.in))
      return 0;
    if (static_cast<long long>(clauses->size()) < id - 1)
      Db_push_empty(clauses, own_mark, size_t(id - 1) - clauses->size());
    // The literals count only on lines without antecedents: a derived
    // clause is stored as the replay computes it, or empty.
    std::vector<int> &numbers = Line_numbers();
    if (!tokens.Literals(vars, &numbers)) return 0;
    if (!tokens.Number(&a1)) return 0;
    if (a1 == 0) {
      size_t kept = 0;
      if (mode == 3 && *pending_id == 0) {
        fresh.mark = 1;
        Db_push(clauses, fresh);
      } else {
        kept = Db_push_read(clauses, *vars, numbers, fresh.mark);
      }
      *last_empty = fresh.mark == own_mark && kept == 0;
      continue;
    }
    if (!tokens.Number(&a2)) return 0;
    // At most two antecedents: the list must close after the second.
    if (a2 != 0 && (!tokens.Number(&close) || close != 0)) return 0;
    if (!Valid_id(clauses, a1) || (a2 && !Valid_id(clauses, a2))) return 0;
    if (core && (!In_core(core, a1) || (a2 && !In_core(core, a2)))) return 0;
    const int mark1 = Db_mark(*clauses, size_t(a1 - 1));
    bool replayed = mode == 3 ? mark1 != 1 : mark1 != 0;
    if (replayed) {
      ants[0] = a1;
      ants[1] = a2;
      if (a2 == filed)
        *second = *first;
      else if (a2)
        Db_get(*clauses, *vars, size_t(a2 - 1), second);
      else
        *second = fresh;
      if (a1 != filed) Db_get(*clauses, *vars, size_t(a1 - 1), first);
      if (core) Release_read(core, clauses, a1, a2);
      return 1;
    }
    if (core) Release_read(core, clauses, a1, a2);
    fresh.mark = 1 - own_mark;
    Db_push(clauses, fresh);
    *last_empty = 0;
  }
}

}  // namespace

void Release_replay_scratch() {
  std::vector<int>().swap(Line_numbers());
  Fresh_line() = clause_short_();
  std::vector<literal_short_>().swap(Parent_literals());
}

int Get_resolve_clauses(text_reader_ *proof, int mode, std::vector<literal_short_> *vars,
                        clause_db_ *clauses, clause_short_ *first, clause_short_ *second,
                        int *pivot, int *step_id, int *pending_id) {
  switch (mode) {
    case 0: return Read_qbc_step(proof, vars, clauses, first, second, step_id);
    case 1:
    case 2: return Read_qube_step(proof, mode, vars, clauses, first, second, pivot);
    case 3:
    case 4: {
      int last_empty = 0, ants[2];
      return Read_qrp_step(qrp_text_{proof}, mode, vars, clauses, first, second, pending_id,
                           nullptr, &last_empty, ants);
    }
    default: return 0;
  }
}

int Get_qrp_clauses(text_reader_ *proof, int mode, int binary, core_filter_ *core,
                    std::vector<literal_short_> *vars, clause_db_ *clauses, clause_short_ *first,
                    clause_short_ *second, int *pending_id, int *last_empty, int *ants) {
  if (binary)
    return Read_qrp_step(qrp_binary_{proof}, mode, vars, clauses, first, second, pending_id, core,
                         last_empty, ants);
  return Read_qrp_step(qrp_text_{proof}, mode, vars, clauses, first, second, pending_id, core,
                       last_empty, ants);
}

namespace {

// The limit position T for clause resolution (false modes).
int Clause_limit(const std::vector<literal_short_> &a, const std::vector<literal_short_> &b) {
  if (a.empty() && b.empty()) return 0;
  if (a.empty()) return b[0].quant == 0 ? b[0].pos : 0;
  if (b.empty()) return a[0].quant == 0 ? a[0].pos : 0;
  if (a[0].var == b[0].var && a[0].sign == -b[0].sign) {
    int t = a.size() > 1 && a[1].quant == 0 && a[1].pos >= 0 ? a[1].pos : 0;
    return b.size() > 1 && b[1].quant == 0 && b[1].pos >= t ? b[1].pos : t;
  }
  return std::max(std::max(a[0].pos, b[0].pos), 0);
}

// `ordered`: the list holds its existential literals before its universal
// ones, as the 'qrp' readers and the resolvents keep it; a cube's many
// existential literals are then passed over by halving.
size_t First_universal(const std::vector<literal_short_> &l, bool ordered) {
  if (ordered) {
    const size_t i =
        size_t(std::partition_point(l.begin(), l.end(),
                                    [](const literal_short_ &e) { return e.quant != 1; }) -
               l.begin());
    assert(std::find_if(l.begin(), l.end(), [](const literal_short_ &e) { return e.quant == 1; }) ==
           l.begin() + long(i));
    return i;
  }
  size_t i = 0;
  while (i < l.size() && l[i].quant != 1) ++i;
  return i;
}

// The limit position T for cube resolution (true modes).
int Cube_limit(const std::vector<literal_short_> &a, const std::vector<literal_short_> &b,
               bool ordered) {
  size_t ia = First_universal(a, ordered), ib = First_universal(b, ordered);
  bool has_a = ia < a.size(), has_b = ib < b.size();
  if (!has_b) return has_a ? a[ia].pos : 0;
  if (!has_a) return b[ib].pos;
  if (a[ia].pos != b[ib].pos) return std::max(a[ia].pos, b[ib].pos);
  if (a[ia].sign == b[ib].sign) return a[ia].pos;
  int t = 0;
  bool any = false;
  if (ia + 1 < a.size()) t = a[ia + 1].pos, any = true;
  if (ib + 1 < b.size()) t = any ? std::max(t, b[ib + 1].pos) : b[ib + 1].pos;
  return t;
}

}  // namespace

int Resolution(std::vector<literal_short_> *vars, clause_short_ *first, const clause_short_ *second,
               int mode, clause_short_ *reduced, int weigh) {
  // The parent's literals are moved out so `first` can take the resolvent.
  std::vector<literal_short_> &a = Parent_literals();
  a.swap(first->lits);
  std::vector<literal_short_> &r = first->lits;
  std::vector<literal_short_> &o = reduced->lits;
  const std::vector<literal_short_> &b = second->lits;
  r.clear();
  o.clear();
  const bool true_mode = True_mode(mode);
  const int reducible = true_mode ? 0 : 1;
  // The 'qube' lists keep the order of the file, which may be any.
  const int t = true_mode ? Cube_limit(a, b, mode == 4) : Clause_limit(a, b);
  auto emit = [&](const literal_short_ &x) {
    if (x.quant == reducible && x.pos >= t)
      o.push_back(x);
    else
      r.push_back(x);
  };
  bool clashed = false;
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const literal_short_ &x = a[i], &y = b[j];
    if (x.quant < y.quant || (x.quant == y.quant && x.pos > y.pos)) {
      emit(x);
      ++i;
    } else if (y.quant < x.quant || (x.quant == y.quant && y.pos > x.pos)) {
      emit(y);
      ++j;
    } else {
      if (x.quant == reducible && x.pos >= t) {
        o.push_back(x);
      } else if (x.sign == y.sign) {
        r.push_back(x);
      } else {
        if (clashed) return 0;
        clashed = true;
      }
      ++i;
      ++j;
    }
  }
  for (; i < a.size(); ++i) emit(a[i]);
  for (; j < b.size(); ++j) emit(b[j]);
  if (weigh && !o.empty()) {
    for (const literal_short_ &l : r)
      if (l.quant == reducible) (*vars)[size_t(l.var - 1)].weight += int32_t(o.size());
  }
  return 1;
}
