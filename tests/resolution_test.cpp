#include <gtest/gtest.h>

#include "test_util.h"

namespace {

// e(pos) / u(pos): existential or universal literal whose variable number is
// its position plus one.
literal_short_ E(int pos, int sign = 1) { return Lit(sign, pos + 1, pos, 0); }
literal_short_ U(int pos, int sign = 1) { return Lit(sign, pos + 1, pos, 1); }

struct resolution_case_ {
  const char *name;
  int mode;
  std::vector<literal_short_> a, b;
  int result;
  std::vector<int> r, o;     // signed variable numbers
  std::vector<int> weights;  // by variable number - 1, after the step
};

// Test listings show the case's name, not its bytes.
void PrintTo(const resolution_case_ &c, std::ostream *os) { *os << c.name; }

class ResolutionTable : public ::testing::TestWithParam<resolution_case_> {};

TEST_P(ResolutionTable, ResolventReducedAndWeights) {
  const resolution_case_ &c = GetParam();
  std::vector<literal_short_> vars(10);
  for (int i = 0; i < 10; ++i) vars[size_t(i)].var = i + 1;
  clause_short_ first, second, reduced;
  first.lits = c.a;
  second.lits = c.b;
  reduced.lits.push_back(E(9));  // stale content is replaced
  ASSERT_EQ(Resolution(&vars, &first, &second, c.mode, &reduced), c.result) << c.name;
  if (c.result == 0) {
    for (const literal_short_ &v : vars) EXPECT_EQ(v.weight, 0) << c.name;
    return;
  }
  EXPECT_EQ(Signed(first), c.r) << c.name;
  EXPECT_EQ(Signed(reduced), c.o) << c.name;
  std::vector<int> weights;
  for (const literal_short_ &v : vars) weights.push_back(v.weight);
  weights.resize(c.weights.size());
  EXPECT_EQ(weights, c.weights) << c.name;
  // Without weighing: the same resolvent, and no weight changes.
  for (literal_short_ &v : vars) v.weight = 0;
  first.lits = c.a;
  ASSERT_EQ(Resolution(&vars, &first, &second, c.mode, &reduced, 0), 1) << c.name;
  EXPECT_EQ(Signed(first), c.r) << c.name;
  EXPECT_EQ(Signed(reduced), c.o) << c.name;
  for (const literal_short_ &v : vars) EXPECT_EQ(v.weight, 0) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ResolutionTable,
    ::testing::Values(
        // A = e5 e2 u3, B = -e5 e4 u6: T = 4, u6 reduced, u3 gains weight.
        resolution_case_{"clause example",
                         3,
                         {E(5), E(2), U(3)},
                         {E(5, -1), E(4), U(6)},
                         1,
                         {5, 3, 4},
                         {7},
                         {0, 0, 0, 1, 0, 0, 0}},
        // A = e7 u5 u2, B = e1 -u5 u4: T = 4, e7 reduced, e1 gains weight.
        resolution_case_{"cube example",
                         4,
                         {E(7), U(5), U(2)},
                         {E(1), U(5, -1), U(4)},
                         1,
                         {2, 5, 3},
                         {8},
                         {0, 1, 0, 0, 0, 0, 0, 0}},
        // The same reducible variable in both, opposite signs, beyond T:
        // removed once with the sign of A.
        resolution_case_{"reducible clash removed",
                         0,
                         {E(3), E(1), U(5)},
                         {E(3, -1), E(2), U(5, -1)},
                         1,
                         {3, 2},
                         {6},
                         {0, 0, 0, 0, 0, 0}},
        resolution_case_{"same literal kept once",
                         1,
                         {E(3), E(2), U(1)},
                         {E(3, -1), E(2), U(1)},
                         1,
                         {3, 2},
                         {},
                         {0, 0, 0}},
        resolution_case_{
            "two clashes refused", 3, {E(3), E(2)}, {E(3, -1), E(2, -1)}, 0, {}, {}, {}},
        // A universal below T with both signs is a clash too.
        resolution_case_{"merged universal refused",
                         0,
                         {E(4), E(3), U(1)},
                         {E(4, -1), E(3), U(1, -1)},
                         0,
                         {},
                         {},
                         {}},
        resolution_case_{
            "no clash merges", 3, {E(2), U(4)}, {E(1), U(0)}, 1, {3, 2, 1}, {5}, {1, 0, 0, 0, 0}},
        resolution_case_{"both empty", 4, {}, {}, 1, {}, {}, {0, 0}},
        resolution_case_{
            "empty second, clause", 3, {E(2), U(5), U(1)}, {}, 1, {3, 2}, {6}, {0, 1, 0}},
        resolution_case_{"empty first, clause", 3, {}, {U(1), U(0)}, 1, {}, {2, 1}, {}},
        // Cube whose pivot is the first universal of both: T from the next
        // universals, existentials at or beyond it reduced.
        resolution_case_{"cube pivot first universal",
                         2,
                         {E(6), E(2), U(4), U(3)},
                         {E(1), U(4, -1), U(0)},
                         1,
                         {3, 2, 4, 1},
                         {7},
                         {0, 1, 1, 0}},
        resolution_case_{"cube same-sign first universal",
                         4,
                         {E(5), E(1), U(3)},
                         {E(2), U(3)},
                         1,
                         {3, 2, 4},
                         {6},
                         {0, 1, 1, 0}},
        resolution_case_{"cube no universal in B",
                         2,
                         {E(5), U(3)},
                         {E(6, -1), E(1)},
                         1,
                         {2, 4},
                         {-7, 6},
                         {0, 2}},
        resolution_case_{"nothing reduced, weights unchanged",
                         3,
                         {E(5), E(3), U(2)},
                         {E(5, -1), E(4), U(1)},
                         1,
                         {5, 4, 3, 2},
                         {},
                         {0, 0, 0, 0, 0, 0}}),
    [](const testing::TestParamInfo<resolution_case_> &info) {
      return Test_name(info.param.name);
    });

}  // namespace
