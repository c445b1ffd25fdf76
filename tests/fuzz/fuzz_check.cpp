// Fuzz target: cerox-check on random certificates over one small formula,
// true (byte 0 even) or false. Where the structure holds, simulation and
// CaDiCaL must reach the same verdict.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "network.h"

namespace {

// E1 A2 E3 A4 E5 with clauses both answers can certify against.
const char kFormula[] =
    "p cnf 6 5\ne 1 0\na 2 0\ne 3 0\na 4 0\ne 5 0\n1 2 3 0\n-1 -3 4 0\n3 -4 5 0\n-5 2 6 0\n-2 -6 1 "
    "0\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1) return 0;
  const bool true_formula = data[0] % 2 == 0;
  check_formula_ f;
  std::string problem;
  text_reader_ in;
  Reader_memory(&in, kFormula, sizeof kFormula - 1);
  if (!Read_formula(&in, "formula", true_formula ? 0 : 1, &f, &problem)) abort();
  network_ n;
  Reader_memory(&in, reinterpret_cast<const char *>(data + 1), size - 1);
  std::vector<int> order;
  if (!Read_network(&in, "certificate", int(f.vars.size()), &n, &problem) ||
      !Check_structure(f, n, &order, &problem))
    return 0;
  const int sat = Sat_check(f, n, order, &problem);
  const int sim = Simulate_check(f, &n, order, &problem);
  if (sat >= 0 && sim >= 0 && sat != sim) abort();
  return 0;
}
