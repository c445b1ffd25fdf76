// Reads the formula of every dialect: the QDIMACS instance (mode 0), the
// formula section of a 'qube' trace (modes 1, 2), the header and prefix of a
// 'qrp' proof, text or binary (modes 3, 4). Every failure is a format
// mismatch (result 0).
#include <algorithm>
#include <string>

#include "binary_trace.h"
#include "records.h"

namespace {

// One variable as a prefix line lists it.
struct listing_ {
  int var;
  int quant;  // 0 'e', 1 'a'
  int block;
};

struct prefix_reader_ {
  text_reader_ *in;
  int binary = 0;   // a 'bqrp' trace: varints instead of words
  int certified;    // quant value that the outer limit applies to
  int outer_limit;  // N of -p
  std::vector<literal_short_> *vars;
  std::vector<listing_> listings;
  int block = 0;
  int selected = 0;
  // The input may end where the word after the prefix is due: a formula
  // without clauses, read by the certificate check (the instance reader of
  // a run wants that word).
  bool open_end = false;
};

// A table larger than the input could ever need is refused, not allocated.
int Make_table(text_reader_ *in, std::vector<literal_short_> *vars, int count) {
  if (count > 0 && size_t(count) > Reader_budget(in)) return 0;
  Assign_large(vars, count > 0 ? size_t(count) : 0, literal_short_());
  return 1;
}

// The quant a variable of quantifier q keeps under the outer limit.
int Limited_quant(prefix_reader_ *p, int q) {
  if (q != p->certified) return q;
  if (p->selected < p->outer_limit) {
    ++p->selected;
    return q;
  }
  if (p->outer_limit > 0) return -1;
  ++p->selected;
  return q;
}

// The next prefix number: 1 with it, else 0.
int Prefix_number(prefix_reader_ *p, int *v) {
  if (!p->binary) return Read_int(p->in, v) == 1;
  uint32_t x;
  if (Read_varint(p->in, &x) != 1) return 0;
  *v = int(x);
  return 1;
}

// Reads the numbers of one prefix line up to its 0. Every variable must lie
// in the table, and no more variables may be listed than the table holds.
// *listed counts the variables read.
int Read_prefix_line(prefix_reader_ *p, char quantifier, int *listed) {
  const int q = quantifier == 'a' ? 1 : 0;
  ++p->block;
  // At most one listing per table entry: room for them all at once, since
  // growing would hold two copies.
  if (p->listings.capacity() < p->vars->size()) Reserve_written(&p->listings, p->vars->size());
  int v;
  for (;;) {
    if (!Prefix_number(p, &v)) return 0;
    if (v == 0) return 1;
    if (v < 1 || size_t(v) > p->vars->size()) return 0;
    if (p->listings.size() >= p->vars->size()) return 0;
    ++*listed;
    p->listings.push_back({v, q, p->block});
  }
}

void Set_entry(prefix_reader_ *p, int v, int pos, int level, int quant) {
  literal_short_ &e = (*p->vars)[size_t(v - 1)];
  e.sign = 0;
  e.var = v;
  e.pos = pos;
  e.level = level;
  e.weight = 0;
  e.quant = quant;
}

// Fills the table from the prefix read. Every listing writes its variable's
// entry at the next position, so a variable listed twice keeps its last
// listing. A variable no prefix line lists (a free variable) is
// existential in a block outside the first line: free variables come first,
// as block 1, and the prefix's blocks follow; positions are then numbered
// densely. The outer limit counts variables in this order. Returns the
// number of blocks.
int Apply_prefix(prefix_reader_ *p) {
  const size_t n = p->vars->size();
  std::vector<int> last;  // the last listing of each variable
  Assign_large(&last, n, -1);
  for (size_t i = 0; i < p->listings.size(); ++i) last[size_t(p->listings[i].var - 1)] = int(i);
  const int free_count = int(std::count(last.begin(), last.end(), -1));
  if (free_count == 0) {
    for (size_t i = 0; i < p->listings.size(); ++i) {
      const listing_ &l = p->listings[i];
      Set_entry(p, l.var, int(i), l.block, Limited_quant(p, l.quant));
    }
    return p->block;
  }
  int pos = 0;
  for (size_t v = 1; v <= n; ++v)
    if (last[v - 1] < 0) Set_entry(p, int(v), pos++, 1, Limited_quant(p, 0));
  for (size_t i = 0; i < p->listings.size(); ++i) {
    const listing_ &l = p->listings[i];
    const int quant = Limited_quant(p, l.quant);
    if (last[size_t(l.var - 1)] == int(i)) Set_entry(p, l.var, pos++, l.block + 1, quant);
  }
  return p->block + 1;
}

// Reads prefix lines until a word that begins with neither 'a' nor 'e'; that
// word is returned in *after. With expected >= 0 (QDIMACS) the prefix also
// ends, without reading another word, once exactly that many variables have
// been listed; *after is then empty. The table is filled afterwards.
int Read_prefix(prefix_reader_ *p, int expected, std::string *after, int *block_count) {
  int listed = 0;
  after->clear();
  std::string_view w;
  for (;;) {
    if (Read_word(p->in, &w) != 1) {
      if (!p->open_end || !Reader_at_end(p->in)) return 0;
      break;
    }
    if (w[0] != 'a' && w[0] != 'e') {
      after->assign(w);
      break;
    }
    if (!Read_prefix_line(p, w[0], &listed)) return 0;
    if (expected >= 0 && listed == expected) break;
  }
  *block_count = Apply_prefix(p);
  return 1;
}

// The same for a binary trace: prefix lines until the first step, whose id
// goes to *first_id (0 when the proof ends at once).
int Read_binary_prefix(prefix_reader_ *p, int *first_id, int *block_count) {
  int listed = 0;
  for (;;) {
    const int section = Bin_next_section(p->in);
    if (section == 0) return 0;
    if (section == 's') {
      uint32_t id;
      if (Read_varint(p->in, &id) != 1) return 0;
      *first_id = int(id);
      break;
    }
    if (section == 'r') {
      *first_id = 0;
      break;
    }
    if (!Read_prefix_line(p, char(section), &listed)) return 0;
  }
  *block_count = Apply_prefix(p);
  return 1;
}

// -p -1 in the true modes: the innermost block, when existential, gets no
// functions.
void Exclude_innermost(std::vector<literal_short_> *vars, int block_count) {
  for (literal_short_ &e : *vars)
    if (e.quant == 0 && e.level == block_count) e.quant = -1;
}

// Reads one clause's literals up to its 0, in file order. Returns 1, 0 on a
// bad number, -1 when the input ends inside the clause.
int Read_clause(text_reader_ *in, const std::vector<literal_short_> &vars, clause_short_ *clause) {
  for (;;) {
    int k;
    const int r = Read_int(in, &k);
    if (r != 1) return r;
    if (k == 0) return 1;
    if (!Names_entry(vars, k)) return 0;
    if (Entry_of(vars, k).quant != -1) Push_literal(&clause->lits, vars, k);
  }
}

int Parse_qdimacs(prefix_reader_ *p, clause_db_ *clauses, int *step_id, int *block_count) {
  text_reader_ *in = p->in;
  std::string_view w;
  if (Read_word(in, &w) != 1) return 0;
  if (w[0] == 'c') {
    int ch;
    do {
      Skip_line_rest(in);
      Read_char(in);
      ch = Read_char(in);
    } while (ch == 'c');
  }
  int v_count, c_count;
  if (Read_word(in, &w) != 1 || Read_int(in, &v_count) != 1 || Read_int(in, &c_count) != 1)
    return 0;
  *step_id = c_count;
  p->open_end = p->open_end && c_count == 0;
  if (!Make_table(in, p->vars, v_count)) return 0;
  std::string after;
  if (!Read_prefix(p, v_count, &after, block_count)) return 0;
  // With free or repeated variables the prefix ends on the first number of the
  // first clause; it is kept for that clause.
  int held = 0;
  if (!after.empty() && (c_count < 1 || !Parse_int_word(after, &held))) return 0;
  // Each clause goes into the store as read numbers, ordered there: no
  // literal records are built for it.
  std::vector<int> numbers;
  for (int i = 0; i < c_count; ++i) {
    // The held number begins the first clause, or is its 0.
    const bool held_first = i == 0 && !after.empty();
    if (held_first && held == 0)
      numbers.clear();
    else if (!Read_numbers(in, p->vars, &numbers))
      return 0;
    if (held_first && held != 0) {
      if (!Names_entry(*p->vars, held)) return 0;
      numbers.insert(numbers.begin(), held);
    }
    Db_push_read(clauses, *p->vars, numbers, 0);
  }
  *step_id = int(clauses->size());
  return 1;
}

int Parse_qube(prefix_reader_ *p, int mode, clause_db_ *clauses, int *step_id, int *block_count) {
  text_reader_ *in = p->in;
  std::string_view w;
  do {
    if (Read_word(in, &w) != 1) return 0;
  } while (w != "]");
  if (Read_word(in, &w) != 1 || w != "[FORMULA") return 0;
  int n, c_count;
  if (Read_int(in, &n) != 1 || Read_int(in, &c_count) != 1) return 0;
  *step_id = c_count;
  if (!Make_table(in, p->vars, n > INT32_MIN ? n - 1 : 0)) return 0;
  std::string after;
  if (!Read_prefix(p, -1, &after, block_count)) return 0;
  if (mode == 2 && p->outer_limit == -1) Exclude_innermost(p->vars, *block_count);
  if (after[0] != '0' || Read_word(in, &w) != 1 || w[0] != '0') return 0;
  clause_short_ clause;
  for (int i = 0; i < c_count; ++i) {
    clause.lits.clear();
    int r = Read_clause(in, *p->vars, &clause);
    if (r == 0) return 0;
    if (mode == 2) clause.lits.clear();
    Db_push(clauses, clause);
    // The input ended inside the formula: the proof reader fails on it next,
    // so the remaining clauses are not padded out.
    if (r < 0) break;
  }
  *step_id = int(clauses->size());
  return 1;
}

int Parse_qrp(prefix_reader_ *p, int mode, int *step_id, int *pending_id, int *block_count) {
  text_reader_ *in = p->in;
  std::string_view w;
  int v_count, c_count;
  p->binary = Is_binary_trace(in);
  if (p->binary) {
    if (!Bin_read_header(in, &v_count, &c_count)) return 0;
  } else if (Read_word(in, &w) != 1 || Read_word(in, &w) != 1 || Read_int(in, &v_count) != 1 ||
             Read_int(in, &c_count) != 1) {
    return 0;
  }
  *step_id = c_count;
  if (!Make_table(in, p->vars, v_count)) return 0;
  if (p->binary) {
    if (!Read_binary_prefix(p, pending_id, block_count)) return 0;
  } else {
    std::string after;
    if (!Read_prefix(p, -1, &after, block_count)) return 0;
    *pending_id = GetIntVal(after);
  }
  if (mode == 4 && p->outer_limit == -1) Exclude_innermost(p->vars, *block_count);
  *step_id = *pending_id - 1;
  return 1;
}

// The reader of one input of this mode.
prefix_reader_ Prefix_reader(text_reader_ *in, int mode, int outer_limit,
                             std::vector<literal_short_> *vars) {
  prefix_reader_ p;
  p.in = in;
  p.certified = Certified_quant(mode);
  p.outer_limit = outer_limit;
  p.vars = vars;
  return p;
}

}  // namespace

int Parse_input(text_reader_ *in, int mode, int outer_limit, std::vector<literal_short_> *vars,
                clause_db_ *clauses, int *step_id, int *pending_id, int *block_count) {
  prefix_reader_ p = Prefix_reader(in, mode, outer_limit, vars);
  switch (mode) {
    case 0: return Parse_qdimacs(&p, clauses, step_id, block_count);
    case 1:
    case 2: return Parse_qube(&p, mode, clauses, step_id, block_count);
    case 3:
    case 4: return Parse_qrp(&p, mode, step_id, pending_id, block_count);
    default: return 0;
  }
}

int Parse_formula(text_reader_ *in, std::vector<literal_short_> *vars, clause_db_ *clauses,
                  int *block_count) {
  prefix_reader_ p = Prefix_reader(in, 0, 0, vars);
  p.open_end = true;
  int clause_count = 0;
  return Parse_qdimacs(&p, clauses, &clause_count, block_count);
}
