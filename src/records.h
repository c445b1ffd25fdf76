// Shared records of cerox and the declarations of its operations.
#ifndef CEROX_RECORDS_H
#define CEROX_RECORDS_H

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "large_store.h"
#include "long_distance.h"
#include "text_io.h"
#include "trace_core.h"

// One variable-table entry, or one clause literal (a copy of its variable's
// entry with the sign set).
// Working copies of long clauses are many of these: the two three-valued
// fields share the last word, 20 bytes in all.
struct literal_short_ {
  int32_t var = -1;    // variable number; -1 for an entry no prefix line lists
  int32_t pos = 0;     // 0-based prefix position
  int32_t level = 0;   // 1-based quantifier block
  int32_t weight = 0;  // accumulated by the resolution step
  int8_t sign = 0;     // +1 / -1 in a literal, 0 in the table
  int8_t quant = -1;   // 0 existential, 1 universal, -1 excluded
};
static_assert(sizeof(literal_short_) == 20, "literal_short_ packs into 20 bytes");

// A merged literal (long-distance resolution): a universal variable of a
// clause (an existential one of a cube) in both signs. In a clause literal
// it has `sign` 0, and `weight` holds its phase: the function (a node of the
// phase network, long_distance.h) that the variable equals wherever the
// literal counts as false (as true in a cube).
inline bool Is_merged(const literal_short_ &l) { return l.sign == 0; }
// A variable of the prefix (existential or universal), not an excluded one.
inline bool Is_quantified(const literal_short_ &e) { return e.quant == 0 || e.quant == 1; }

struct clause_short_ {
  std::vector<literal_short_> lits;
  int32_t recorded = 0;  // present content is recorded step `step`
  int32_t preds = 0;     // nearest recorded steps this derives from: a pred set
  int32_t step = 0;
  int32_t mark = 0;    // 'qrp' reader: 1 marks the other proof kind
  int32_t merged = 0;  // some literal is merged
};

// In the stores below a literal is its signed variable number, and a merged
// one two entries: Merged_mark(var), which no signed variable number
// reaches, then its phase.
constexpr int32_t kMergedBelow = INT32_MIN / 2;
inline int32_t Merged_mark(int32_t var) { return INT32_MIN + var; }
inline bool Is_merged_mark(int32_t n) { return n < kMergedBelow; }
// A stored literal decoded: var and sign (0 when merged, with its phase).
struct stored_literal_ {
  int32_t var, sign, phase;
};
// Calls f(stored_literal_) for the literals stored in [from, to).
template <class F>
void For_each_stored(const int32_t *from, const int32_t *to, F f) {
  for (const int32_t *p = from; p < to; ++p) {
    if (Is_merged_mark(*p)) {
      f(stored_literal_{*p - INT32_MIN, 0, p[1]});
      ++p;
    } else {
      f(stored_literal_{*p < 0 ? -*p : *p, *p < 0 ? -1 : 1, 0});
    }
  }
}

// The clause database: the clause with id k is entry k-1. A stored literal
// is kept as its signed variable number and rebuilt from the variable table
// when the clause is copied out: every field a reader of stored clauses looks
// at (var, pos, level, quant) is fixed once the table is read. This keeps a
// clause to a few bytes plus four per literal.
//
// Entries live in slots, one after the other. A long run of empty entries
// (placeholders for ids a proof skips) takes no slots: it is a gap, and
// entry k has slot k less the gap entries before it.
struct db_gap_ {
  size_t first, count;  // entries first .. first + count - 1
  size_t slots_before;  // the slots of the entries before the gap
  uint8_t mark;
};
struct clause_db_ {
  std::vector<int32_t> lits;           // signed variable numbers, clause after clause
  std::vector<uint64_t> lit_start{0};  // slot k: lits[lit_start[k], lit_start[k+1])
  std::vector<int32_t> step;           // recorded step, -1 when not recorded
  std::vector<uint8_t> mark;
  std::vector<int32_t> preds;  // by slot: the pred set
  // Whether `step` and `preds` are kept: only -alter reads them, and a run
  // without it saves their pages (entries then read as not recorded).
  bool family = true;
  std::vector<db_gap_> gaps;
  size_t entries = 0;
  // Clauses no later line reads are released: their literals count as dead
  // until the store is compacted, and they read as empty afterwards.
  std::vector<char> released;
  uint64_t dead = 0;
  size_t size() const { return entries; }
  size_t slots() const { return mark.size(); }
};
// The slot of entry k, or -1 when it lies in a gap (*gap then names it).
long Db_slot(const clause_db_ &db, size_t k, const db_gap_ **gap = nullptr);
// The mark of entry k.
int Db_mark(const clause_db_ &db, size_t k);
void Db_push(clause_db_ *db, const clause_short_ &clause);
// Appends a clause read as signed variable numbers, in the order that
// Insert_literal gives its literals one by one (ties among existentials
// keep their reading order, ties among universals are reversed), without
// building them; numbers of excluded variables are dropped. The result:
// the literals kept.
size_t Db_push_read(clause_db_ *db, const std::vector<literal_short_> &vars,
                    const std::vector<int> &numbers, int mark);
// Appends `count` empty clauses with the given mark (placeholders).
void Db_push_empty(clause_db_ *db, int mark, size_t count);
// Releases entry k, which nothing reads any more; compacts the store once
// the released literals outweigh the rest.
void Db_release(clause_db_ *db, size_t k);
// Copies entry k (0-based) into a working record, reusing its capacity.
void Db_get(const clause_db_ &db, const std::vector<literal_short_> &vars, size_t k,
            clause_short_ *out);

// Predecessor sets (-alter). A working clause names the nearest recorded
// steps it derives from by a set here: 0 for none, -(k + 1) for step k
// alone (no node), a node above 0 for a union. A union is one node over
// its two parts, so that resolutions without reduction pass their sets on
// in constant time and stored clauses share them: copied lists grow with
// every block of a chain. A set is spelled out only for a step recorded
// with it, and its node then refers to that spelling.
constexpr int32_t kSpelledPreds = INT32_MIN;
struct pred_node_ {
  int32_t a, b;  // the union of sets a and b; a == kSpelledPreds: the preds of step b
};
struct pred_sets_ {
  std::vector<pred_node_> nodes{{0, 0}};  // node 0 stands for the empty set
  std::vector<uint32_t> seen;             // by node: the spelling that last visited it
  uint32_t spelling = 0;
  std::vector<int32_t> stack;
};

// The recorded steps, kept like the clause database: step k's clause (the
// resolvent left after the reduction), the literals the reduction removed
// and the nearest recorded steps it derives from, as flat lists. A step
// costs a few bytes plus four per literal and predecessor, not a record
// with heap-allocated lists.
struct step_store_ {
  std::vector<int32_t> lits;  // signed variable numbers
  std::vector<uint64_t> lit_start{0};
  std::vector<int32_t> reduced;  // signed variable numbers
  std::vector<uint64_t> reduced_start{0};
  std::vector<int32_t> preds;
  std::vector<uint64_t> pred_start{0};
  pred_sets_ sets;
  // The clauses are kept for a writer that needs them after the replay;
  // the BLIF writer gets each step's node as the step is recorded.
  bool keep_clauses = true;
  bool keep_preds = true;  // only -alter orders the steps by them
  size_t count = 0;
  size_t size() const { return count; }
};
// The ordered steps listed by variable position: the list of position p
// is refs[start[p], start[p+1]), step k appearing as k+1 where it removed
// the positive literal, -(k+1) where the negative one.
struct var_lists_ {
  std::vector<uint64_t> start;
  std::vector<int> refs;
  const int *List(size_t p) const { return refs.data() + start[p]; }
  size_t Length(size_t p) const { return size_t(start[p + 1] - start[p]); }
};

// Records a step: the clause's literals and predecessors (its pred set
// spelled out), and the reduced literals.
void Step_push(step_store_ *steps, const clause_short_ &clause, const clause_short_ &reduced);

// Whether the signed variable number n names an entry of the table.
inline bool Names_entry(const std::vector<literal_short_> &vars, int n) {
  return n != 0 && n != INT32_MIN && size_t(n < 0 ? -n : n) <= vars.size();
}
// The table entry of a signed variable number that names one.
inline const literal_short_ &Entry_of(const std::vector<literal_short_> &vars, int32_t n) {
  return vars[size_t(n < 0 ? -n : n) - 1];
}
// The literal a stored signed variable number stands for.
inline literal_short_ Stored_literal(const std::vector<literal_short_> &vars, int32_t n) {
  literal_short_ l = Entry_of(vars, n);
  l.sign = n < 0 ? -1 : 1;
  return l;
}
// Appends that literal to a clause's list: the entry copied whole, the sign
// set in place (a copy changed on the stack first stalls the wide load that
// moves it).
inline void Push_literal(std::vector<literal_short_> *lits, const std::vector<literal_short_> &vars,
                         int32_t n) {
  lits->push_back(Entry_of(vars, n));
  lits->back().sign = n < 0 ? -1 : 1;
}

// Modes: 0 'qbc', 1 'qube' false, 2 'qube' true, 3 'qrp' false, 4 'qrp' true.
inline bool True_mode(int mode) { return mode == 2 || mode == 4; }
// The quant value of the variables that receive certificate functions.
inline int Certified_quant(int mode) { return True_mode(mode) ? 0 : 1; }

// records.cpp
void Insert_literal(clause_short_ *clause, const literal_short_ &lit);

// parse_options.cpp
int Parse_options(int argc, char **argv, char **file_name, int *mode, int *outer_limit, int *rfao,
                  int *alter, int *core);
void Print_help();
int GetIntVal(std::string text);
int Count_lines(const char *path, int *count);
void Print_file_error(int code);

// parse_input.cpp
int Parse_input(text_reader_ *in, int mode, int outer_limit, std::vector<literal_short_> *vars,
                clause_db_ *clauses, int *step_id, int *pending_id, int *block_count);
// A QDIMACS formula as the instance reader reads it, except that a formula
// without clauses may end with its prefix (or its problem line).
int Parse_formula(text_reader_ *in, std::vector<literal_short_> *vars, clause_db_ *clauses,
                  int *block_count);

// proof_to_model.cpp
int Proof_to_model(char *file_name, int mode, int outer_limit, int rfao, int alter, int core);

// The lines of a raw 'qrp' trace that the replay keeps: those of its core.
// `next` counts the lines read so far.
struct core_filter_ {
  const trace_lines_ *lines = nullptr;
  size_t next = 0;
};

// The records of one run, owned by the driver.
struct run_records_ {
  std::vector<literal_short_> vars;
  clause_db_ clauses;
  clause_short_ first, second, reduced;
  step_store_ steps;
  var_lists_ var_steps;
  int pivot = -1, step_id = 0, pending_id = 0, block_count = 0;
  int ants[2] = {0, 0};  // the antecedents of the 'qrp' line being replayed
  ld_phases_ phases;     // the phase network of a long-distance proof
  int binary = 0;        // the proof is a binary 'qrp' trace
  trace_lines_ lines;    // a raw trace's lines, when only its core is replayed
  core_filter_ core;     // core.lines is null when every line is replayed
};
// After the formula has been read into r: replays the proof, orders the
// recorded steps and writes the certificate into `out` (which holds the BLIF
// header already unless rfao), printing the phase lines. Closes `out`.
// Returns 1, or 0 after printing the error line.
int Replay_and_write(run_records_ *r, text_reader_ *proof, int mode, int rfao, int alter,
                     text_writer_ *out, const char *out_name, clock_t t_read);

// proof_operations.cpp
// Reads a literal list up to its 0 as numbers, each naming a table entry
// (0 on a number that names none, or at the end of input).
int Read_numbers(text_reader_ *in, const std::vector<literal_short_> *vars,
                 std::vector<int> *numbers);
int Get_resolve_clauses(text_reader_ *proof, int mode, std::vector<literal_short_> *vars,
                        clause_db_ *clauses, clause_short_ *first, clause_short_ *second,
                        int *pivot, int *step_id, int *pending_id);
// The 'qrp' reader for a text or binary proof, replaying only the core
// lines when `core` is given. *last_empty tells, after a line it files
// itself, whether that line is an empty constraint of the replayed kind (an
// input line; 0 for a line of the other kind).
// *ants receives the antecedent ids of a line it hands over (0 for none).
// Frees the buffers that the readers and the resolution step keep from
// call to call.
void Release_replay_scratch();
int Get_qrp_clauses(text_reader_ *proof, int mode, int binary, core_filter_ *core,
                    std::vector<literal_short_> *vars, clause_db_ *clauses, clause_short_ *first,
                    clause_short_ *second, int *pending_id, int *last_empty, int *ants);
// Only the -alter 3 order reads the weights: `weigh` 0 leaves them as
// they are.
int Resolution(std::vector<literal_short_> *vars, clause_short_ *first, const clause_short_ *second,
               int mode, clause_short_ *reduced, int weigh = 1);

// long_distance.cpp
// Long-distance resolution: resolution of two clauses (cubes) whose
// resolvent merges variables, with the phases of the merged literals built
// in `phases`, and reduction. Returns 1, or 0 when the step is no legal
// long-distance step.
int Resolution_ld(std::vector<literal_short_> *vars, clause_short_ *first,
                  const clause_short_ *second, int mode, clause_short_ *reduced, ld_phases_ *phases,
                  int weigh = 1);
// The BLIF signal of a merged literal of the certificate's steps: the node
// "variable equals its phase" (defined by Write_ld_nodes).
void Put_ld_literal(text_writer_ *out, ld_phases_ *phases, int var, int phase);
// The phase nodes and the merged-literal nodes used so far.
void Write_ld_nodes(text_writer_ *out, const ld_phases_ *phases);
// The phase of variable var's merged literal among the literals that step
// removed, or -1 when it removed none.
int Merged_phase(const step_store_ *steps, size_t step, int var);
// A variable's decision list with node values (merged reduced literals):
// one multiplexer per entry, the last one named after the variable.
void Write_partial_ld(text_writer_ *out, const step_store_ *steps, const int *list, size_t count,
                      int var, int mode, int *alternations);

// minimize_model_work.cpp
void Update_family(step_store_ *steps, const clause_short_ *reduced, clause_short_ *first,
                   clause_short_ *second, int alter);
// The pred set {step} and the union of two pred sets.
int32_t Pred_single(pred_sets_ *sets, int32_t step);
int32_t Pred_union(pred_sets_ *sets, int32_t a, int32_t b);
// Appends the steps of set `set` to steps->preds, ascending and without
// repeats; the set's node then stands for the list of step `step`.
void Pred_spell(step_store_ *steps, int32_t set, int32_t step);
// Whether the order of -alter N reads the variables' weights, which the
// replay then adds up (Resolution's `weigh`).
int Alter_reads_weights(int alter);
void Minimize_alter(const std::vector<literal_short_> *vars, const step_store_ *steps,
                    var_lists_ *var_steps, int alter, int block_count);
// The alternations step k's reduced literals add after the last signs.
long long Num_add_alter(const std::vector<literal_short_> *vars, const std::vector<int> *last_sign,
                        const step_store_ *steps, size_t k, int alter, int block_count);

// blif_operations.cpp
void Init_blif(text_writer_ *out, const std::vector<literal_short_> *vars, int mode);
// The functions of the certified variables, after the step nodes that the
// replay wrote (Write_step_node). `phases` holds the phase network of a
// long-distance proof (none: empty or null).
void Write_model_blif(text_writer_ *out, const std::vector<literal_short_> *vars, int mode,
                      const step_store_ *steps, const var_lists_ *var_steps,
                      ld_phases_ *phases = nullptr);
void Write_partial(text_writer_ *out, const int *steps, size_t count, int var, int mode,
                   int *alternations, int increment);
// The node of recorded step `index` whose clause is `lits`.
void Write_step_node(text_writer_ *out, const std::vector<literal_short_> &lits, size_t index,
                     int mode, ld_phases_ *phases);
int Finish_blif(text_writer_ *out);
int Write_model_aigmin(text_writer_ *out, const std::vector<literal_short_> *vars, int mode,
                       const step_store_ *steps, const var_lists_ *var_steps);

#endif
