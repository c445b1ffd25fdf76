// One certification run: read the formula, replay the proof, order the
// recorded steps, write the certificate.
#include <cstdio>
#include <ctime>
#include <string>

#include "records.h"

namespace {

double Seconds(clock_t from, clock_t to) { return double(to - from) / 1000000.0; }

std::string Output_name(const char *file_name, int rfao, int alter) {
  std::string name = file_name;
  if (alter == 1)
    name += "_am1";
  else if (alter == 2)
    name += "_am2";
  else if (alter != 0)
    name += "_am3";
  name += rfao ? ".txt" : ".blif";
  return name;
}

// Opens the input (and in mode 0 the proof) and reads the formula. On
// success `proof` stands where the proof steps begin.
int Read_input(const char *file_name, int mode, int outer_limit, text_reader_ *proof,
               std::vector<literal_short_> *vars, std::vector<clause_short_> *clauses,
               int *step_id, int *pending_id, int *block_count) {
  int lines = 0;
  if (mode == 0) {
    std::string proof_name = std::string(file_name) + ".qbc";
    if (!Count_lines(proof_name.c_str(), &lines)) return Print_file_error(1), 0;
    text_reader_ instance;
    if (!Reader_open(&instance, file_name)) return Print_file_error(0), 0;
    int ok = Parse_input(&instance, 0, outer_limit, vars, clauses, step_id, pending_id,
                         block_count);
    Reader_close(&instance);
    if (!ok) return Print_file_error(2), 0;
    // The proof file was checked above but may have gone since.
    if (!Reader_open(proof, proof_name.c_str())) return Print_file_error(1), 0;
    std::string_view header;
    Read_word(proof, &header);
    return 1;
  }
  if (!Count_lines(file_name, &lines) || !Reader_open(proof, file_name))
    return Print_file_error(0), 0;
  if (!Parse_input(proof, mode, outer_limit, vars, clauses, step_id, pending_id, block_count)) {
    Reader_close(proof);
    return Print_file_error(2), 0;
  }
  return 1;
}

}  // namespace

int Proof_to_model(char *file_name, int mode, int outer_limit, int rfao, int alter, int core) {
  const clock_t t_start = clock();
  std::vector<literal_short_> vars;
  std::vector<clause_short_> clauses;
  clause_short_ first, second, reduced;
  std::vector<clause_short_> step_clauses, step_reduced;
  std::vector<std::vector<int>> var_steps;
  int pivot = -1, step_id = 0, pending_id = core, block_count = 0;
  text_reader_ proof;

  if (!Read_input(file_name, mode, outer_limit, &proof, &vars, &clauses, &step_id, &pending_id,
                  &block_count))
    return 0;
  const clock_t t_read = clock();
  printf(" -- Reading input..   OK! time: %7.2fs --\n", Seconds(t_start, t_read));

  const std::string out_name = Output_name(file_name, rfao, alter);
  text_writer_ out;
  if (!Writer_open(&out, out_name.c_str())) {
    Reader_close(&proof);
    printf(" -- ERROR:  Could not create output file: %s --\n", out_name.c_str());
    return 0;
  }
  if (!rfao) Init_blif(&out, &vars, mode);
  var_steps.resize(vars.size());

  const clause_short_ placeholder;
  for (;;) {
    int r = Get_resolve_clauses(&proof, mode, &vars, &clauses, &first, &second, &pivot, &step_id,
                                &pending_id);
    if (r == -1) break;
    if (r == 1 && !Resolution(&vars, &first, &second, mode, &reduced)) r = 4;
    if (r != 1) {
      // A failed replay leaves the header that was already written.
      Writer_close(&out);
      Reader_close(&proof);
      Print_file_error(r == 0 ? 3 : 4);
      return 0;
    }
    Update_family(&step_clauses, &step_reduced, &reduced, &first, &second, alter);
    if (mode == 0) {
      if (clauses.size() + 1 < size_t(step_id)) clauses.resize(size_t(step_id) - 1, placeholder);
      clauses.push_back(first);
    }
  }
  Reader_close(&proof);
  const clock_t t_replay = clock();
  printf(" -- Analyzing proof.. OK! time: %7.2fs --\n", Seconds(t_read, t_replay));

  Minimize_alter(&vars, &step_clauses, &step_reduced, &var_steps, alter, block_count);
  const clock_t t_order = clock();
  if (alter) printf(" -- Min alternation.. OK! time: %7.2fs --\n", Seconds(t_replay, t_order));

  int written;
  if (rfao) {
    written = Write_model_aigmin(&out, &vars, mode, &step_clauses, &var_steps);
  } else {
    Write_model_blif(&out, &vars, mode, &step_clauses, &var_steps);
    Writer_flush(&out);
    written = !out.failed;
  }
  printf(" -- Writing output..  OK! time: %7.2fs --\n", Seconds(t_order, clock()));
  if (!rfao) written = Finish_blif(&out) && written;
  if (!written) {
    printf(" -- ERROR:  Could not write output file: %s --\n", out_name.c_str());
    return 0;
  }
  return 1;
}
