// qrp-trim IN.qrp OUT.qrp: the core of a QRP trace. Keeps the header and
// prefix lines, the proof lines that the last proof line (the empty clause or
// cube) depends on through the antecedent lists, and the "r" line, all as
// they stand. Two passes over the file: the first keeps only ids and
// antecedents, the second copies the marked lines.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "text_io.h"

namespace {

struct trace_ {
  std::vector<int> ids;         // proof line ids, ascending
  std::vector<size_t> first;    // antecedents of line k: ants[first[k], first[k+1])
  std::vector<int> ants;        // as line indices
  long long lines = 0;          // physical lines read
};

// Tokens of one line.
struct line_cursor_ {
  std::string_view rest;
  int Next(std::string_view *word) {
    size_t i = 0;
    while (i < rest.size() && Is_space(rest[i])) ++i;
    rest.remove_prefix(i);
    if (rest.empty()) return 0;
    i = 0;
    while (i < rest.size() && !Is_space(rest[i])) ++i;
    *word = rest.substr(0, i);
    rest.remove_prefix(i);
    return 1;
  }
  int Number(int *value) {
    std::string_view w;
    return Next(&w) && Parse_int_word(w, value);
  }
};

enum line_kind_ { kHeader, kProof, kEnd };

line_kind_ Kind(std::string_view line) {
  line_cursor_ c{line};
  std::string_view w;
  if (!c.Next(&w)) return kHeader;
  if (w == "r") return kEnd;
  return (w[0] >= '0' && w[0] <= '9') || w[0] == '-' ? kProof : kHeader;
}

int Fail(const char *path, long long line, const std::string &problem) {
  if (line > 0)
    printf("qrp-trim: %s:%lld: %s\n", path, line, problem.c_str());
  else
    printf("qrp-trim: %s: %s\n", path, problem.c_str());
  return 0;
}

int Index_of(const trace_ &t, int id) {
  auto it = std::lower_bound(t.ids.begin(), t.ids.end(), id);
  return it != t.ids.end() && *it == id ? int(it - t.ids.begin()) : -1;
}

// Pass 1: ids and antecedents of every proof line.
int Read_trace(const char *path, trace_ *t) {
  text_reader_ in;
  if (!Reader_open(&in, path)) return Fail(path, 0, "cannot open the trace");
  std::string line;
  bool proof_started = false, ended = false;
  int ok = 1;
  while (ok && !Reader_at_end(&in)) {
    Read_line(&in, &line);
    ++t->lines;
    line_kind_ kind = Kind(line);
    if (kind == kEnd) {
      ended = true;
      break;
    }
    if (kind == kHeader) {
      if (proof_started && line.find_first_not_of(" \t\r") != std::string::npos)
        ok = Fail(path, t->lines, "expected a proof line or the r line");
      continue;
    }
    proof_started = true;
    line_cursor_ c{line};
    int id, v;
    if (!c.Number(&id) || id < 1) {
      ok = Fail(path, t->lines, "bad line id");
      break;
    }
    if (!t->ids.empty() && id <= t->ids.back()) {
      ok = Fail(path, t->lines, "line ids do not increase");
      break;
    }
    do {
      if (!c.Number(&v)) {
        ok = Fail(path, t->lines, "truncated or malformed literal list");
        break;
      }
    } while (v != 0);
    if (!ok) break;
    t->first.push_back(t->ants.size());
    for (;;) {
      if (!c.Number(&v)) {
        ok = Fail(path, t->lines, "truncated or malformed antecedent list");
        break;
      }
      if (v == 0) break;
      int k = Index_of(*t, v);
      if (k < 0) {
        ok = Fail(path, t->lines, "antecedent " + std::to_string(v) + " is not an earlier id");
        break;
      }
      t->ants.push_back(k);
    }
    t->ids.push_back(id);
  }
  if (ok && in.error) ok = Fail(path, 0, "read error");
  Reader_close(&in);
  if (!ok) return 0;
  if (!ended) return Fail(path, 0, "no r line: the trace is incomplete");
  if (t->ids.empty()) return Fail(path, 0, "no proof lines");
  t->first.push_back(t->ants.size());
  return 1;
}

// Marks the last proof line and everything it depends on.
std::vector<char> Mark_core(const trace_ &t) {
  std::vector<char> keep(t.ids.size(), 0);
  std::vector<int> stack = {int(t.ids.size()) - 1};
  keep.back() = 1;
  while (!stack.empty()) {
    int k = stack.back();
    stack.pop_back();
    for (size_t a = t.first[size_t(k)]; a < t.first[size_t(k) + 1]; ++a) {
      int p = t.ants[a];
      if (!keep[size_t(p)]) keep[size_t(p)] = 1, stack.push_back(p);
    }
  }
  return keep;
}

// Pass 2: copies the header, the marked proof lines and the r line.
int Write_core(const char *in_path, const char *out_path, const std::vector<char> &keep,
               long long *kept) {
  text_reader_ in;
  text_writer_ out;
  if (!Reader_open(&in, in_path)) return Fail(in_path, 0, "cannot open the trace");
  if (!Writer_open(&out, out_path)) {
    Reader_close(&in);
    return Fail(out_path, 0, "cannot create the output");
  }
  std::string line;
  size_t k = 0;
  bool ended = false;
  while (!Reader_at_end(&in)) {
    Read_line(&in, &line);
    line_kind_ kind = Kind(line);
    bool copy = kind != kProof;
    if (kind == kProof) {
      copy = k < keep.size() && keep[k];
      ++k;
    }
    if (copy) {
      if (kind == kProof) ++*kept;
      Put_str(&out, line);
      Put_char(&out, '\n');
    }
    if (kind == kEnd) {
      ended = true;
      break;
    }
  }
  Reader_close(&in);
  int written = Writer_close(&out);
  if (!ended || k != keep.size()) {
    unlink(out_path);
    return Fail(in_path, 0, "the trace changed while it was read");
  }
  if (!written) {
    unlink(out_path);
    return Fail(out_path, 0, "write error");
  }
  return 1;
}

}  // namespace

int main(int argc, char **argv) {
  auto start = std::chrono::steady_clock::now();
  if (argc != 3) {
    printf("usage: qrp-trim IN.qrp OUT.qrp\n");
    return 2;
  }
  trace_ t;
  if (!Read_trace(argv[1], &t)) return 1;
  std::vector<char> keep = Mark_core(t);
  long long kept = 0;
  if (!Write_core(argv[1], argv[2], keep, &kept)) return 1;
  double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  printf("qrp-trim: %lld lines read, %zu proof lines, %lld kept, %.2f s\n", t.lines, t.ids.size(),
         kept, seconds);
  return 0;
}
