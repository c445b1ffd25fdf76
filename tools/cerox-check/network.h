// cerox-check: a certificate (a BLIF network) against its formula. The
// records shared by the reader, the structure check and the engines.
#ifndef CEROX_CHECK_NETWORK_H
#define CEROX_CHECK_NETWORK_H

#include <cstdint>
#include <string>
#include <vector>

#include "records.h"

// One .names node: output signal and cover rows rows [first_row, first_row +
// rows); on_set: the rows say when the output is 1 (else when it is 0).
// Each row is the list of its literals, signal * 2 + (1 when the input must
// be 0); inputs a row does not care about ('-') are left out.
struct node_ {
  int out = 0;
  uint64_t first_row = 0;
  uint32_t rows = 0;
  bool on_set = true;
};

// Signals: the formula's variables are signals 1..vars (by their numbers);
// every other name gets an id above them.
struct network_ {
  int vars = 0;
  std::vector<std::string> names;  // name of signal vars + 1 + k
  std::vector<node_> nodes;
  std::vector<uint64_t> row_start{0};  // row r: lits[row_start[r], row_start[r + 1])
  std::vector<int> lits;
  std::vector<int> driver;                             // node defining each signal, -1 for none
  int twice = -1;                                      // a signal with a second definition
  std::vector<int> declared_inputs, declared_outputs;  // .inputs, .outputs
  long unknown_variable_line = 0;  // where a number beyond the formula's variables stood
  size_t Signals() const { return size_t(vars) + 1 + names.size(); }
};

// Calls f(signal) for every literal of every row of a node.
template <class F>
void For_each_input(const network_ &n, const node_ &node, F f) {
  for (uint64_t i = n.row_start[node.first_row]; i < n.row_start[node.first_row + node.rows]; ++i)
    f(n.lits[i] >> 1);
}

// The formula, and which quantifier the certificate certifies.
struct check_formula_ {
  std::vector<literal_short_> vars;
  clause_db_ clauses;
  int blocks = 0;
  int certified = 0;         // quant of the variables with functions: 0 (true formula) or 1
  std::vector<char> occurs;  // by variable: in a clause or in the prefix
};

// The name of a signal as the certificate writes it.
std::string Signal_name(const network_ &n, int s);

// Reads a QDIMACS formula (plain or compressed). 1, or 0 with the reason.
int Read_formula(const char *path, int certified, check_formula_ *f, std::string *problem);
int Read_formula(text_reader_ *in, const char *path, int certified, check_formula_ *f,
                 std::string *problem);
// Reads a certificate: .model, .inputs, .outputs, .names with any cover,
// .end, continuation lines and comments. 1, or 0 with the reason (a read
// failure, or text that is not such a network).
int Read_network(const char *path, int vars, network_ *n, std::string *problem);
int Read_network(text_reader_ *in, const char *path, int vars, network_ *n, std::string *problem);

// The structure rules: every certified variable defined exactly once, as an
// output; no variable of the other quantifier defined; only names of the
// formula's variables or of defined signals; no cycle; every function's
// support (through every node below it) only variables quantified before
// its own. Returns 1, or 0 with one line naming the rule and the variable.
// On success *order holds the nodes below the certified variables, inputs
// before the nodes that read them.
int Check_structure(const check_formula_ &f, const network_ &n, std::vector<int> *order,
                    std::string *reason);

// The semantics, given a network that passed the structure check: a false
// formula's matrix with the functions substituted must be unsatisfiable, a
// true formula's must hold under every assignment. Each engine returns 1
// (valid), 0 (a counterexample, described in *reason) or -1 (could not
// decide; *reason says why).
// Every assignment of the inputs, 256 at a time.
// (The literals of each row are put in an order of its own.)
int Simulate_check(const check_formula_ &f, network_ *n, const std::vector<int> &order,
                   std::string *reason);
// CaDiCaL on the network's clauses: one solve for a false formula; for a
// true one a solve of "some clause is false" stopped after first_conflicts
// conflicts (or a number of decisions linear in the size, at most 200,000),
// then one solve per matrix clause (under assumptions).
int Sat_check(const check_formula_ &f, const network_ &n, const std::vector<int> &order,
              std::string *reason, int first_conflicts = 100000);
// The formula's inputs (variables of the other quantifier) the semantics
// ranges over: those in the matrix or read by the network.
std::vector<int> Check_inputs(const check_formula_ &f, const network_ &n,
                              const std::vector<int> &order);

#endif
