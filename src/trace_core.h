// The proof lines of a QRP trace (text or binary) by id and antecedents,
// and its core: the lines the last line depends on. `qrp-trim` writes the
// core; `cerox` replays only the core of a raw trace.
#ifndef CEROX_TRACE_CORE_H
#define CEROX_TRACE_CORE_H

#include <cstdint>
#include <string>
#include <vector>

#include "text_io.h"

struct trace_lines_ {
  size_t lines = 0;  // proof lines read
  int last_id = 0;   // the id of the line read last
  // While line k has id k + 1 (traces number their lines one by one), the
  // ids and the map from ids to lines are arithmetic and not stored.
  bool counted = true;
  std::vector<int> ids;            // proof line ids, ascending, once not counted
  std::vector<uint64_t> first{0};  // antecedents of line k: ants[first[k], first[k+1])
  std::vector<int> ants;           // as line indices
  std::vector<char> keep;          // filled by Mark_core
  // By line: the last kept line that reads it; -1 for none, and with
  // `uses_only` -2 for a line with antecedents that no line reads.
  std::vector<int> last_use;
  // Line index by id while the ids are dense enough (-1 for ids no line
  // has); empty once they are not, and lookups search `ids` instead.
  std::vector<int> index;
  bool sparse = false;
  // Set before reading a core, whose lines are all kept: an antecedent then
  // only moves its line's last use, and no antecedent lists are kept.
  bool uses_only = false;
  // The last line without literals (not kept with `uses_only`): the empty
  // clause or cube the proof ends in, even where lines follow it (DepQBF
  // lists the input clauses after an empty one, and derives nothing).
  long empty_line = -1;
};

// Starts a line with this id, which must be above the last one. Returns 1,
// or 0 with the reason in *problem.
int Trace_begin_line(trace_lines_ *t, long long id, std::string *problem);
// Adds an antecedent id of the line begun last: it must name an earlier
// line. Returns 1, or 0 with the reason.
int Trace_add_antecedent(trace_lines_ *t, long long id, std::string *problem);
void Trace_end_line(trace_lines_ *t);
// The index of the line with this id, or -1.
long Line_index(const trace_lines_ &t, long long id);
// The id of line k.
inline long long Line_id(const trace_lines_ &t, size_t k) {
  return t.counted ? (long long)k + 1 : t.ids[k];
}
// Marks the last line (an empty one before it when it has literals) and
// every line it depends on (t->keep), or with
// `all` every line, and notes where each is read the last time
// (t->last_use); the antecedent lists are released afterwards. Lines read
// with `uses_only` have their last uses already, and take `all`.
void Mark_core(trace_lines_ *t, bool all = false);
// Whether lines read with `uses_only` are a core (asked before Mark_core):
// no line but the last has antecedents and is read by none. (The last
// derived line outside a core is read by no line: its readers would be
// later derived lines.)
bool Is_core(const trace_lines_ &t);

// The value of a word where a line id stands: its leading decimal number
// (sign allowed), 0 when it has none, narrowed to int as strtol's result.
int Word_id(std::string_view w);

// Reads a whole trace from its start: the header and prefix are skipped,
// every proof line gives its id and antecedents (at most max_antecedents
// each; the literals are skipped unread), up to the "r" line. Returns 1, or 0
// with the reason in *problem.
int Read_trace_lines(text_reader_ *in, int binary, int max_antecedents, trace_lines_ *t,
                     std::string *problem);

#endif
