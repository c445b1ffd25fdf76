// qdimacs-cnf-true / qdimacs-cnf-false: the matrix of a QDIMACS instance as a
// BLIF network with the output cnf. TRUE_FORMULA selects the polarity at
// build time.
#include "formula_blif.h"

int main(int argc, char **argv) {
  converter_ c;
  if (!Converter_start(&c, argc, argv, "..please specify a single proof <.qdimacs> filename.."))
    return 2;
  if (!Converter_open(&c, 7, "blif")) return 1;
  return Convert_qdimacs(&c, TRUE_FORMULA);
}
