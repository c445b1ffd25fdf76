// tracecnf-true / tracecnf-false: the matrix of the formula section of a
// 'qube' trace as a BLIF network with the output cnf. TRUE_FORMULA selects
// the polarity at build time.
#include <cstdio>

#include "formula_blif.h"

int main(int argc, char **argv) {
  converter_ c;
  c.selected = TRUE_FORMULA ? 1 : 0;
  if (!Converter_start(&c, argc, argv, "..please specify a single proof <.txt> filename.."))
    return 2;
  if (!Converter_open(&c, 9, ".blif")) return 1;
  std::string_view w;
  for (int k = 0; k < 3; ++k)
    if (Read_word(&c.in, &w) != 1) return Converter_fail(&c, "input ends in the header");
  int expected, clauses;
  if (Read_int(&c.in, &expected) != 1 || Read_int(&c.in, &clauses) != 1)
    return Converter_fail(&c, "bad or missing counts in the header");
  if (Read_word(&c.in, &w) != 1) return Converter_fail(&c, "input ends in the header");
  if (w == "[BEGIN") Skip_line_rest(&c.in);
  if (Read_word(&c.in, &w) != 1) return Converter_fail(&c, "input ends in the header");
  if (w != "[FORMULA") printf("bad\n");
  for (int k = 0; k < 2; ++k)
    if (Read_word(&c.in, &w) != 1) return Converter_fail(&c, "input ends in the header");
  std::string held;
  if (!Read_prefix_list(&c, &expected, &held)) return 1;
  if (Read_word(&c.in, &w) != 1) return Converter_fail(&c, "input ends after the prefix");
  if (w != "0") printf("bad\n");
  Write_header(&c);
  for (int i = 0; i < clauses; ++i) {
    if (!Read_clause_numbers(&c, nullptr)) return 1;
    // The complement of the matrix ignores empty clauses.
    if (TRUE_FORMULA && c.numbers.empty()) continue;
    Write_clause_node(&c, i);
  }
  return Converter_finish(&c, TRUE_FORMULA ? '0' : '1');
}
