#include <gtest/gtest.h>

#include "test_util.h"

namespace {

// Three input clauses over e1 (pos 1), a2 (pos 0): 'qbc' header word first.
const char *kQbcInstance = "p cnf 2 3\na 2 0\ne 1 0\n1 2 0\n-1 0\n-2 0\n";

TEST(QbcReader, Steps) {
  run_state_ s(std::string(kQbcInstance) + "qbc 12 * 3 1 0 CONCLUDE", 0);
  ASSERT_EQ(s.parsed, 1);
  std::string_view header;
  Read_word(&s.in, &header);
  ASSERT_EQ(s.Next(0), 1);
  EXPECT_EQ(s.step_id, 12);
  EXPECT_EQ(Signed(s.first), (std::vector<int>{-2}));
  EXPECT_EQ(Signed(s.second), (std::vector<int>{1, 2}));
  EXPECT_EQ(s.pivot, -1);
  EXPECT_EQ(s.Next(0), -1);
}

TEST(QbcReader, MalformedSteps) {
  const char *bad[] = {
      "4 x 1 2 0",  // second word not "*"
      "4 * 1 9 0",  // antecedent beyond the clause list
      "4 * 0 1 0",  // antecedent 0
      "4 * 1 2",    // ends inside a step
      "",           // ends without CONCLUDE
      "3 * 1 2 0",  // id not above the stored ids
      "4 * 1 y 0",  // antecedent not a number
  };
  for (const char *steps : bad) {
    run_state_ s(std::string(kQbcInstance) + steps, 0);
    ASSERT_EQ(s.parsed, 1);
    EXPECT_EQ(s.Next(0), 0) << steps;
  }
  run_state_ s(kQbcInstance, 0);
  EXPECT_EQ(s.Next(7), 0);
}

// Formula: e1 e2 (block 1), a3 (block 2), e4 (block 3); two clauses.
const char *kQubeFormula =
    "HDR a b 6 2\n[BEGIN x ]\n[FORMULA 5 2\ne 1 2 0\na 3 0\ne 4 0\n0 0\n"
    "4 1 -3 0\n-4 2 0\n]\n";

TEST(QubeReader, NogoodChainsAndPlaceholders) {
  run_state_ s(std::string(kQubeFormula) +
                   "[GOOD 1 2 3 0 4 5 0 6 7 0\n]\n"
                   "[NOGOOD 1 2 0 1 0\n2 4 0\n]\n[NOGOOD 7 8 9 0 4 9 0 ]\n[END\n",
               1);
  ASSERT_EQ(s.parsed, 1);
  ASSERT_EQ(s.Next(1), 1);          // header of the first nogood: starts from clause 1
  EXPECT_EQ(s.clauses.size(), 3u);  // the cube block took id 3 as a placeholder
  EXPECT_TRUE(s.At(2).lits.empty());
  EXPECT_EQ(Signed(s.first), (std::vector<int>{4, 1, -3}));
  EXPECT_TRUE(s.second.lits.empty());
  ASSERT_EQ(s.Next(1), 1);  // chain step 2 with pivot 4
  EXPECT_EQ(s.pivot, 4);
  EXPECT_EQ(Signed(s.second), (std::vector<int>{-4, 2}));
  s.first.lits = s.second.lits;  // stands for a resolvent
  ASSERT_EQ(s.Next(1), 1);       // "]" files it as id 4, the next header starts from it
  ASSERT_EQ(s.clauses.size(), 4u);
  EXPECT_EQ(Signed(s.At(3)), (std::vector<int>{-4, 2}));
  EXPECT_EQ(Signed(s.first), (std::vector<int>{-4, 2}));
  s.first.lits.clear();  // the empty clause is not filed
  EXPECT_EQ(s.Next(1), -1);
  EXPECT_EQ(s.clauses.size(), 4u);
}

TEST(QubeReader, GoodHeaderTakesTheSecondListWhenTheFirstIsExcluded) {
  // -p -1: e4 (innermost block) is excluded.
  run_state_ s(std::string(kQubeFormula) +
                   "[NOGOOD 1 2 0 1 0 ]\n[GOOD 9 4 0 7 8 0 5 -3 1 0\n]\n"
                   "[GOOD 9 1 -3 0 7 8 0 5 2 0\n]\n[END",
               2, -1);
  ASSERT_EQ(s.parsed, 1);
  s.pivot = 7;
  ASSERT_EQ(s.Next(2), 1);
  EXPECT_EQ(s.clauses.size(), 3u);                        // placeholder for the nogood
  EXPECT_EQ(Signed(s.first), (std::vector<int>{-3, 1}));  // file order kept
  EXPECT_EQ(s.pivot, -1);
  s.first.recorded = s.second.recorded = 1;
  ASSERT_EQ(s.Next(2), 1);
  EXPECT_EQ(s.first.recorded, 0);
  EXPECT_EQ(s.second.recorded, 0);
  ASSERT_EQ(s.clauses.size(), 4u);  // the first cube was filed as id 4
  EXPECT_EQ(Signed(s.first), (std::vector<int>{1, -3}));
  EXPECT_EQ(s.Next(2), -1);
}

TEST(QubeReader, MalformedTraces) {
  const char *bad[] = {
      "",                                 // ends before any block
      "[NOGOOD 1 2 0 1 0 9 4 0 ]",        // chain step beyond the clause list
      "[NOGOOD 1 2 0 1 0 x 4 0 ]",        // chain step id not a number
      "[NOGOOD 1 2 0 0 0 ]",              // header starts from clause 0
      "[NOGOOD 1 2 0 1 0 2 4",            // ends inside a chain step
      "[NOGOOD 1 2 0",                    // ends inside a header
      "[GOOD 1 2 0 [NOGOOD 1 2 0 1 0 ]",  // the scan meets the end
  };
  for (const char *steps : bad) {
    run_state_ s(std::string(kQubeFormula) + steps, 1);
    ASSERT_EQ(s.parsed, 1);
    int r;
    int calls = 0;
    while ((r = s.Next(1)) == 1 && ++calls < 10) {
    }
    EXPECT_EQ(r, 0) << steps;
  }
}

// Prefix: e1 (pos 0), a2 (pos 1), e3 (pos 2).
const char *kQrpHeader = "p qrp 3 4\ne 1 0\na 2 0\ne 3 0\n";

TEST(QrpReader, InputLinesGapsAndReplay) {
  run_state_ s(
      std::string(kQrpHeader) + "1 1 -2 3 0 0\n2 -3 0 0\n5 2 0 0\n6 0 1 2 0\n8 0 6 0\nr UNSAT\n",
      3);
  ASSERT_EQ(s.parsed, 1);
  EXPECT_EQ(s.pending_id, 1);
  ASSERT_EQ(s.Next(3), 1);  // line 6 resolves 1 and 2
  EXPECT_EQ(s.pending_id, -1);
  ASSERT_EQ(s.clauses.size(), 5u);
  EXPECT_EQ(Signed(s.At(0)), (std::vector<int>{3, 1, -2}));  // ordered insertion
  EXPECT_TRUE(s.At(2).lits.empty() && s.At(3).lits.empty());
  EXPECT_EQ(s.At(2).mark, 0);
  EXPECT_EQ(Signed(s.first), (std::vector<int>{3, 1, -2}));
  EXPECT_EQ(Signed(s.second), (std::vector<int>{-3}));
  s.first.lits = {Lit(1, 1, 0, 0)};  // stands for the resolvent
  ASSERT_EQ(s.Next(3), 1);           // line 8: one antecedent, second is empty
  ASSERT_EQ(s.clauses.size(), 7u);   // resolvent filed as 6, placeholder 7
  EXPECT_EQ(Signed(s.At(5)), (std::vector<int>{1}));
  EXPECT_EQ(Signed(s.first), (std::vector<int>{1}));
  EXPECT_TRUE(s.second.lits.empty());
  s.first.lits.clear();
  EXPECT_EQ(s.Next(3), -1);
}

TEST(QrpReader, MarksSkipTheOtherKind) {
  // Mode 4: input lines are cubes (mark 1); a derived line whose first
  // antecedent has mark 0 is not replayed and passes mark 0 on.
  run_state_ s(std::string(kQrpHeader) + "1 1 0 0\n2 -1 0 0\n3 0 1 2 0\nr SAT\n", 4);
  ASSERT_EQ(s.parsed, 1);
  ASSERT_EQ(s.Next(4), 1);
  EXPECT_EQ(s.At(0).mark, 1);
  // Mode 3 on the same lines: clauses with mark 0 are replayed as well.
  run_state_ f(std::string(kQrpHeader) + "1 1 0 0\n2 -1 0 0\n3 0 1 2 0\nr SAT\n", 3);
  ASSERT_EQ(f.Next(3), 1);
  // A first id word of 0 leaves pending_id at 0: mode 3 then files input
  // lines empty with mark 1, and lines derived from them are not replayed.
  run_state_ m(std::string(kQrpHeader) + "0 1 1 0 0\n2 0 1 0\nr\n", 3);
  ASSERT_EQ(m.parsed, 1);
  EXPECT_EQ(m.pending_id, 0);
  EXPECT_EQ(m.Next(3), -1);
  ASSERT_EQ(m.clauses.size(), 2u);
  for (const clause_short_ &c : m.Stored()) {
    EXPECT_TRUE(c.lits.empty());
    EXPECT_EQ(c.mark, 1);
  }
}

TEST(QrpReader, ExcludedLiteralsAreDropped) {
  run_state_ s("p qrp 3 1\na 2 0\ne 1 3 0\n1 1 -2 3 0 0\n2 0 1 0\nr\n", 4, -1);
  ASSERT_EQ(s.parsed, 1);
  ASSERT_EQ(s.Next(4), 1);
  EXPECT_EQ(Signed(s.At(0)), (std::vector<int>{-2}));
}

TEST(QrpReader, MalformedLines) {
  const char *bad[] = {
      "1 1 0 0\n0 2 0 0\nr\n",                // id 0
      "1 1 0 0\nx 2 0 0\nr\n",                // id not a number
      "1 1 0 0\n2 0 1 3 0\nr\n",              // antecedent beyond the list
      "1 1 0 0\n2 -1 0 0\n3 0 1 2 1 0\nr\n",  // three antecedents
      "1 1 0 0\n2 1",                         // ends inside a line
      "1 1 0 0\n",                            // ends without "r"
      "1 4 0 0\nr\n",                         // variable beyond the table
      "2 1 0 0\n2 -1 0 0\nr\n",               // id repeated
  };
  for (const char *lines : bad) {
    run_state_ s(std::string(kQrpHeader) + lines, 3);
    ASSERT_EQ(s.parsed, 1);
    int r, calls = 0;
    while ((r = s.Next(3)) == 1 && ++calls < 10) s.first.lits.clear();
    EXPECT_EQ(r, 0) << lines;
  }
}

}  // namespace
