#include "records.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>

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

// The same order as inserting the literals one by one into an empty clause:
// ties among existentials keep their reading order, ties among universals
// are reversed. Sorting keeps long clauses from costing quadratic time.
void Order_literals(std::vector<literal_short_> *lits) {
  auto before = [](const literal_short_ &x, const literal_short_ &y) {
    if (x.quant != y.quant) return x.quant < y.quant;
    return x.pos > y.pos;
  };
  if (std::is_sorted(
          lits->begin(), lits->end(),
          [&](const literal_short_ &x, const literal_short_ &y) { return before(x, y); })) {
    // Already ordered; only equal-position universals would need reversing.
    bool ties = false;
    for (size_t i = 1; i < lits->size() && !ties; ++i)
      ties = (*lits)[i].quant == 1 && (*lits)[i - 1].quant == 1 &&
             (*lits)[i].pos == (*lits)[i - 1].pos;
    if (!ties) return;
  }
  std::vector<std::pair<literal_short_, int>> keyed;
  keyed.reserve(lits->size());
  for (size_t i = 0; i < lits->size(); ++i) keyed.emplace_back((*lits)[i], int(i));
  std::sort(keyed.begin(), keyed.end(), [&](const auto &a, const auto &b) {
    if (before(a.first, b.first)) return true;
    if (before(b.first, a.first)) return false;
    return a.first.quant == 0 ? a.second < b.second : a.second > b.second;
  });
  for (size_t i = 0; i < lits->size(); ++i) (*lits)[i] = keyed[i].first;
}

void Db_push(clause_db_ *db, const clause_short_ &clause) {
  for (const literal_short_ &l : clause.lits) db->lits.push_back(l.sign * l.var);
  db->lit_start.push_back(db->lits.size());
  db->step.push_back(clause.recorded == 1 ? clause.step : -1);
  db->mark.push_back(uint8_t(clause.mark));
  db->preds.insert(db->preds.end(), clause.preds.begin(), clause.preds.end());
  db->pred_start.push_back(db->preds.size());
}

void Db_push_empty(clause_db_ *db, int mark, size_t count) {
  db->lit_start.resize(db->lit_start.size() + count, db->lits.size());
  db->step.resize(db->step.size() + count, -1);
  db->mark.resize(db->mark.size() + count, uint8_t(mark));
  db->pred_start.resize(db->pred_start.size() + count, db->preds.size());
}

void Db_get(const clause_db_ &db, const std::vector<literal_short_> &vars, size_t k,
            clause_short_ *out) {
  out->lits.clear();
  for (uint64_t i = db.lit_start[k]; i < db.lit_start[k + 1]; ++i)
    out->lits.push_back(Stored_literal(vars, db.lits[i]));
  out->recorded = db.step[k] >= 0;
  out->step = db.step[k] >= 0 ? db.step[k] : 0;
  out->mark = db.mark[k];
  out->preds.assign(db.preds.begin() + long(db.pred_start[k]),
                    db.preds.begin() + long(db.pred_start[k + 1]));
}

void Step_push(step_store_ *steps, const clause_short_ &clause, const clause_short_ &reduced) {
  for (const literal_short_ &l : clause.lits) steps->lits.push_back(l.sign * l.var);
  steps->lit_start.push_back(steps->lits.size());
  for (const literal_short_ &l : reduced.lits) steps->reduced.push_back(l.sign * l.var);
  steps->reduced_start.push_back(steps->reduced.size());
  steps->preds.insert(steps->preds.end(), clause.preds.begin(), clause.preds.end());
  steps->pred_start.push_back(steps->preds.size());
}

void Advise_huge(const void *p, size_t bytes) {
#ifdef MADV_HUGEPAGE
  const uintptr_t huge = uintptr_t(1) << 21;
  const uintptr_t from = (uintptr_t(p) + huge - 1) & ~(huge - 1);
  const uintptr_t to = (uintptr_t(p) + bytes) & ~(huge - 1);
  if (to > from) madvise(reinterpret_cast<void *>(from), to - from, MADV_HUGEPAGE);
#else
  (void)p;
  (void)bytes;
#endif
}
