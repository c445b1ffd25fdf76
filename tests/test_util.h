// Helpers shared by the unit tests.
#ifndef CEROX_TEST_UTIL_H
#define CEROX_TEST_UTIL_H

#include <string>
#include <vector>

#include "binary_trace.h"
#include "records.h"

// A readable test name from a case's description: letters and digits, the
// rest as single underscores.
inline std::string Test_name(const std::string &text) {
  std::string name;
  for (char c : text) {
    const bool word = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (word)
      name += c;
    else if (!name.empty() && name.back() != '_')
      name += '_';
  }
  while (!name.empty() && name.back() == '_') name.pop_back();
  return name.empty() ? "none" : name;
}

// A literal for the hand-built clauses of the resolution and writer tests.
inline literal_short_ Lit(int sign, int var, int pos, int quant, int level = 1) {
  literal_short_ l;
  l.sign = sign;
  l.var = var;
  l.pos = pos;
  l.level = level;
  l.weight = 0;
  l.quant = quant;
  return l;
}

// A clause's literals as signed variable numbers, in stored order.
inline std::vector<int> Signed(const clause_short_ &c) {
  std::vector<int> out;
  for (const literal_short_ &l : c.lits) out.push_back(l.sign * l.var);
  return out;
}

// Per-variable step lists from plain lists, and back.
inline var_lists_ Var_lists(const std::vector<std::vector<int>> &lists) {
  var_lists_ v;
  v.start.push_back(0);
  for (const std::vector<int> &l : lists) {
    v.refs.insert(v.refs.end(), l.begin(), l.end());
    v.start.push_back(v.refs.size());
  }
  return v;
}
inline std::vector<std::vector<int>> Plain_lists(const var_lists_ &v) {
  std::vector<std::vector<int>> lists;
  for (size_t p = 0; p + 1 < v.start.size(); ++p)
    lists.emplace_back(v.List(p), v.List(p) + v.Length(p));
  return lists;
}

// The state of one run of the readers over an in-memory text.
struct run_state_ {
  std::string text;
  text_reader_ in;
  std::vector<literal_short_> vars;
  clause_db_ clauses;
  clause_short_ first, second;
  int step_id = 0, pending_id = 0, blocks = 0, pivot = -1;
  int parsed = -2;

  run_state_(std::string t, int mode, int outer_limit = 0, int core = 0) : text(std::move(t)) {
    pending_id = core;
    Reader_memory(&in, text.data(), text.size());
    parsed = Parse_input(&in, mode, outer_limit, &vars, &clauses, &step_id, &pending_id, &blocks);
  }
  run_state_(const run_state_ &) = delete;

  // Stored clause i (0-based), and all of them.
  clause_short_ At(size_t i) const {
    clause_short_ c;
    Db_get(clauses, vars, i, &c);
    return c;
  }
  std::vector<clause_short_> Stored() const {
    std::vector<clause_short_> all;
    for (size_t i = 0; i < clauses.size(); ++i) all.push_back(At(i));
    return all;
  }

  int Next(int mode) {
    return Get_resolve_clauses(&in, mode, &vars, &clauses, &first, &second, &pivot, &step_id,
                               &pending_id);
  }
};

// A whole cerox run over an in-memory 'qrp' proof (text or binary, plain
// or compressed); the BLIF certificate, or "" when the run failed. Without
// `core` only the lines the last line depends on are replayed. *phases
// (if given) receives the phase network of a long-distance proof.
inline std::string Replay_certificate(const std::string &proof, int mode, bool core,
                                      ld_phases_ *phases = nullptr) {
  run_records_ r;
  text_reader_ in, lines;
  Reader_memory(&in, proof.data(), proof.size());
  r.binary = (mode == 3 || mode == 4) && Is_binary_trace(&in);
  if (!Parse_input(&in, mode, 0, &r.vars, &r.clauses, &r.step_id, &r.pending_id, &r.block_count))
    return "";
  if (!core) {
    Reader_memory(&lines, proof.data(), proof.size());
    std::string problem;
    if (!Read_trace_lines(&lines, r.binary, 2, &r.lines, &problem)) return "";
    Mark_core(&r.lines);
    r.core.lines = &r.lines;
  }
  std::string blif;
  text_writer_ out;
  Writer_memory(&out, &blif);
  Init_blif(&out, &r.vars, mode);
  const int ok = Replay_and_write(&r, &in, mode, 0, 0, &out, "memory", clock());
  if (phases) *phases = r.phases;
  return ok ? blif : "";
}

#endif
