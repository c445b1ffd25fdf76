// The matrix of a QDIMACS instance as a BLIF network.
#include "formula_blif.h"

int Convert_qdimacs(converter_ *c, bool true_formula) {
  c->selected = true_formula ? 1 : 0;
  std::string_view w;
  do {
    if (Read_word(&c->in, &w) != 1) return Converter_fail(c, "input ends before the problem line");
    if (w == "c") Skip_line_rest(&c->in);
  } while (w == "c");
  int expected, clauses;
  if (Read_word(&c->in, &w) != 1 || Read_int(&c->in, &expected) != 1 ||
      Read_int(&c->in, &clauses) != 1)
    return Converter_fail(c, "bad or missing problem line");
  if (!Set_var_count(c, expected)) return 1;
  std::string held;
  if (!Read_prefix_list(c, &expected, &held)) return 1;
  // A prefix that lists fewer variables than declared ends on the first
  // number of the first clause.
  int first = 0;
  if (clauses > 0 && !held.empty() && !Parse_int_word(held, &first))
    return Converter_fail(c, "a clause holds a word that is not a number");
  Write_header(c, clauses);
  for (int i = 0; i < clauses; ++i) {
    if (!Read_clause_numbers(c, i == 0 && !held.empty() ? &first : nullptr)) return 1;
    Write_clause_node(c, i);
  }
  return Converter_finish(c, true_formula ? '0' : '1');
}
