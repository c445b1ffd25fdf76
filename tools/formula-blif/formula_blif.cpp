#include "formula_blif.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

int Converter_start(converter_ *c, int argc, char **argv, const char *usage) {
  c->started = long(time(nullptr));
  Exit_on_out_of_memory("out of memory", 1);
  printf("-----Starting the program-----\n");
  printf("-----Reading input file-----\n");
  if (argc != 2) {
    printf("%s\n", usage);
    return 0;
  }
  c->input_name = argv[1];
  return 1;
}

int Converter_fail(converter_ *c, const char *problem) {
  // A read or decoding failure explains whatever the text seemed to lack.
  if (c->in.error)
    printf("..%s: cannot read input file: %s..\n", c->input_name, c->in.problem);
  else
    printf("..%s: %s..\n", c->input_name, problem);
  if (c->out.fd >= 0) {
    Writer_close(&c->out);
    unlink(c->output_name.c_str());
  }
  Reader_close(&c->in);
  return 1;
}

int Converter_open(converter_ *c, size_t strip, const char *suffix) {
  std::string name = c->input_name;
  if (name.size() < strip) {
    printf("..%s: file name too short to name the output..\n", c->input_name);
    return 0;
  }
  if (!Reader_open(&c->in, c->input_name)) {
    printf("..%s: cannot open input file..\n", c->input_name);
    return 0;
  }
  // A compressed input names the output as its uncompressed name would.
  const std::string packed = Compression_suffix(c->in.compression);
  if (c->in.compression != kPlain && name.size() >= strip + packed.size() &&
      name.compare(name.size() - packed.size(), packed.size(), packed) == 0)
    name.resize(name.size() - packed.size());
  c->output_name = name.substr(0, name.size() - strip) + suffix;
  if (!Writer_open(&c->out, c->output_name.c_str())) {
    printf("..%s: cannot create output file %s..\n", c->input_name, c->output_name.c_str());
    Reader_close(&c->in);
    return 0;
  }
  return 1;
}

int Read_prefix_list(converter_ *c, int *expected, std::string *held) {
  held->clear();
  char quantifier = 'e';
  std::string_view w;
  while ((quantifier == 'e' || quantifier == 'a') && *expected >= 1) {
    if (Read_word(&c->in, &w) != 1) return Converter_fail(c, "input ends inside the prefix"), 0;
    if (w != "e" && w != "a") {
      held->assign(w);
      return 1;
    }
    quantifier = w[0];
    for (;;) {
      int v;
      if (Read_int(&c->in, &v) != 1)
        return Converter_fail(c, "bad or missing number in the prefix"), 0;
      if (v == 0) break;
      literal_ lit;
      lit.quant = quantifier == 'a';
      lit.var = v;
      lit.pos = int(c->prefix.size());
      c->prefix.push_back(lit);
      --*expected;
    }
  }
  return 1;
}

int Set_var_count(converter_ *c, int count) {
  if (c->selected == 0 && count > 0 && size_t(count) > Reader_budget(&c->in))
    return Converter_fail(c, "declared variable count far larger than the input"), 0;
  c->var_count = count;
  return 1;
}

void Write_header(converter_ *c, int clauses) {
  // A clause takes two bytes at least, so a bogus count claims no more.
  if (clauses > 0) c->clause_names.reserve(std::min(size_t(clauses), c->in.size / 2 + 1));
  Put_str(&c->out, ".model main\n.inputs");
  if (c->selected == 0 && c->var_count > 0) {
    std::vector<char> listed(size_t(c->var_count) + 1, 0);
    for (const literal_ &l : c->prefix)
      if (l.var >= 1 && l.var <= c->var_count) listed[size_t(l.var)] = 1;
    for (int v = 1; v <= c->var_count; ++v)
      if (!listed[size_t(v)]) {
        Put_char(&c->out, ' ');
        Put_int(&c->out, v);
      }
  }
  for (const literal_ &l : c->prefix)
    if (l.quant == c->selected) {
      Put_char(&c->out, ' ');
      Put_int(&c->out, l.var);
    }
  Put_str(&c->out, "\n.outputs cnf\n");
}

int Read_clause_numbers(converter_ *c, const int *first) {
  c->numbers.clear();
  if (first) {
    if (*first == 0) return 1;
    c->numbers.push_back(*first);
  }
  for (;;) {
    int v;
    int r = Read_int(&c->in, &v);
    if (r < 0) return Converter_fail(c, "input ends before all clauses were read"), 0;
    if (r == 0) return Converter_fail(c, "a clause holds a word that is not a number"), 0;
    if (v == 0) return 1;
    c->numbers.push_back(v);
  }
}

void Write_clause_node(converter_ *c, int index) {
  Put_str(&c->out, ".names");
  for (int v : c->numbers) {
    Put_char(&c->out, ' ');
    Put_int(&c->out, v < 0 ? -(long long)v : v);
  }
  Put_str(&c->out, " clause_");
  Put_int(&c->out, index);
  Put_char(&c->out, '\n');
  for (int v : c->numbers) Put_char(&c->out, v > 0 ? '0' : '1');
  Put_str(&c->out, " 0\n");
  c->clause_names.push_back(index);
}

namespace {

void Put_ones(text_writer_ *out, size_t count) {
  for (size_t k = 0; k < count; ++k) Put_char(out, '1');
}

void Put_names(converter_ *c, size_t from, size_t to) {
  for (size_t k = from; k < to; ++k) {
    Put_str(&c->out, "clause_");
    Put_int(&c->out, c->clause_names[k]);
    Put_char(&c->out, ' ');
  }
}

// cnf as the conjunction of the clause nodes, no node with over 101 inputs.
void Write_conjunction(converter_ *c, char suffix) {
  const size_t n = c->clause_names.size();
  if (n == 0) {
    // Nothing to conjoin: the empty matrix is true.
    Put_str(&c->out, ".names cnf\n");
    Put_char(&c->out, suffix);
    Put_char(&c->out, '\n');
    return;
  }
  const size_t groups = (n - 1) / 100, rest = (n - 1) % 100;
  Put_str(&c->out, ".names ");
  for (size_t k = 0; k < groups; ++k) {
    Put_names(c, 100 * k, 100 * k + 100);
    Put_str(&c->out, " new_clause_");
    Put_int(&c->out, (long long)k);
    Put_char(&c->out, '\n');
    Put_ones(&c->out, k == 0 ? 100 : 101);
    Put_str(&c->out, " 1\n.names new_clause_");
    Put_int(&c->out, (long long)k);
    Put_char(&c->out, ' ');
  }
  Put_names(c, 100 * groups, n);
  Put_str(&c->out, "cnf\n");
  Put_ones(&c->out, groups == 0 ? rest + 1 : rest + 2);
  Put_char(&c->out, ' ');
  Put_char(&c->out, suffix);
  Put_char(&c->out, '\n');
}

}  // namespace

int Converter_finish(converter_ *c, char suffix) {
  if (!Reader_intact(&c->in)) return Converter_fail(c, "");
  Write_conjunction(c, suffix);
  Put_str(&c->out, ".end");
  if (!Writer_close(&c->out)) {
    unlink(c->output_name.c_str());
    Reader_close(&c->in);
    printf("..%s: cannot write output file %s..\n", c->input_name, c->output_name.c_str());
    return 1;
  }
  Reader_close(&c->in);
  printf("-----Finish the program!!-----\n");
  printf("Working time is: %ld\n", long(time(nullptr)) - c->started);
  return 0;
}
