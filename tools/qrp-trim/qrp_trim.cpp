// qrp-trim [--text|--binary] IN OUT: the core of a QRP trace, text or binary
// ('bqrp'), plain or compressed. Keeps the header and prefix lines, the proof
// lines that the last proof line (the empty clause or cube; the last empty
// line when lines with literals follow it) depends on through the
// antecedent lists, and the "r" line, all as they stand, in the
// input's form unless --text or --binary asks for the other one. Two passes
// over the file: the first keeps only ids and antecedents, the second copies
// the marked lines.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "binary_trace.h"
#include "text_io.h"
#include "trace_core.h"

namespace {

// Tokens of one line.
struct line_cursor_ {
  std::string_view rest;
  int Next(std::string_view *word) { return Next_word(&rest, word); }
  int Number(int *value) { return Next_int_word(&rest, value); }
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

// Pass 1 over a text trace, line by line: ids and antecedents of every
// proof line. On failure *problem says why and *at names the line (0 for
// the whole file).
int Read_text_trace(text_reader_ &in, trace_lines_ *t, std::string *problem, long long *at) {
  std::string line;
  bool proof_started = false;
  long long lines = 0;
  auto fail = [&](long long where, const std::string &why) {
    *at = where;
    *problem = why;
    return 0;
  };
  while (!Reader_at_end(&in)) {
    Read_line(&in, &line);
    ++lines;
    line_kind_ kind = Kind(line);
    if (kind == kEnd) return t->lines == 0 ? fail(0, "no proof lines") : 1;
    if (kind == kHeader) {
      if (proof_started && line.find_first_not_of(" \t\r") != std::string::npos)
        return fail(lines, "expected a proof line or the r line");
      continue;
    }
    proof_started = true;
    line_cursor_ c{line};
    int id, v;
    if (!c.Number(&id)) return fail(lines, "bad line id");
    if (!Trace_begin_line(t, id, problem)) return fail(lines, *problem);
    bool empty = true;
    for (;; empty = false) {
      if (!c.Number(&v)) return fail(lines, "truncated or malformed literal list");
      if (v == 0) break;
    }
    if (empty) t->empty_line = long(t->lines - 1);
    for (;;) {
      if (!c.Number(&v)) return fail(lines, "truncated or malformed antecedent list");
      if (v == 0) break;
      if (!Trace_add_antecedent(t, v, problem)) return fail(lines, *problem);
    }
    Trace_end_line(t);
  }
  return fail(0, "no r line: the trace is incomplete");
}

// Pass 1: ids and antecedents of every proof line. A failure to read or
// decode the file is reported as such, rather than what it made of the text.
// Errors name `path`; the bytes come from `source` (Rereadable_name).
int Read_trace(const char *path, const char *source, int binary, trace_lines_ *t) {
  text_reader_ in;
  if (!Reader_open(&in, source)) return Fail(path, 0, "cannot open the trace");
  std::string problem;
  long long at = 0;
  int ok = binary ? Read_trace_lines(&in, 1, INT32_MAX, t, &problem)
                  : Read_text_trace(in, t, &problem, &at);
  if (!Reader_intact(&in))
    ok = Fail(path, 0, in.problem);
  else if (!ok)
    Fail(path, at, problem);
  Reader_close(&in);
  return ok;
}

// Pass 2 over a text trace: copies the header, the marked proof lines and
// the r line.
// A text line in the binary form: the header with its format word
// "bqrp", a prefix line, a proof line, or the r line; other header lines
// (comments) have no binary form and are left out.
void Put_line_binary(text_writer_ &out, std::string_view line, line_kind_ kind) {
  line_cursor_ c{line};
  std::string_view w;
  if (kind == kEnd) {
    Put_char(&out, '\0');
    Put_str(&out, line);
    Put_char(&out, '\n');
    return;
  }
  if (kind == kHeader) {
    if (!c.Next(&w)) return;
    if (w == "p") {
      Put_str(&out, "p bqrp");
      c.Next(&w);  // the format word
      while (c.Next(&w)) {
        Put_char(&out, ' ');
        Put_str(&out, w);
      }
      Put_char(&out, '\0');
      return;
    }
    if (w != "a" && w != "e") return;
    Put_char(&out, '\0');
    Put_str(&out, w);
  }
  // Numbers: the literal list (after a proof line's id) is encoded.
  int v, zeros = 0;
  for (bool first = true; c.Number(&v); first = false) {
    const bool literal = kind == kProof && !first && zeros == 0 && v != 0;
    Put_varint(&out,
               literal ? uint32_t(v < 0 ? -2 * int64_t(v) + 1 : 2 * int64_t(v)) : uint32_t(v));
    zeros += v == 0;
  }
}

// Pass 2 over a text trace: copies the header, the marked proof lines and
// the r line, as they stand or in the binary form.
int Copy_text_core(text_reader_ &in, text_writer_ &out, bool to_binary,
                   const std::vector<char> &keep, size_t *k, long long *kept, long long *lines) {
  std::string line;
  while (!Reader_at_end(&in)) {
    Read_line(&in, &line);
    ++*lines;
    line_kind_ kind = Kind(line);
    bool copy = kind != kProof;
    if (kind == kProof) {
      copy = *k < keep.size() && keep[*k];
      ++*k;
    }
    if (copy) {
      if (kind == kProof) ++*kept;
      if (to_binary) {
        Put_line_binary(out, line, kind);
      } else {
        Put_str(&out, line);
        Put_char(&out, '\n');
      }
    }
    if (kind == kEnd) return 1;
  }
  return 0;
}

// Writes one number of a binary record, as a varint or in text.
void Put_number(text_writer_ &out, bool text, uint32_t v, bool literal) {
  if (!text) return Put_varint(&out, v);
  Put_int(&out, literal ? Varint_literal(v) : int(v));
  Put_char(&out, ' ');
}

// Copies varints up to and including a 0, in the output's form.
int Copy_list(text_reader_ &in, text_writer_ *out, bool text, bool literal) {
  for (;;) {
    uint32_t v;
    if (Read_varint(&in, &v) != 1) return 0;
    if (out) Put_number(*out, text, v, literal);
    if (v == 0) return 1;
  }
}

// Pass 2 over a binary trace: the same, record by record, binary or in text.
int Copy_binary_core(text_reader_ &in, text_writer_ &out, bool text, const std::vector<char> &keep,
                     size_t *k, long long *kept, long long *lines) {
  // The header line, "p bqrp V C" (text: "p qrp V C").
  std::string header;
  for (int c; (c = Read_char(&in)) > 0;) header.push_back(char(c));
  if (text) header.replace(0, std::min<size_t>(header.size(), 6), "p qrp");
  Put_str(&out, header);
  Put_char(&out, text ? '\n' : '\0');
  ++*lines;
  for (;;) {
    const int section = Bin_next_section(&in);
    if (section == 'a' || section == 'e') {
      ++*lines;
      if (text) {
        Put_char(&out, char(section));
        Put_char(&out, ' ');
      } else {
        Put_char(&out, '\0');
        Put_char(&out, char(section));
      }
      if (!Copy_list(in, &out, text, false)) return 0;
      if (text) out.buf[out.len - 1] = '\n';  // "... 0 " ends the line
      continue;
    }
    if (section != 's' && section != 'r') return 0;
    break;
  }
  for (;;) {
    uint32_t id;
    if (Read_varint(&in, &id) != 1) return 0;
    ++*lines;
    if (id == 0) {
      // The end marker and the r line, as they stand.
      if (Read_char(&in) != 'r') return 0;
      std::string rest;
      Read_line(&in, &rest);
      if (!text) Put_char(&out, '\0');
      Put_char(&out, 'r');
      Put_str(&out, rest);
      Put_char(&out, '\n');
      return 1;
    }
    const bool copy = *k < keep.size() && keep[*k];
    ++*k;
    text_writer_ *to = copy ? &out : nullptr;
    if (copy) {
      ++*kept;
      Put_number(out, text, id, false);
    }
    if (!Copy_list(in, to, text, true) || !Copy_list(in, to, text, false)) return 0;
    if (copy && text) out.buf[out.len - 1] = '\n';  // "id lits 0 ants 0 " ends the line
  }
}

// Pass 2: the core into out_path, in the input's form unless `form` asks
// for the other one.
enum form_ { kSameForm, kTextForm, kBinaryForm };
int Write_core(const char *in_path, const char *source, const char *out_path, int binary,
               form_ form, const std::vector<char> &keep, long long *kept, long long *lines) {
  text_reader_ in;
  text_writer_ out;
  if (!Reader_open(&in, source)) return Fail(in_path, 0, "cannot open the trace");
  if (!Writer_open(&out, out_path)) {
    Reader_close(&in);
    return Fail(out_path, 0, "cannot create the output");
  }
  size_t k = 0;
  const int ended = binary ? Copy_binary_core(in, out, form == kTextForm, keep, &k, kept, lines)
                           : Copy_text_core(in, out, form == kBinaryForm, keep, &k, kept, lines);
  const int intact = Reader_intact(&in);
  Reader_close(&in);
  int written = Writer_close(&out);
  if (!intact) {
    unlink(out_path);
    return Fail(in_path, 0, in.problem);
  }
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
  Exit_on_out_of_memory("qrp-trim: out of memory", 1);
  const std::string option = argc == 4 ? argv[1] : "";
  const form_ form = option == "--text"     ? kTextForm
                     : option == "--binary" ? kBinaryForm
                                            : kSameForm;
  if (argc == 2 &&
      (option == "-h" || std::string(argv[1]) == "-h" || std::string(argv[1]) == "--help")) {
    printf(
        "usage: qrp-trim [--text|--binary] IN OUT\n"
        "  IN        a DepQBF trace, text ('qrp') or binary ('bqrp'), plain or compressed\n"
        "            (gzip, xz, zstd)\n"
        "  OUT       its core: the header, the prefix, the lines the last line depends\n"
        "            on, and the r line, in the form of IN\n"
        "  --text    write the core in the text form\n"
        "  --binary  write the core in the binary form\n"
        "  -h, --help  this text\n"
        "Exit status: 0 core written, 1 the trace could not be read or is malformed,\n"
        "2 wrong arguments.\n");
    return 0;
  }
  if (argc != 3 && form == kSameForm) {
    printf("usage: qrp-trim IN.qrp OUT.qrp\n");
    return 2;
  }
  const char *in_path = argv[argc - 2], *out_path = argv[argc - 1];
  // The core is written while the trace is read again: one file for both
  // would lose the trace.
  if (Same_file(in_path, out_path)) return Fail(out_path, 0, "the output is the trace itself"), 1;
  // Three passes: a pipe is read from a copy.
  std::string source, problem;
  if (!Rereadable_name(in_path, &source, &problem)) return Fail(in_path, 0, problem), 1;
  int binary;
  {
    text_reader_ in;
    if (!Reader_open(&in, source.c_str())) return Fail(in_path, 0, "cannot open the trace"), 1;
    binary = Is_binary_trace(&in);
    Reader_close(&in);
  }
  trace_lines_ t;
  if (!Read_trace(in_path, source.c_str(), binary, &t)) return 1;
  const size_t proof_lines = t.lines;
  Mark_core(&t);
  long long kept = 0, lines = 0;
  if (!Write_core(in_path, source.c_str(), out_path, binary, form, t.keep, &kept, &lines)) return 1;
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  printf("qrp-trim: %lld lines read, %zu proof lines, %lld kept, %.2f s\n", lines, proof_lines,
         kept, seconds);
  return 0;
}
