#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "test_util.h"

namespace {

const char *kInstance = "c x\nc\np cnf 4 2\na 1 2 0\ne 3 4 0\n1 -3 0\n-2 4 3 0\n";

struct entry_ {
  int var, pos, level, quant;
};

void Expect_table(const run_state_ &s, const std::vector<entry_> &table) {
  ASSERT_EQ(s.vars.size(), table.size());
  for (size_t i = 0; i < table.size(); ++i) {
    const literal_short_ &e = s.vars[i];
    EXPECT_EQ(e.sign, 0) << i;
    EXPECT_EQ(e.weight, 0) << i;
    EXPECT_EQ(e.var, table[i].var) << i;
    EXPECT_EQ(e.pos, table[i].pos) << i;
    EXPECT_EQ(e.level, table[i].level) << i;
    EXPECT_EQ(e.quant, table[i].quant) << i;
  }
}

TEST(ParseInput, QdimacsExample) {
  run_state_ s(kInstance, 0);
  ASSERT_EQ(s.parsed, 1);
  Expect_table(s, {{1, 0, 1, 1}, {2, 1, 1, 1}, {3, 2, 2, 0}, {4, 3, 2, 0}});
  EXPECT_EQ(s.blocks, 2);
  ASSERT_EQ(s.clauses.size(), 2u);
  EXPECT_EQ(Signed(s.At(0)), (std::vector<int>{-3, 1}));
  EXPECT_EQ(Signed(s.At(1)), (std::vector<int>{4, 3, -2}));
  EXPECT_EQ(s.step_id, 2);
  for (const clause_short_ &c : s.Stored()) {
    EXPECT_EQ(c.recorded, 0);
    EXPECT_EQ(c.mark, 0);
    EXPECT_EQ(c.preds, 0);
  }
}

TEST(ParseInput, QdimacsOuterLimitExcludes) {
  run_state_ s(kInstance, 0, 1);
  ASSERT_EQ(s.parsed, 1);
  EXPECT_EQ(s.vars[0].quant, 1);
  EXPECT_EQ(s.vars[1].quant, -1);
  EXPECT_EQ(Signed(s.At(1)), (std::vector<int>{4, 3}));
}

TEST(ParseInput, QdimacsRepeatedQuantifierOpensABlock) {
  run_state_ s("p cnf 2 1\ne 1 0\ne 2 0\n1 2 0\n", 0);
  ASSERT_EQ(s.parsed, 1);
  EXPECT_EQ(s.vars[0].level, 1);
  EXPECT_EQ(s.vars[1].level, 2);
  EXPECT_EQ(s.blocks, 2);
}

// The count of V variables ends the prefix, so a clause that begins with a
// word starting with 'a' or 'e' is not taken for a prefix line; a prefix
// with free variables keeps the number that ended it for the first clause.
TEST(ParseInput, QdimacsPrefixEnds) {
  run_state_ exact("p cnf 3 1\na 1 0\ne 2 3 0\n-1 2 3 0\n", 0);
  ASSERT_EQ(exact.parsed, 1);
  EXPECT_EQ(Signed(exact.At(0)), (std::vector<int>{3, 2, -1}));
  run_state_ free_var("p cnf 4 2\na 1 0\ne 2 3 0\n-1 2 0\n3 0\n", 0);
  ASSERT_EQ(free_var.parsed, 1);
  EXPECT_EQ(Signed(free_var.At(0)), (std::vector<int>{2, -1}));
  EXPECT_EQ(Signed(free_var.At(1)), (std::vector<int>{3}));
  // Variable 4 is free: existential, in a block of its own outside the
  // first prefix line.
  EXPECT_EQ(free_var.vars[3].quant, 0);
  EXPECT_EQ(free_var.vars[3].pos, 0);
  EXPECT_EQ(free_var.vars[0].pos, 1);
  EXPECT_EQ(free_var.blocks, 3);
}

TEST(ParseInput, QdimacsFormatMismatches) {
  const char *bad[] = {
      "",                                            // no problem line
      "p cnf x 2\n",                                 // count not a number
      "p cnf 2 1\na 1 2",                            // ends in a prefix line
      "p cnf 2 1\na 1 0\n",                          // ends where a prefix word belongs
      "p cnf 2 1\na 1 3 0\ne 2 0\n1 0\n",            // variable beyond the table
      "p cnf 2 1\na 1 0\ne -2 0\n1 0\n",             // negative variable in the prefix
      "p cnf 2 1\na 1 2 0\ne 2 0\n1 0\n",            // prefix lists more than declared
      "p cnf 2 2\na 1 0\ne 2 0\n1 -2 0\n2",          // ends inside a clause
      "p cnf 2 1\na 1 0\ne 2 0\n1 5 0\n",            // clause variable beyond the table
      "p cnf 2 1\na 1 0\ne 2 0\n1 x 0\n",            // clause word not a number
      "p cnf 2 1\na 1 0\ne 2 0\n1 99999999999 0\n",  // number overflows
      "p cnf 3 1\na 1 0\ne 2 0\nfoo 0\n",            // free variable, then no number
  };
  for (const char *text : bad) {
    run_state_ s(text, 0);
    EXPECT_EQ(s.parsed, 0) << text;
  }
}

TEST(ParseInput, QubeHeaderAndClauses) {
  const char *trace =
      "QUBE trace x 5 2\n[BEGIN words ]\n[FORMULA 5 2\ne 3 4 0\na 1 2 0\n0 0\n-4 3 1 0\n2 0\n]\n";
  run_state_ s(trace, 1);
  ASSERT_EQ(s.parsed, 1);
  EXPECT_EQ(s.vars.size(), 4u);
  EXPECT_EQ(s.blocks, 2);
  EXPECT_EQ(s.step_id, 2);
  // Literals keep the file order.
  EXPECT_EQ(Signed(s.At(0)), (std::vector<int>{-4, 3, 1}));
  EXPECT_EQ(Signed(s.At(1)), (std::vector<int>{2}));
  run_state_ t(trace, 2);
  ASSERT_EQ(t.parsed, 1);
  ASSERT_EQ(t.clauses.size(), 2u);
  EXPECT_TRUE(t.At(0).lits.empty() && t.At(1).lits.empty());
  EXPECT_EQ(t.step_id, 2);
}

TEST(ParseInput, QubeInnermostExistentialBlockWithMinusOne) {
  const char *trace = "] [FORMULA 6 0 a 1 0 e 2 0 a 3 0 e 4 5 0 0 0";
  run_state_ s(trace, 2, -1);
  ASSERT_EQ(s.parsed, 1);
  EXPECT_EQ(s.vars[1].quant, 0);
  EXPECT_EQ(s.vars[3].quant, -1);
  EXPECT_EQ(s.vars[4].quant, -1);
  run_state_ last_universal("] [FORMULA 4 0 e 1 0 a 2 0 e 3 0 a 0 0 0", 2, -1);
  ASSERT_EQ(last_universal.parsed, 1);
  EXPECT_EQ(last_universal.vars[2].quant, 0);
  // The false mode ignores the rule; -p 1 in mode 2 keeps one existential.
  run_state_ false_mode(trace, 1, -1);
  EXPECT_EQ(false_mode.vars[4].quant, 0);
  run_state_ limited(trace, 2, 1);
  EXPECT_EQ(limited.vars[1].quant, 0);
  EXPECT_EQ(limited.vars[3].quant, -1);
  EXPECT_EQ(limited.vars[0].quant, 1);
}

TEST(ParseInput, QubeShortInput) {
  run_state_ s("] [FORMULA 3 3 e 1 2 0 0 0 1 -2 0 2", 1);
  ASSERT_EQ(s.parsed, 1);
  EXPECT_EQ(Signed(s.At(0)), (std::vector<int>{1, -2}));
  EXPECT_EQ(Signed(s.At(s.clauses.size() - 1)), (std::vector<int>{2}));
  const char *bad[] = {"no closing bracket",       "] [FORMULAX 3 0 e 1 0 0 0",
                       "] [FORMULA 3 0 e 1 0 1 0", "] [FORMULA 3 0 e 1 0 0",
                       "] [FORMULA 3 0 e 1",       "] [FORMULA 3 1 e 1 0 0 0 4 0"};
  for (const char *text : bad) {
    run_state_ b(text, 1);
    EXPECT_EQ(b.parsed, 0) << text;
  }
}

TEST(ParseInput, QrpHeaderLeavesPendingId) {
  run_state_ s("p qrp 6 9\ne 1 2 0\na 3 0\n12 1 2 0 0\n", 3, 0, 1);
  ASSERT_EQ(s.parsed, 1);
  EXPECT_EQ(s.pending_id, 12);
  EXPECT_EQ(s.step_id, 11);
  EXPECT_EQ(s.clauses.size(), 0u);
  EXPECT_EQ(s.vars.size(), 6u);
  run_state_ innermost("p qrp 3 1\na 1 0\ne 2 3 0\n1 2 0 0\n", 4, -1);
  EXPECT_EQ(innermost.vars[1].quant, -1);
  run_state_ ends("p qrp 3 1\na 1 0\ne 2 3 0\n", 4);
  EXPECT_EQ(ends.parsed, 0);
}

TEST(InsertLiteral, ExistentialsThenUniversalsByFallingPosition) {
  clause_short_ c;
  const int order[][2] = {{3, 0}, {4, 1}, {7, 0}, {9, 1}, {5, 0}, {6, 1}};
  for (const auto &o : order) Insert_literal(&c, Lit(1, o[0], o[0], o[1]));
  std::vector<int> pos;
  for (const literal_short_ &l : c.lits) pos.push_back(l.pos);
  EXPECT_EQ(pos, (std::vector<int>{7, 5, 3, 9, 6, 4}));
  // Equal positions: an existential goes behind, a universal in front.
  clause_short_ d;
  Insert_literal(&d, Lit(1, 1, 2, 0));
  Insert_literal(&d, Lit(-1, 1, 2, 0));
  Insert_literal(&d, Lit(1, 2, 3, 1));
  Insert_literal(&d, Lit(-1, 2, 3, 1));
  EXPECT_EQ(Signed(d), (std::vector<int>{1, -1, -2, 2}));
}

// Small tables (repeats on most lines) and a large one with its positions
// shuffled (lines of distinct variables, some spanning the whole prefix).
TEST(DbPushRead, StoresInTheOrderOfInsertingOneByOne) {
  std::mt19937 rng(7);
  for (int size : {7, 2000}) {
    std::vector<int> pos(size_t(size - 1));
    for (int v = 0; v < size - 1; ++v) pos[size_t(v)] = v;
    if (size > 7) std::shuffle(pos.begin(), pos.end(), rng);
    std::vector<literal_short_> vars;
    for (int v = 1; v < size; ++v) vars.push_back(Lit(0, v, pos[size_t(v - 1)], v % 2 ? 0 : 1));
    vars.push_back(literal_short_());  // the last variable: excluded
    for (int trial = 0; trial < 1000; ++trial) {
      std::vector<int> numbers;
      const int n = int(rng() % (trial % 4 ? 12 : 90));
      for (int k = 0; k < n; ++k) {
        const int v = size > 7 && trial % 8 == 0 ? (k % 2 ? size - 1 : 1 + k)  // wide
                                                 : int(1 + rng() % size_t(size));
        numbers.push_back((rng() % 2 ? 1 : -1) * v);
      }
      clause_short_ inserted;
      for (int x : numbers)
        if (Entry_of(vars, x).quant >= 0) Insert_literal(&inserted, Stored_literal(vars, x));
      clause_db_ want, got;
      Db_push(&want, inserted);
      ASSERT_EQ(Db_push_read(&got, vars, numbers, 1), inserted.lits.size());
      ASSERT_EQ(got.lits, want.lits) << "table " << size << ", trial " << trial;
      EXPECT_EQ(Db_mark(got, 0), 1);
    }
  }
}

// Clauses released as a replay releases them, each after its last reader:
// the store compacts on the way and the live clauses read back unchanged.
TEST(Records, ReleasedClausesLeaveTheOthersIntact) {
  std::vector<literal_short_> vars;
  for (int v = 1; v <= 100; ++v) vars.push_back(Lit(1, v, v - 1, 0));
  clause_db_ db;
  std::vector<std::vector<int32_t>> want;
  const size_t n = 4000, width = 50;
  for (size_t k = 0; k < n; ++k) {
    clause_short_ c;
    std::vector<int32_t> numbers;
    for (size_t j = 0; j < width; ++j) {
      const int v = int(1 + (k * 7 + j * 13) % 100), sign = (k + j) % 3 ? 1 : -1;
      c.lits.push_back(Lit(sign, v, v - 1, 0));
      numbers.push_back(sign * v);
    }
    Db_push(&db, c);
    want.push_back(numbers);
    if (k >= 10 && (k - 10) % 5) Db_release(&db, k - 10);
  }
  EXPECT_LT(db.lits.size(), n * width / 2);
  clause_short_ got;
  for (size_t k = 0; k < n; ++k) {
    if (k + 10 < n && k % 5) continue;
    Db_get(db, vars, k, &got);
    std::vector<int32_t> numbers;
    for (const literal_short_ &l : got.lits) numbers.push_back(l.sign * l.var);
    ASSERT_EQ(numbers, want[k]) << "clause " << k;
  }
}

// A run without -alter keeps no steps or pred sets per slot: entries read
// back as with them, only never as recorded.
TEST(Records, StoreWithoutFamilyReadsTheSameLiteralsAndMarks) {
  std::vector<literal_short_> vars;
  for (int v = 1; v <= 4; ++v) vars.push_back(Lit(1, v, v - 1, 0));
  clause_db_ with, without;
  without.family = false;
  for (clause_db_ *db : {&with, &without}) {
    clause_short_ c;
    c.lits = {Lit(1, 1, 0, 0), Lit(-1, 3, 2, 0)};
    c.recorded = 1, c.step = 3, c.preds = 5, c.mark = 1;
    Db_push(db, c);
    Db_push_empty(db, 1, 3);   // short: slots of their own
    Db_push_empty(db, 0, 70);  // long: a gap
    Db_push_read(db, vars, {-4, 2}, 1);
  }
  EXPECT_TRUE(without.step.empty() && without.preds.empty());
  ASSERT_EQ(without.size(), with.size());
  clause_short_ a, b;
  for (size_t k = 0; k < with.size(); ++k) {
    Db_get(with, vars, k, &a);
    Db_get(without, vars, k, &b);
    ASSERT_EQ(Signed(a), Signed(b)) << "entry " << k;
    EXPECT_EQ(a.mark, b.mark) << "entry " << k;
    EXPECT_EQ(a.recorded, k == 0) << "entry " << k;
    EXPECT_EQ(b.recorded | b.step | b.preds, 0) << "entry " << k;
  }
  Db_get(with, vars, 0, &a);
  EXPECT_EQ(a.step * 10 + a.preds, 35);
}

TEST(Records, CopiesAreDeep) {
  clause_short_ a;
  a.lits.push_back(Lit(1, 1, 0, 0));
  clause_short_ b = a;
  b.lits.clear();
  EXPECT_EQ(a.lits.size(), 1u);
}

}  // namespace
