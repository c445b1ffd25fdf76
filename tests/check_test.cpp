// cerox-check on certificates that try to fool it and on right ones: the
// verdict and its reason, from both engines.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <numeric>
#include <random>

#include "network.h"

namespace {

struct check_case_ {
  const char *name;
  const char *formula;
  const char *certificate;
  bool true_formula;
  int verdict;         // 1 VALID, 0 INVALID
  const char *reason;  // what the reason holds when INVALID
};

void PrintTo(const check_case_ &c, std::ostream *os) { *os << c.name; }

// Writes text to a fresh file; its path.
std::string Temp_file(const std::string &text) {
  char path[] = "/tmp/cerox_check_test_XXXXXX";
  const int fd = mkstemp(path);
  EXPECT_GE(fd, 0);
  EXPECT_EQ(write(fd, text.data(), text.size()), ssize_t(text.size()));
  close(fd);
  return path;
}

// The verdict of one engine ("sim", "sat", or "sat per clause": one solve
// per clause from the start), with the reason.
int Check(const check_case_ &c, const std::string &engine, std::string *reason) {
  const std::string fpath = Temp_file(c.formula), cpath = Temp_file(c.certificate);
  check_formula_ f;
  network_ n;
  std::vector<int> order;
  int verdict = -1;
  if (!Read_formula(fpath.c_str(), c.true_formula ? 0 : 1, &f, reason)) {
    ADD_FAILURE() << *reason;
  } else if (!Read_network(cpath.c_str(), int(f.vars.size()), &n, reason) ||
             !Check_structure(f, n, &order, reason)) {
    verdict = 0;
  } else {
    verdict = engine == "sim"   ? Simulate_check(f, &n, order, reason)
              : engine == "sat" ? Sat_check(f, n, order, reason)
                                : Sat_check(f, n, order, reason, 0);
  }
  unlink(fpath.c_str());
  unlink(cpath.c_str());
  return verdict;
}

class Certificates : public testing::TestWithParam<check_case_> {};

TEST_P(Certificates, GetTheirVerdictFromBothEngines) {
  const check_case_ &c = GetParam();
  for (const char *engine : {"sim", "sat", "sat per clause"}) {
    std::string reason;
    EXPECT_EQ(Check(c, engine, &reason), c.verdict) << engine << ": " << reason;
    if (c.verdict == 0) {
      EXPECT_NE(reason.find(c.reason), std::string::npos) << engine << ": " << reason;
    }
  }
}

// E1 A2: false; A1 E2: true; both with the clauses (1 | -2) (-1 | 2).
const char *kE1A2 = "p cnf 2 2\ne 1 0\na 2 0\n1 -2 0\n-1 2 0\n";
const char *kA1E2 = "p cnf 2 2\na 1 0\ne 2 0\n1 -2 0\n-1 2 0\n";
// E1 A2 E3 A4: true (x1 anything, x3 := 2).
const char *kE1A2E3A4 = "p cnf 4 2\ne 1 0\na 2 0\ne 3 0\na 4 0\n3 -2 4 -4 0\n-3 2 1 -1 0\n";

INSTANTIATE_TEST_SUITE_P(
    Table, Certificates,
    testing::Values(
        check_case_{"model", kA1E2, ".model m\n.inputs 1\n.outputs 2\n.names 1 2\n1 1\n.end\n",
                    true, 1, ""},
        check_case_{"countermodel", kE1A2,
                    ".model m\n.inputs 1\n.outputs 2\n.names 1 2\n0 1\n.end\n", false, 1, ""},
        // A formula without clauses may end with its problem line or its
        // prefix, even one that leaves variables free; it is true.
        check_case_{"no_clauses_no_prefix", "p cnf 0 0\n", ".model m\n.inputs\n.outputs\n.end\n",
                    true, 1, ""},
        check_case_{"no_clauses_free_variables", "p cnf 3 0\ne 1 0\n",
                    ".model m\n.outputs 1\n.names 1\n.end\n", true, 1, ""},
        check_case_{"no_clauses_is_not_false", "p cnf 2 0\na 1 0\ne 2\n0\n",
                    ".model m\n.outputs 1\n.names 1\n.end\n", false, 0, "the matrix holds"},
        check_case_{
            "model_reads_later_universal", kE1A2,
            ".model m\n.inputs 2\n.outputs 1\n.names 2 1\n1 1\n.end\n", true, 0,
            "the function of variable 1 depends on variable 2, which is quantified after it"},
        check_case_{"countermodel_reads_later_existential", kA1E2,
                    ".model m\n.inputs 2\n.outputs 1\n.names 2 1\n0 1\n.end\n", false, 0,
                    "the function of variable 1 depends on variable 2"},
        check_case_{"through_nodes_two_blocks_in", kE1A2E3A4,
                    ".model m\n.outputs 1 3\n.names 4 a\n1 1\n.names a b\n0 1\n.names b 1\n1 1\n"
                    ".names 2 3\n1 1\n.end\n",
                    true, 0, "the function of variable 1 depends on variable 4"},
        check_case_{"through_a_certified_variable", kE1A2E3A4,
                    ".model m\n.outputs 1 3\n.names 3 1\n1 1\n.names 2 3\n1 1\n.end\n", true, 0,
                    "the function of variable 1 depends on variable 2"},
        // A function may read a later certified variable whose own function
        // reads nothing later than it.
        check_case_{"reads_a_later_constant", kE1A2E3A4,
                    ".model m\n.outputs 1 3\n.names 3 1\n1 1\n.names 3\n1\n.end\n", true, 1, ""},
        check_case_{"missing_function", kE1A2E3A4, ".model m\n.outputs 3\n.names 2 3\n1 1\n.end\n",
                    true, 0, "variable 1 has no function"},
        check_case_{"two_definitions", kA1E2,
                    ".model m\n.outputs 2\n.names 1 2\n1 1\n.names 1 2\n0 1\n.end\n", true, 0,
                    "variable 2 has two definitions"},
        check_case_{"defines_an_input", kA1E2,
                    ".model m\n.outputs 2\n.names 1\n1\n.names 1 2\n1 1\n.end\n", true, 0,
                    "variable 1 is universal: the certificate must not define it"},
        check_case_{
            "cycle", kA1E2,
            ".model m\n.outputs 2\n.names b a\n1 1\n.names a b\n1 1\n.names a 2\n1 1\n.end\n", true,
            0, "the network has a cycle through signal"},
        check_case_{"unknown_variable", kA1E2, ".model m\n.outputs 2\n.names 7 2\n1 1\n.end\n",
                    true, 0, "names a variable the formula does not have"},
        check_case_{"undefined_signal", kA1E2, ".model m\n.outputs 2\n.names n 2\n1 1\n.end\n",
                    true, 0, "signal n is neither defined nor a variable of the formula"},
        check_case_{"not_an_output", kA1E2, ".model m\n.outputs\n.names 1 2\n1 1\n.end\n", true, 0,
                    "variable 2 is not an output"},
        check_case_{"wrong_model", kA1E2, ".model m\n.outputs 2\n.names 1 2\n0 1\n.end\n", true, 0,
                    "is false when 1="},
        check_case_{"wrong_countermodel", kE1A2, ".model m\n.outputs 2\n.names 1 2\n1 1\n.end\n",
                    false, 0, "the matrix holds when 1="},
        check_case_{"latch", kA1E2, ".model m\n.outputs 2\n.latch 1 2\n.end\n", true, 0,
                    ".latch is not part of a combinational certificate"},
        check_case_{"off_set_cover_and_continuation", kA1E2,
                    ".model m\n.outputs 2 # a comment\n.names \\\n 1 2\n0 0\n.end\n", true, 1, ""},
        check_case_{"multi_row_cover", kA1E2,
                    ".model m\n.outputs 2\n.names 1 z 2\n1- 1\n-1 1\n.names z\n.end\n", true, 1,
                    ""}),
    [](const testing::TestParamInfo<check_case_> &info) { return std::string(info.param.name); });

// Models of e := OR of terms over 14 universals, one single-row node per
// term as cerox writes them: enough inputs that the simulation runs batches
// of fixed inputs, terms that share their part on fixed inputs, and each
// term also reads a node h (an OR of two inputs) that it must follow while
// its part on fixed inputs holds. The matrix asks for e wherever a term
// holds, so a model that leaves out one term is wrong exactly when an
// assignment satisfies that term alone.
// What follows the declared clauses: DepQBF reads an extra clause (an empty
// one makes kA1E2 false), so the formula is refused; comments and blank
// lines are not clauses.
TEST(Formula, RefusesWhatFollowsItsDeclaredClauses) {
  const struct {
    const char *after;
    bool refused;
  } cases[] = {{"0\n", true},    {"1 2 0\n", true},      {"-2\n", true},
               {"%\n0\n", true}, {"c done\nc\n", false}, {"\n \n", false}};
  for (const auto &c : cases) {
    const std::string path = Temp_file(std::string(kA1E2) + c.after);
    check_formula_ f;
    std::string problem;
    EXPECT_EQ(Read_formula(path.c_str(), 0, &f, &problem), c.refused ? 0 : 1) << c.after;
    if (c.refused) {
      EXPECT_NE(problem.find("goes on after its last clause"), std::string::npos) << c.after;
    }
    unlink(path.c_str());
  }
}

// A refused formula gets the reason a person would find: the first line
// that breaks a rule, or where it ends short. Formulas DepQBF solves (a
// variable above the declared count, clauses missing at the end) are among
// them.
TEST(Formula, RefusalNamesTheFirstBrokenRule) {
  const struct {
    const char *text, *reason;
  } cases[] = {
      {"p cnf 2 2\na 1 0\ne 2 0\n1 2 3 0\n-1 -2 0\n",
       "line 4: variable 3 is above the 2 that the problem line declares"},
      {"p cnf 2 2\na 1 0\ne 2 0\n1 -2147483648 0\n", "line 4: variable 2147483648 is above the 2"},
      {"p cnf 2 3\r\na 1 0\r\ne 2 0\r\n1 2 0\r\n-1 -2 0\r\n",
       "it ends after 2 of the 3 clauses that its problem line declares (cut short?)"},
      {"p cnf 2 2\na 1 0\ne 2 0\n1 2 0\n-1 -2\n", "it ends after 1 of the 2 clauses"},
      {"p cnf 2 1\na 1 0\ne 2 0\n1 x 0\n", "line 4: 'x' is not a number"},
      {"p cnf 2 1\na 1 0\ne 2 0\n99999999999 0\n", "line 4: '99999999999' is not a number"},
      {"p cnf 2 1\na -1 0\ne 2 0\n1 2 0\n", "line 2: a negative number in a quantifier line"},
      {"p cnf 2 2\na 1 0\n1 2 0\ne 2 0\n-1 0\n", "line 4: a quantifier line after the first"},
      {"c one\np cnf 2 1\nc two\na 1 0\n1 2 0\n", "line 3: a comment line after the problem"},
      {"c one\na 1 0\n", "line 2: no problem line 'p cnf VARIABLES CLAUSES' before it"},
      {"p cnf 2\n", "line 1: no problem line"},
      {"c x\ne 1 2 3\n", "line 2: no problem line"},
      {"p cnf 2 1\na 1 0\n", "it ends after 0 of the 1 clauses"},
      {"p cnf 2 1\ne 1\n2\n0\n1 x 0\n", "line 5: 'x' is not a number"},
      {"p cnf 1 1\na 1 0\ne 1 0\n", "line 3: a quantifier line after the first clause"},
      {"c only\n", "no problem line 'p cnf VARIABLES CLAUSES'"},
      {"p cnf 2000000000 1\n1 0\n", "line 1: the problem line declares 2000000000 variables"},
  };
  for (const auto &c : cases) {
    const std::string path = Temp_file(c.text);
    check_formula_ f;
    std::string problem;
    EXPECT_EQ(Read_formula(path.c_str(), 0, &f, &problem), 0) << c.text;
    EXPECT_NE(problem.find(std::string(" is not a QDIMACS formula: ") + c.reason),
              std::string::npos)
        << c.text << " gave: " << problem;
    unlink(path.c_str());
  }
}

TEST(Simulation, AgreesWithEnumeration) {
  std::mt19937 rng(11);
  const int count = 20;
  auto text = [](int v) { return std::to_string(v); };
  std::string inputs;
  for (int v = 1; v <= 14; ++v) inputs += " " + text(v);
  int wrong = 0;
  for (int trial = 0; trial < 40; ++trial) {
    // A term's input literals, the last two of them those of its h.
    std::vector<std::vector<int>> terms(count);
    std::string formula = "p cnf 15 40\na" + inputs + " 0\ne 15 0\n";
    std::string cert = ".model m\n.inputs" + inputs + "\n.outputs 15\n", out = ".names";
    const int left_out = trial % 2 ? int(rng() % count) : -1;
    for (int k = 0; k < count; ++k) {
      std::vector<int> vars(14);
      std::iota(vars.begin(), vars.end(), 1);
      std::shuffle(vars.begin(), vars.end(), rng);
      vars.resize(size_t(4 + rng() % 4));
      std::string negated, row, name = "t" + text(k);
      cert += ".names";
      for (int &v : vars) {
        if (rng() % 2) v = -v;
        if (&v >= &vars[vars.size() - 2]) continue;
        negated += text(-v) + " ";
        cert += " " + text(std::abs(v));
        row += v > 0 ? "1" : "0";
      }
      const int x = vars[vars.size() - 2], y = vars.back();
      formula += negated + text(-x) + " 15 0\n" + negated + text(-y) + " 15 0\n";
      cert += " h" + name + " " + name + "\n" + row + "1 1\n.names " + text(std::abs(x)) + " " +
              text(std::abs(y)) + " h" + name + "\n" + (x > 0 ? "1- 1\n-" : "0- 1\n-") +
              (y > 0 ? "1" : "0") + " 1\n";
      if (k != left_out) out += " " + name;
      terms[size_t(k)] = vars;
    }
    const int kept = count - (left_out >= 0);  // e: one row per term kept
    cert += out + " 15\n";
    for (int k = 0; k < kept; ++k)
      cert += std::string(size_t(k), '-') + "1" + std::string(size_t(kept - k - 1), '-') + " 1\n";
    cert += ".end\n";
    auto is = [](int lit, unsigned a) { return (a >> (std::abs(lit) - 1) & 1) == (lit > 0); };
    auto holds = [&](int k, unsigned a) {
      const std::vector<int> &t = terms[size_t(k)];
      for (size_t i = 0; i + 2 < t.size(); ++i)
        if (!is(t[i], a)) return false;
      return is(t[t.size() - 2], a) || is(t.back(), a);
    };
    int valid = 1;
    for (unsigned a = 0; left_out >= 0 && a < (1u << 14) && valid; ++a) {
      if (!holds(left_out, a)) continue;
      valid = 0;
      for (int k = 0; k < count; ++k) valid |= k != left_out && holds(k, a);
    }
    wrong += !valid;
    const check_case_ c{"", formula.c_str(), cert.c_str(), true, valid, ""};
    for (const char *engine : {"sim", "sat"}) {
      std::string reason;
      EXPECT_EQ(Check(c, engine, &reason), valid)
          << engine << ", trial " << trial << ": " << reason;
    }
  }
}

}  // namespace
