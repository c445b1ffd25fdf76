#include "join.h"

#include <cstdio>
#include <string>

namespace {

// Reads words up to and including `until`; 0 when the input ends first, or
// -1 when the word `stop` (if given) comes before it. The words before it
// are written to `copy` (if given) separated by single spaces, then a
// newline.
int Skip_to_word(text_reader_ *in, std::string_view until, text_writer_ *copy,
                 std::string_view stop = {}) {
  std::string_view w;
  bool any = false;
  while (Read_word(in, &w) == 1) {
    if (w == until) {
      if (copy) Put_char(copy, '\n');
      return 1;
    }
    if (!stop.empty() && w == stop) return -1;
    if (copy) {
      if (any) Put_char(copy, ' ');
      Put_str(copy, w);
      any = true;
    }
  }
  return 0;
}

}  // namespace

int Join_blif(text_reader_ *formula, text_reader_ *certificate, text_writer_ *out,
              const char *formula_name, const char *certificate_name) {
  printf("reading proof (1) file..\n");
  std::string line;
  Read_line(formula, &line);
  Put_str(out, line);
  Put_char(out, '\n');
  // The words up to ".outputs" (the .inputs list) are joined on one line.
  if (!Skip_to_word(formula, ".outputs", out)) {
    printf("no .outputs in formula (1) file %s\n", formula_name);
    return 0;
  }
  Put_str(out, ".outputs ");
  // Lines of (1) that end without a newline (its ".end") are left out.
  while (Read_line(formula, &line)) {
    Put_str(out, line);
    Put_char(out, '\n');
  }
  printf("reading certificate (2) file..\n");
  const int found = Skip_to_word(certificate, ".names", nullptr, ".end");
  if (found < 0) {
    // A certificate without functions (no variable to certify): the joined
    // network is the formula's.
    Put_str(out, ".end\n");
    return 1;
  }
  if (!found) {
    printf("no .names in certificate (2) file %s\n", certificate_name);
    return 0;
  }
  Put_str(out, ".names");
  // Every line of (2) is copied, its last one also without a newline; a
  // final newline gives one empty line.
  if (!Reader_at_end(certificate)) {
    for (;;) {
      int complete = Read_line(certificate, &line);
      Put_str(out, line);
      Put_char(out, '\n');
      if (!complete) break;
    }
  }
  return 1;
}
