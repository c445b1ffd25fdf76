// tracecnf-true / tracecnf-false: the matrix of the formula section of a
// 'qube' trace as a BLIF network with the output cnf. TRUE_FORMULA selects
// the polarity at build time.
#include "formula_blif.h"

int main(int argc, char **argv) {
  converter_ c;
  if (!Converter_start(&c, argc, argv, "..please specify a single proof <.txt> filename.."))
    return 2;
  if (!Converter_open(&c, 9, ".blif")) return 1;
  return Convert_trace(&c, TRUE_FORMULA);
}
