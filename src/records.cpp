#include <algorithm>

#include "records.h"

// Keeps a clause as: existential literals by non-increasing position, then
// universal literals by non-increasing position. An existential literal goes
// behind existentials of the same position, a universal one in front of
// universals of the same position. The list is always sorted, so the place
// is found by binary search.
void Insert_literal(clause_short_ *clause, const literal_short_ &lit) {
  std::vector<literal_short_> &lits = clause->lits;
  std::vector<literal_short_>::iterator at;
  if (lit.quant == 0)
    at = std::partition_point(lits.begin(), lits.end(), [&](const literal_short_ &x) {
      return x.quant == 0 && x.pos >= lit.pos;
    });
  else
    at = std::partition_point(lits.begin(), lits.end(), [&](const literal_short_ &x) {
      return x.quant == 0 || x.pos > lit.pos;
    });
  lits.insert(at, lit);
}
