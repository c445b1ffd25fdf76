// One certification run: read the formula, replay the proof, order the
// recorded steps, write the certificate.
#include <algorithm>
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

// Room for what inputs of this size can hold, so that the stores do not
// move their contents while they grow; pages never written cost nothing.
void Reserve_stores(run_records_ *r, size_t input_bytes, int alter) {
  const size_t bytes = std::min(input_bytes, size_t(1) << 30);
  Reserve_large(&r->clauses.lits, bytes / 4);
  Reserve_large(&r->clauses.lit_start, bytes / 16);
  Reserve_large(&r->clauses.step, bytes / 16);
  Reserve_large(&r->clauses.mark, bytes / 16);
  Reserve_large(&r->clauses.pred_start, bytes / 16);
  Reserve_large(&r->steps.lits, bytes / 8);
  Reserve_large(&r->steps.lit_start, bytes / 32);
  Reserve_large(&r->steps.reduced, bytes / 16);
  Reserve_large(&r->steps.reduced_start, bytes / 32);
  Reserve_large(&r->steps.pred_start, bytes / 32);
  if (alter) Reserve_large(&r->steps.preds, bytes / 16);
}

// Opens the input (and in mode 0 the proof) and reads the formula. On
// success `proof` stands where the proof steps begin.
int Read_input(const char *file_name, int mode, int outer_limit, int alter, text_reader_ *proof,
               run_records_ *r) {
  int lines = 0;
  if (mode == 0) {
    std::string proof_name = std::string(file_name) + ".qbc";
    if (!Count_lines(proof_name.c_str(), &lines) || !Reader_open(proof, proof_name.c_str()))
      return Print_file_error(1), 0;
    text_reader_ instance;
    if (!Reader_open(&instance, file_name)) {
      Reader_close(proof);
      return Print_file_error(0), 0;
    }
    Reserve_stores(r, instance.size + proof->size, alter);
    int ok = Parse_input(&instance, 0, outer_limit, &r->vars, &r->clauses, &r->step_id,
                         &r->pending_id, &r->block_count);
    Reader_close(&instance);
    if (!ok) {
      Reader_close(proof);
      return Print_file_error(2), 0;
    }
    std::string_view header;
    Read_word(proof, &header);
    return 1;
  }
  if (!Count_lines(file_name, &lines) || !Reader_open(proof, file_name))
    return Print_file_error(0), 0;
  Reserve_stores(r, proof->size, alter);
  if (!Parse_input(proof, mode, outer_limit, &r->vars, &r->clauses, &r->step_id, &r->pending_id,
                   &r->block_count)) {
    Reader_close(proof);
    return Print_file_error(2), 0;
  }
  return 1;
}

}  // namespace

int Replay_and_write(run_records_ *r, text_reader_ *proof, int mode, int rfao, int alter,
                     text_writer_ *out, const char *out_name, clock_t t_read) {
  for (;;) {
    int got = Get_resolve_clauses(proof, mode, &r->vars, &r->clauses, &r->first, &r->second,
                                  &r->pivot, &r->step_id, &r->pending_id);
    if (got == -1) break;
    if (got == 1 && !Resolution(&r->vars, &r->first, &r->second, mode, &r->reduced)) got = 4;
    if (got != 1) {
      // A failed replay leaves the header that was already written.
      Writer_close(out);
      Print_file_error(got == 0 ? 3 : 4);
      return 0;
    }
    Update_family(&r->steps, &r->reduced, &r->first, &r->second, alter);
    if (mode == 0) {
      if (r->clauses.size() + 1 < size_t(r->step_id))
        Db_push_empty(&r->clauses, 0, size_t(r->step_id) - 1 - r->clauses.size());
      Db_push(&r->clauses, r->first);
    }
  }
  const clock_t t_replay = clock();
  printf(" -- Analyzing proof.. OK! time: %7.2fs --\n", Seconds(t_read, t_replay));

  Minimize_alter(&r->vars, &r->steps, &r->var_steps, alter, r->block_count);
  const clock_t t_order = clock();
  if (alter) printf(" -- Min alternation.. OK! time: %7.2fs --\n", Seconds(t_replay, t_order));

  int written;
  if (rfao) {
    written = Write_model_aigmin(out, &r->vars, mode, &r->steps, &r->var_steps);
  } else {
    Write_model_blif(out, &r->vars, mode, &r->steps, &r->var_steps);
    Writer_flush(out);
    written = !out->failed;
  }
  printf(" -- Writing output..  OK! time: %7.2fs --\n", Seconds(t_order, clock()));
  if (!rfao) written = Finish_blif(out) && written;
  if (!written) {
    printf(" -- ERROR:  Could not write output file: %s --\n", out_name);
    return 0;
  }
  return 1;
}

int Proof_to_model(char *file_name, int mode, int outer_limit, int rfao, int alter, int core) {
  const clock_t t_start = clock();
  run_records_ r;
  r.pending_id = core;
  text_reader_ proof;
  if (!Read_input(file_name, mode, outer_limit, alter, &proof, &r)) return 0;
  const clock_t t_read = clock();
  printf(" -- Reading input..   OK! time: %7.2fs --\n", Seconds(t_start, t_read));

  const std::string out_name = Output_name(file_name, rfao, alter);
  text_writer_ out;
  if (!Writer_open(&out, out_name.c_str())) {
    Reader_close(&proof);
    printf(" -- ERROR:  Could not create output file: %s --\n", out_name.c_str());
    return 0;
  }
  if (!rfao) Init_blif(&out, &r.vars, mode);
  int ok = Replay_and_write(&r, &proof, mode, rfao, alter, &out, out_name.c_str(), t_read);
  Reader_close(&proof);
  return ok;
}
