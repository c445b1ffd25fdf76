// The formula-to-BLIF dialect shared by the trace and QDIMACS converters:
// prefix list, clause nodes, and the conjunction chained in groups of 100.
#ifndef CEROX_FORMULA_BLIF_H
#define CEROX_FORMULA_BLIF_H

#include <string>
#include <vector>

#include "text_io.h"

struct literal_ {
  int quant = 0;  // 0 for an "e" listing, 1 for an "a" listing
  int spare = 0;
  int var = 0;
  std::string label;
  int pos = 0;
};

// One run of a converter. `selected` is the quant of the primary inputs
// (1 in the true-formula converters, 0 in the false-formula ones).
struct converter_ {
  const char *input_name = nullptr;
  std::string output_name;
  text_reader_ in;
  text_writer_ out;
  int selected = 0;
  int var_count = 0;  // declared: variables 1..var_count that no prefix line lists are free
  std::vector<literal_> prefix;
  std::vector<int> clause_names;  // indices i of the nodes clause_i written
  std::vector<int> numbers;       // the clause being read
  long started = 0;
};

// Prints the two start lines and checks the argument count; 0 after the
// usage message.
int Converter_start(converter_ *c, int argc, char **argv, const char *usage);
// Opens the input and creates the output, named by the input less its last
// `strip` characters followed by `suffix`. 0 after a message.
int Converter_open(converter_ *c, size_t strip, const char *suffix);
// Reads prefix lines while the current quantifier word is "e" or "a" and
// *expected is at least 1. Returns 1; *held receives the word that ended the
// prefix (empty when the count ended it); 0 after a message when the input
// ends inside the prefix.
int Read_prefix_list(converter_ *c, int *expected, std::string *held);
// Writes the model, input and output lines; `clauses` is the declared
// clause count, used to size the node list once. Free variables are
// existential and outermost: the existential inputs begin with them.
void Write_header(converter_ *c, int clauses);
// Sets the declared variable count; 0 after a message when the inputs it
// asks for could not come from an input of this size.
int Set_var_count(converter_ *c, int count);
// Reads numbers up to a 0 into c->numbers, after `first` if given. 1, or 0
// after a message (the input ended or held a word that is no number).
int Read_clause_numbers(converter_ *c, const int *first);
void Write_clause_node(converter_ *c, int index);
// Writes the conjunction with the row suffix, ".end", closes both files and
// prints the closing lines. Returns the exit status.
int Converter_finish(converter_ *c, char suffix);
// Reports a failure naming the input, removes the partial output, and
// returns the exit status 1.
int Converter_fail(converter_ *c, const char *problem);

// The two converters on an opened run (input and output set up); they
// return the exit status.
int Convert_trace(converter_ *c, bool true_formula);
int Convert_qdimacs(converter_ *c, bool true_formula);

#endif
