#include "trace_core.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>

#include "binary_trace.h"
#include "large_store.h"

namespace {

// The lines so far get their ids and the map from ids, as if never counted.
void Stop_counting(trace_lines_ *t) {
  t->counted = false;
  t->ids.resize(t->lines);
  t->index.assign(t->lines + 1, -1);
  for (size_t k = 0; k < t->lines; ++k) t->ids[k] = int(k + 1), t->index[k + 1] = int(k);
}

}  // namespace

int Trace_begin_line(trace_lines_ *t, long long id, std::string *problem) {
  if (id < 1 || id > INT32_MAX) return *problem = "bad line id", 0;
  if (t->lines && id <= t->last_id) return *problem = "line ids do not increase", 0;
  if (t->counted && size_t(id) != t->lines + 1) Stop_counting(t);
  if (!t->counted) {
    // A direct map from ids to lines, kept while there are not far more ids
    // than lines (cores keep the ids of a trace).
    if (!t->sparse && size_t(id) > 8 * t->lines + (size_t(1) << 16)) {
      t->sparse = true;
      std::vector<int>().swap(t->index);
    }
    if (!t->sparse) {
      if (t->index.size() <= size_t(id)) t->index.resize(size_t(id) + 1, -1);
      t->index[size_t(id)] = int(t->lines);
    }
    t->ids.push_back(int(id));
  }
  t->last_id = int(id);
  ++t->lines;
  if (t->uses_only) t->last_use.push_back(-1);
  return 1;
}

int Trace_add_antecedent(trace_lines_ *t, long long id, std::string *problem) {
  // The line begun last is not earlier than itself.
  const long k = id < t->last_id ? Line_index(*t, id) : -1;
  if (k < 0) return *problem = "antecedent " + std::to_string(id) + " is not an earlier id", 0;
  if (t->uses_only) {
    t->last_use[size_t(k)] = int(t->lines - 1);
    t->last_use.back() = -2;  // derived, read by none so far
  } else
    t->ants.push_back(int(k));
  return 1;
}

void Trace_end_line(trace_lines_ *t) {
  if (!t->uses_only) t->first.push_back(t->ants.size());
}

long Line_index(const trace_lines_ &t, long long id) {
  if (t.counted) return id >= 1 && (unsigned long long)id <= t.lines ? long(id - 1) : -1;
  if (!t.sparse) return id >= 0 && size_t(id) < t.index.size() ? t.index[size_t(id)] : -1;
  auto it = std::lower_bound(t.ids.begin(), t.ids.end(), id);
  return it != t.ids.end() && *it == id ? long(it - t.ids.begin()) : -1;
}

void Mark_core(trace_lines_ *t, bool all) {
  const size_t n = t->lines;
  if (t->uses_only) {
    assert(all && t->last_use.size() == n);
    std::replace(t->last_use.begin(), t->last_use.end(), -2, -1);
    t->keep.assign(n, 1);
    return;
  }
  t->keep.assign(n, all);
  if (n && !all) {
    const size_t root = t->empty_line >= 0 ? size_t(t->empty_line) : n - 1;
    std::vector<int> stack = {int(root)};
    t->keep[root] = 1;
    while (!stack.empty()) {
      const size_t k = size_t(stack.back());
      stack.pop_back();
      for (uint64_t a = t->first[k]; a < t->first[k + 1]; ++a) {
        const int p = t->ants[a];
        if (!t->keep[size_t(p)]) t->keep[size_t(p)] = 1, stack.push_back(p);
      }
    }
  }
  Assign_large(&t->last_use, n, -1);
  for (size_t k = 0; k < n; ++k)
    if (t->keep[k])
      for (uint64_t a = t->first[k]; a < t->first[k + 1]; ++a)
        t->last_use[size_t(t->ants[a])] = int(k);
  std::vector<int>().swap(t->ants);
  std::vector<uint64_t>().swap(t->first);
}

bool Is_core(const trace_lines_ &t) {
  assert(t.uses_only && t.last_use.size() == t.lines);
  return t.lines == 0 ||
         std::find(t.last_use.begin(), t.last_use.end() - 1, -2) == t.last_use.end() - 1;
}

int Word_id(std::string_view w) {
  int v;
  if (Parse_int_word(w, &v)) return v;
  return int(strtol(std::string(w).c_str(), nullptr, 10));
}

namespace {

// The header and prefix of a text trace; *first receives the word after
// them (the first line's id, or "r").
int Skip_text_header(text_reader_ *in, std::string_view *first) {
  std::string_view w;
  int n;
  if (Read_word(in, &w) != 1 || Read_word(in, &w) != 1 || Read_int(in, &n) != 1 ||
      Read_int(in, &n) != 1)
    return 0;
  for (;;) {
    if (Read_word(in, &w) != 1) return 0;
    if (w[0] != 'a' && w[0] != 'e') break;
    do {
      if (Read_int(in, &n) != 1) return 0;
    } while (n != 0);
  }
  *first = w;
  return 1;
}

int Skip_binary_header(text_reader_ *in, int *section) {
  int vars, clauses;
  if (!Bin_read_header(in, &vars, &clauses)) return 0;
  for (;;) {
    *section = Bin_next_section(in);
    if (*section != 'a' && *section != 'e') return *section != 0;
    if (Bin_skip_list(in) != 1) return 0;
  }
}

// The antecedents of the line begun last, up to their 0.
template <class Next>
int Read_antecedents(trace_lines_ *t, int max_antecedents, std::string *problem, Next next) {
  for (int count = 0;; ++count) {
    long long a;
    if (!next(&a)) return *problem = "truncated or malformed antecedent list", 0;
    if (a == 0) break;
    if (count == max_antecedents) return *problem = "too many antecedents", 0;
    if (!Trace_add_antecedent(t, a, problem)) return 0;
  }
  Trace_end_line(t);
  return 1;
}

int Read_text_lines(text_reader_ *in, int max_antecedents, trace_lines_ *t, std::string *problem) {
  std::string_view w;
  if (!Skip_text_header(in, &w)) return *problem = "malformed header or prefix", 0;
  auto next = [in](long long *a) {
    int v;
    if (Read_int(in, &v) != 1) return 0;
    *a = v;
    return 1;
  };
  for (bool first = true;; first = false) {
    if (!first && Read_word(in, &w) != 1) return *problem = "no r line: the trace is incomplete", 0;
    if (w == "r") return 1;
    if (!Trace_begin_line(t, Word_id(w), problem)) return 0;
    // Without `uses_only` the first literal word tells an empty line.
    bool empty = false;
    if (!t->uses_only) {
      if (Read_word(in, &w) != 1) return *problem = "truncated literal list", 0;
      empty = w == "0";
    }
    if (empty)
      t->empty_line = long(t->lines - 1);
    else if (Skip_to_zero_word(in) != 1)
      return *problem = "truncated literal list", 0;
    if (!Read_antecedents(t, max_antecedents, problem, next)) return 0;
  }
}

int Read_binary_lines(text_reader_ *in, int max_antecedents, trace_lines_ *t,
                      std::string *problem) {
  int section;
  if (!Skip_binary_header(in, &section)) return *problem = "malformed header or prefix", 0;
  auto next = [in](long long *a) {
    uint32_t v;
    if (Read_varint(in, &v) != 1) return 0;
    *a = v;
    return 1;
  };
  if (section == 'r') return 1;
  for (;;) {
    uint32_t id;
    const int got = Read_varint(in, &id);
    if (got < 0) return *problem = "no r line: the trace is incomplete", 0;
    if (got == 0) return *problem = "bad line id", 0;
    if (id == 0) {
      // The end marker: a 0 where an id stands, then the r line.
      if (Read_char(in) != 'r') return *problem = "bad end marker", 0;
      return 1;
    }
    if (!Trace_begin_line(t, id, problem)) return 0;
    // A 0 byte first is the end of an empty list (a literal is 2 or more).
    if (Reader_ensure(in, 1) >= 1 && in->data[in->at] == 0) t->empty_line = long(t->lines - 1);
    if (Bin_skip_list(in) != 1) return *problem = "truncated literal list", 0;
    if (!Read_antecedents(t, max_antecedents, problem, next)) return 0;
  }
}

}  // namespace

int Read_trace_lines(text_reader_ *in, int binary, int max_antecedents, trace_lines_ *t,
                     std::string *problem) {
  // Room for as many lines as the input could hold (a line takes six bytes
  // at least, three in binary), so that the lists do not move while they
  // grow; pages never written cost nothing.
  const size_t lines = Reserve_basis(in->decoded_size) / (binary ? 3 : 6);
  Reserve_large(&t->ids, lines);
  if (t->uses_only) {
    Reserve_large(&t->last_use, lines);
  } else {
    Reserve_large(&t->first, lines + 1);
    Reserve_large(&t->ants, 2 * lines);
  }
  Reserve_large(&t->index, lines + 1);
  int ok = binary ? Read_binary_lines(in, max_antecedents, t, problem)
                  : Read_text_lines(in, max_antecedents, t, problem);
  if (ok && t->lines == 0) ok = 0, *problem = "no proof lines";
  return ok;
}
