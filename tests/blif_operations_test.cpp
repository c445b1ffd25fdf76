#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>

#include "test_util.h"

namespace {

std::string Chain(const std::vector<int> &list, int var, int mode, int *alternations) {
  std::string out;
  text_writer_ w;
  Writer_memory(&w, &out);
  Write_partial(&w, list.data(), list.size(), var, mode, alternations, 1);
  Writer_close(&w);
  return out;
}

TEST(WritePartial, WorkedChains) {
  const struct {
    std::vector<int> list;
    int var, mode;
    const char *text;
    int alternations;
  } cases[] = {
      {{1, -2}, 9, 2, ".names cl1 cl0 9\n10 0\n", 1},
      {{-1, 2}, 9, 2, ".names cl1 cl0 9\n10 1\n", 1},
      {{1, -2}, 9, 1, ".names cl1 cl0 9\n01 1\n", 1},
      {{-1, 2}, 9, 3, ".names cl1 cl0 9\n01 0\n", 1},
      {{1, -2, -3}, 9, 4, ".names cl2 cl1 new9a0\n00 1\n.names new9a0 cl0 9\n00 0\n", 2},
      {{1, -3, -4, 2}, 5, 2, ".names cl1 cl3 cl2 new5a0\n100 1\n.names new5a0 cl0 5\n00 0\n", 2},
  };
  for (const auto &c : cases) {
    int alternations = 10;
    EXPECT_EQ(Chain(c.list, c.var, c.mode, &alternations), c.text);
    EXPECT_EQ(alternations, 10 + c.alternations);
  }
}

// The chain as the worked cases spell it, built from strings: nodes from the
// list's end, each taking a run of one sign and the previous node.
std::string Chain_by_strings(const std::vector<int> &list, int var, int mode) {
  const char t = mode == 2 || mode == 4 ? '1' : '0', f = t == '1' ? '0' : '1';
  const size_t n = list.size();
  std::string out = ".names cl" + std::to_string(std::abs(list[n - 1]) - 1);
  long i = long(n) - 2;
  bool first = true;
  while (true) {
    const bool positive = list[size_t(i)] > 0;
    std::string row;
    for (; i >= 0 && (list[size_t(i)] > 0) == positive; --i, row += f)
      out += " cl" + std::to_string(std::abs(list[size_t(i)]) - 1);
    const std::string next = "new" + std::to_string(var) + "a" + std::to_string(i);
    out += " " + (i >= 0 ? next : std::to_string(var)) + "\n";
    out += (positive != (first && list[n - 1] < 0)) ? f : t;
    out += row + " " + (positive ? f : t) + "\n";
    if (i < 0) return out;
    out += ".names " + next;
    first = false;
  }
}

// Many chains into one writer, crossing its buffer's end anywhere: long
// runs of one sign (one longer than the buffer), the largest numbers.
TEST(WritePartial, ChainsAcrossTheBufferMatchTheirSpelling) {
  std::mt19937 rng(11);
  std::string out, want;
  text_writer_ w;
  Writer_memory(&w, &out);
  int alternations = 0;
  for (int chain = 0; chain < 3000; ++chain) {
    const int var = chain % 7 ? int(1 + rng() % 100000) : INT32_MAX - chain;
    const int mode = 1 + chain % 4;
    const size_t n = chain == 1500 ? 600000 : 2 + rng() % (chain % 5 ? 40 : 3000);
    std::vector<int> list;
    const size_t flip = rng() % (n - 1);  // both signs somewhere
    for (size_t k = 0; k < n; ++k) {
      const int sign = k == flip ? 1 : k == flip + 1 ? -1 : chain % 3 ? (rng() % 2 ? 1 : -1) : 1;
      list.push_back(sign * int(1 + (chain % 11 ? rng() % 5000 : INT32_MAX - 1 - rng() % 10)));
    }
    Write_partial(&w, list.data(), n, var, mode, &alternations, 1);
    want += Chain_by_strings(list, var, mode);
  }
  Writer_close(&w);
  ASSERT_EQ(out.size(), want.size());
  EXPECT_TRUE(out == want);
}

// The records of the whole-file example: universal 2 and 3 in block 1
// (positions 0 and 1), existential 1 in block 2 (position 2); steps: +3;
// -3 +2; nothing. Variable 1's list is +1, -2.
struct example_ {
  std::vector<literal_short_> vars;
  clause_short_ clauses[3];
  step_store_ steps;
  std::vector<std::vector<int>> var_steps;  // made into var_lists_ when written
  example_() {
    vars = {Lit(0, 1, 2, 0, 2), Lit(0, 2, 0, 1, 1), Lit(0, 3, 1, 1, 1)};
    clause_short_ none;
    clauses[0].lits = {Lit(1, 3, 1, 1)};
    clauses[1].lits = {Lit(-1, 3, 1, 1), Lit(1, 2, 0, 1)};
    for (const clause_short_ &k : clauses) Step_push(&steps, k, none);
    var_steps = {{}, {}, {1, -2}};
  }
};

std::string Blif(const example_ &e, int mode, std::string *stdout_text) {
  std::string out;
  text_writer_ w;
  Writer_memory(&w, &out);
  testing::internal::CaptureStdout();
  Init_blif(&w, &e.vars, mode);
  // The step nodes, as the replay writes them when it records the steps.
  for (size_t i = 0; i < 3; ++i) Write_step_node(&w, e.clauses[i].lits, i, mode, nullptr);
  const var_lists_ lists = Var_lists(e.var_steps);
  Write_model_blif(&w, &e.vars, mode, &e.steps, &lists);
  *stdout_text = testing::internal::GetCapturedStdout();
  Finish_blif(&w);
  return out;
}

TEST(WriteModelBlif, WholeModelFile) {
  std::string printed;
  EXPECT_EQ(Blif(example_(), 2, &printed),
            ".model main\n.inputs 2 3\n.outputs 1\n.names 3 cl0\n1 1\n.names 3 2 cl1\n01 1\n"
            ".names cl2\n1\n.names cl1 cl0 1\n10 0\n.end");
  EXPECT_EQ(printed, "    -- alternations: 1\n");
}

TEST(WriteModelBlif, CountermodelVariant) {
  std::string printed;
  EXPECT_EQ(Blif(example_(), 1, &printed),
            ".model main\n.inputs\n.outputs 2 3\n.names 3 cl0\n0 0\n.names 3 2 cl1\n10 0\n"
            ".names cl2\n0\n.names 2\n0\n.names 3\n0\n.end");
  EXPECT_EQ(printed, "    -- alternations: 0\n");
}

TEST(WriteModelBlif, ConstantFunctionsAndExcludedVariables) {
  example_ e;
  e.vars.push_back(Lit(0, 4, 3, 0, 2));   // existential, all-positive list
  e.vars.push_back(Lit(0, 5, 4, 0, 2));   // existential, all-negative list
  e.vars.push_back(Lit(0, 6, 5, -1, 2));  // excluded
  e.vars.push_back(literal_short_());     // never quantified
  e.var_steps.resize(e.vars.size());
  e.var_steps[3] = {1, 2};
  e.var_steps[4] = {-1, -3};
  std::string printed;
  std::string text = Blif(e, 4, &printed);
  EXPECT_NE(text.find(".outputs 1 4 5\n"), std::string::npos) << text;
  EXPECT_NE(text.find(".names 4\n1\n.names 5\n0\n.end"), std::string::npos) << text;
  EXPECT_EQ(text.find(" 6"), std::string::npos) << text;
}

TEST(WriteModelAigmin, ElevenLineExample) {
  example_ e;
  std::string out;
  text_writer_ w;
  Writer_memory(&w, &out);
  const var_lists_ lists = Var_lists(e.var_steps);
  EXPECT_EQ(Write_model_aigmin(&w, &e.vars, 2, &e.steps, &lists), 1);
  EXPECT_EQ(
      out,
      "sat\nvars 3\n3 1 1 2 2 3 0\n3 2 1 1 2 1 0\nnodes 3\n2 0\n-2 1 0\n0\nrfao 1\n3\n1 -2 0\n");
}

TEST(WriteModelAigmin, UnquantifiedEntriesAndCountermodel) {
  std::vector<literal_short_> vars = {Lit(0, 1, 0, 1, 1), literal_short_()};
  step_store_ steps;
  const var_lists_ var_steps = Var_lists({{}, {}});
  std::string out;
  text_writer_ w;
  Writer_memory(&w, &out);
  Write_model_aigmin(&w, &vars, 3, &steps, &var_steps);
  EXPECT_EQ(out, "unsat\nvars 2\n1 1 1 -1 0\n1 1 1 0 0\nnodes 0\nrfao 1\n1\n0\n");
}

// Step nodes name their variables from prepared texts below 2^16 and write
// the others digit by digit; either way the node reads as the numbers
// formatted one by one, also where texts end on the writer's buffer limit
// (a few hundred thousand names), and in a row of digits longer than the
// buffer.
TEST(WriteStepNode, NamesEveryVariableAsItsNumber) {
  std::mt19937 rng(3);
  const std::vector<int> samples = {1, 9, 10, 99, 100, 65535, 65536, 99999, 1000000, INT32_MAX};
  std::string out, want;
  text_writer_ w;
  Writer_memory(&w, &out);
  for (size_t step = 0; step <= 30000; ++step) {
    std::vector<literal_short_> lits;
    std::string names, row;
    for (int k = 0; k < (step < 30000 ? 12 : 400000); ++k) {
      const int var = k < 2 ? samples[rng() % samples.size()] : int(1 + rng() % 70000);
      const int sign = rng() % 2 ? 1 : -1;
      lits.push_back(Lit(sign, var, k, 0));
      names += " " + std::to_string(var);
      row += sign < 0 ? '0' : '1';
    }
    Write_step_node(&w, lits, step, 4, nullptr);
    want += ".names" + names + " cl" + std::to_string(step) + "\n" + row + " 1\n";
  }
  Writer_close(&w);
  ASSERT_EQ(out.size(), want.size());
  EXPECT_TRUE(out == want);
}

}  // namespace
