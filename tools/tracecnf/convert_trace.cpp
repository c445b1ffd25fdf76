// The formula section of a 'qube' trace as a BLIF network.
#include <cstdint>
#include <cstdio>

#include "formula_blif.h"

int Convert_trace(converter_ *c, bool true_formula) {
  c->selected = true_formula ? 1 : 0;
  std::string_view w;
  for (int k = 0; k < 3; ++k)
    if (Read_word(&c->in, &w) != 1) return Converter_fail(c, "input ends in the header");
  int expected, clauses;
  if (Read_int(&c->in, &expected) != 1 || Read_int(&c->in, &clauses) != 1)
    return Converter_fail(c, "bad or missing counts in the header");
  if (Read_word(&c->in, &w) != 1) return Converter_fail(c, "input ends in the header");
  if (w == "[BEGIN") Skip_line_rest(&c->in);
  if (Read_word(&c->in, &w) != 1) return Converter_fail(c, "input ends in the header");
  if (w != "[FORMULA") printf("bad\n");
  for (int k = 0; k < 2; ++k)
    if (Read_word(&c->in, &w) != 1) return Converter_fail(c, "input ends in the header");
  // The first count is the number of variables plus one.
  if (!Set_var_count(c, expected > INT32_MIN ? expected - 1 : 0)) return 1;
  std::string held;
  if (!Read_prefix_list(c, &expected, &held)) return 1;
  if (Read_word(&c->in, &w) != 1) return Converter_fail(c, "input ends after the prefix");
  if (w != "0") printf("bad\n");
  Write_header(c, clauses);
  for (int i = 0; i < clauses; ++i) {
    if (!Read_clause_numbers(c, nullptr)) return 1;
    // The complement of the matrix ignores empty clauses.
    if (true_formula && c->numbers.empty()) continue;
    Write_clause_node(c, i);
  }
  return Converter_finish(c, true_formula ? '0' : '1');
}
