// One certification run: read the formula, replay the proof, order the
// recorded steps, write the certificate.
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>
#ifdef __GLIBC__  // defined by the headers above
#include <malloc.h>
#endif

#include "binary_trace.h"
#include "records.h"

namespace {

double Seconds(clock_t from, clock_t to) { return double(to - from) / 1000000.0; }

bool Ends_with(const std::string &s, const std::string &end) {
  return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// The name without the suffix of its compression (f.qrp.gz: f.qrp), when the
// file was compressed that way.
std::string Uncompressed_name(const char *file_name, int compression) {
  std::string name = file_name;
  const std::string suffix = Compression_suffix(compression);
  if (compression != kPlain && name.size() > suffix.size() && Ends_with(name, suffix))
    name.resize(name.size() - suffix.size());
  return name;
}

std::string Output_name(const char *file_name, int compression, int rfao, int alter) {
  std::string name = Uncompressed_name(file_name, compression);
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
// move their contents while they grow; pages never written cost nothing
// (but count against an address-space limit: Reserve_basis).
void Reserve_stores(run_records_ *r, size_t input_bytes, int alter) {
  const size_t bytes = Reserve_basis(input_bytes);
  // Only -alter orders the steps by their dependencies.
  r->clauses.family = r->steps.keep_preds = alter != 0;
  Reserve_large(&r->clauses.lits, bytes / 4);
  Reserve_large(&r->clauses.lit_start, bytes / 16);
  Reserve_large(&r->clauses.mark, bytes / 16);
  Reserve_large(&r->steps.lits, bytes / 8);
  Reserve_large(&r->steps.lit_start, bytes / 32);
  Reserve_large(&r->steps.reduced, bytes / 16);
  Reserve_large(&r->steps.reduced_start, bytes / 32);
  if (!alter) return;
  Reserve_large(&r->clauses.step, bytes / 16);
  Reserve_large(&r->clauses.preds, bytes / 16);
  Reserve_large(&r->steps.pred_start, bytes / 32);
  Reserve_large(&r->steps.preds, bytes / 16);
}

// The error of a reader that stopped: a read or decoding failure when there
// was one, else the format error `code`.
void Print_stop(const text_reader_ *in, int code, const char *which) {
  if (in->error)
    printf(" -- ERROR:  Could not read %s file: %s --\n", which, in->problem);
  else
    Print_file_error(code);
}

// Opens the 'qbc' proof of an instance: NAME.qbc, or for a compressed name
// such as f.qdimacs.gz also f.qdimacs.qbc, and that name compressed. -1
// after the error line when a pipe cannot be kept.
int Open_qbc_proof(const char *file_name, text_reader_ *proof) {
  int lines = 0;
  std::vector<std::string> names = {std::string(file_name) + ".qbc"};
  std::string base = file_name;
  for (int kind : {kGzip, kXz, kZstd}) base = Uncompressed_name(base.c_str(), kind);
  if (base != file_name) names.push_back(base + ".qbc");
  for (int kind : {kGzip, kXz, kZstd}) names.push_back(base + ".qbc" + Compression_suffix(kind));
  for (const std::string &name : names) {
    std::string source, problem;
    if (!Rereadable_name(name.c_str(), &source, &problem))
      return printf(" -- ERROR:  Could not read proof file: %s --\n", problem.c_str()), -1;
    if (Count_lines(source.c_str(), &lines) && Reader_open(proof, source.c_str())) return 1;
  }
  return 0;
}

// Opens the input (and in mode 0 the proof) and reads the formula, from
// `source`: the file named, or its copy (Rereadable_name). On success
// `proof` stands where the proof steps begin.
int Read_input(const char *file_name, const char *source, int mode, int outer_limit, int alter,
               text_reader_ *proof, run_records_ *r, int *compression) {
  int lines = 0;
  if (mode == 0) {
    const int opened = Open_qbc_proof(file_name, proof);
    if (opened == 0) Print_file_error(1);
    if (opened <= 0) return 0;
    text_reader_ instance;
    if (!Reader_open(&instance, source)) {
      Reader_close(proof);
      return Print_file_error(0), 0;
    }
    *compression = instance.compression;
    Reserve_stores(r, instance.decoded_size + proof->decoded_size, alter);
    int ok = Parse_input(&instance, 0, outer_limit, &r->vars, &r->clauses, &r->step_id,
                         &r->pending_id, &r->block_count);
    if (!ok || !Reader_intact(&instance)) {
      Print_stop(&instance, 2, "input");
      Reader_close(&instance);
      Reader_close(proof);
      return 0;
    }
    Reader_close(&instance);
    std::string_view header;
    Read_word(proof, &header);
    return 1;
  }
  if (!Count_lines(source, &lines) || !Reader_open(proof, source)) return Print_file_error(0), 0;
  *compression = proof->compression;
  r->binary = (mode == 3 || mode == 4) && Is_binary_trace(proof);
  // Room by the size of the text the input stands for: a binary trace holds
  // about as much as a text one three times larger.
  Reserve_stores(r, (r->binary ? 3 : 1) * proof->decoded_size, alter);
  if (!Parse_input(proof, mode, outer_limit, &r->vars, &r->clauses, &r->step_id, &r->pending_id,
                   &r->block_count)) {
    Print_stop(proof, 2, "input");
    Reader_close(proof);
    return 0;
  }
  return 1;
}

// A raw 'qrp' trace: a first pass reads every line's id and antecedents and
// marks the lines the last one depends on, so that the replay keeps only
// those (with `all`, a core: every line), and notes where each line is read
// the last time, so that its clause can be released then. Returns 1, or 0
// after the error line.
int Mark_trace_core(const char *source, run_records_ *r, bool all) {
  text_reader_ in;
  std::string problem;
  if (!Reader_open(&in, source)) return Print_file_error(0), 0;
  r->lines.uses_only = all;
  int ok = Read_trace_lines(&in, r->binary, 2, &r->lines, &problem) && Reader_intact(&in);
  if (!ok) Print_stop(&in, 3, "input");
  Reader_close(&in);
  if (!ok) return 0;
  // A file given as a core that holds lines outside its core (a raw trace):
  // those would add their reductions to the certificate and spoil it, so
  // only its core is replayed.
  if (all && !Is_core(r->lines)) {
    r->lines = trace_lines_();
    return Mark_trace_core(source, r, false);
  }
  Mark_core(&r->lines, all);
  r->core.lines = &r->lines;
  return 1;
}

// Whether a proof read with -core is worth the first pass for its clauses'
// last uses: a plain file is (a compressed one would be decoded twice).
// Even a small one: the released clauses' memory is used again, which
// saves page faults that cost more than the pass.
bool Pass_pays(const text_reader_ *proof) { return proof->compression == kPlain; }

// One step. A 'qrp' step that plain resolution refuses, or whose parents
// hold merged literals, may be a long-distance one: the parents are taken
// from the store again (the refused attempt used them up) and resolved with
// merging.
int Resolve(run_records_ *r, int mode, int weigh) {
  const bool qrp = mode == 3 || mode == 4;
  if (!qrp || !(r->first.merged || r->second.merged)) {
    if (Resolution(&r->vars, &r->first, &r->second, mode, &r->reduced, weigh)) return 1;
    if (!qrp) return 0;
    Db_get(r->clauses, r->vars, size_t(r->ants[0] - 1), &r->first);
    if (r->ants[1]) Db_get(r->clauses, r->vars, size_t(r->ants[1] - 1), &r->second);
  }
  return Resolution_ld(&r->vars, &r->first, &r->second, mode, &r->reduced, &r->phases, weigh);
}

// The lines replayed from a file taken as a core without the first pass (a
// compressed one): in a core each is read by a later line, but the last.
// One that is not would add its reductions to the certificate.
struct core_audit_ {
  std::vector<uint8_t> unread;  // by id: replayed and not read since
  size_t count = 0;             // ids unread
  long long last = 0;           // the id replayed last
  void Line(long long id, const int *ants) {
    for (int k = 0; k < 2; ++k)
      if (ants[k] > 0 && size_t(ants[k]) < unread.size() && unread[size_t(ants[k])])
        unread[size_t(ants[k])] = 0, --count;
    if (unread.size() <= size_t(id)) unread.resize(std::max(size_t(id) + 1, 2 * unread.size()));
    unread[size_t(id)] = 1;
    ++count;
    last = id;
  }
  bool Core() const { return count == 0 || (count == 1 && unread[size_t(last)]); }
};

bool Has_empty_clause(const clause_db_ &clauses) {
  for (size_t k = 0; k < clauses.slots(); ++k)
    if (clauses.lit_start[k] == clauses.lit_start[k + 1]) return true;
  return false;
}

}  // namespace

int Replay_and_write(run_records_ *r, text_reader_ *proof, int mode, int rfao, int alter,
                     text_writer_ *out, const char *out_name, clock_t t_read) {
  const bool qrp = mode == 3 || mode == 4;
  core_filter_ *core = r->core.lines ? &r->core : nullptr;
  // A BLIF certificate gets each step's node as the step is recorded, so
  // that the steps' clauses need not be kept; a replay that fails cuts the
  // file back to its header.
  const bool stream = !rfao;
  r->steps.keep_clauses = !stream;
  const uint64_t header_end = Writer_position(out);
  // Whether the last step derived the empty clause (cube). Before any step
  // that holds when the formula has an empty clause of its own.
  int last_empty = mode <= 1 && Has_empty_clause(r->clauses);
  core_audit_ audit;
  for (;;) {
    int got = qrp ? Get_qrp_clauses(proof, mode, r->binary, core, &r->vars, &r->clauses, &r->first,
                                    &r->second, &r->pending_id, &last_empty, r->ants)
                  : Get_resolve_clauses(proof, mode, &r->vars, &r->clauses, &r->first, &r->second,
                                        &r->pivot, &r->step_id, &r->pending_id);
    // The proof ended: a compressed one must also decode cleanly to its end,
    // and it must have derived the empty clause (cube).
    if (got == -1 && !Reader_intact(proof)) got = 0;
    if (got == -1 && !last_empty) got = 5;
    if (got == -1 && qrp && !core && !audit.Core()) got = 6;
    if (got == -1) break;
    if (got == 1 && !Resolve(r, mode, Alter_reads_weights(alter))) got = 4;
    // The line's id: entries stand for the ids before it.
    if (got == 1 && qrp && !core) audit.Line((long long)r->clauses.size() + 1, r->ants);
    if (got != 1) {
      // A failed replay leaves the header that was already written.
      Writer_truncate(out, header_end);
      Writer_close(out);
      if (got == 0)
        Print_stop(proof, 3, mode == 0 ? "proof" : "input");
      else if (got == 5)
        printf(" -- ERROR:  Proof does not end in the empty %s. --\n",
               True_mode(mode) ? "cube" : "clause");
      else if (got == 6)
        printf(" -- ERROR:  Proof is no core: replay it without -core. --\n");
      else
        Print_file_error(4);
      return 0;
    }
    last_empty = r->first.lits.empty();
    const size_t recorded = r->steps.size();
    Update_family(&r->steps, &r->reduced, &r->first, &r->second, alter);
    if (stream && r->steps.size() > recorded)
      Write_step_node(out, r->first.lits, recorded, mode, &r->phases);
    if (mode == 0) {
      if (r->clauses.size() + 1 < size_t(r->step_id))
        Db_push_empty(&r->clauses, 0, size_t(r->step_id) - 1 - r->clauses.size());
      Db_push(&r->clauses, r->first);
    }
  }
  const clock_t t_replay = clock();
  printf(" -- Analyzing proof.. OK! time: %7.2fs --\n", Seconds(t_read, t_replay));
  // What only the replay needed goes before the lists and the writing take
  // their room.
  r->clauses = clause_db_();
  for (clause_short_ *c : {&r->first, &r->second, &r->reduced}) *c = clause_short_();
  r->core = core_filter_();
  r->lines = trace_lines_();
  r->steps.sets = pred_sets_();  // the steps' pred lists are spelled out
  Release_replay_scratch();
  if (r->phases.Any()) {
    Print_file_error(5);
    if (rfao) {
      // The RFAO text lists constant values only.
      Writer_close(out);
      printf(" -- ERROR:  RFAO cannot express merged literals. --\n");
      return 0;
    }
  }

  // The step lists, as large as all reduced literals, and the greedy order
  // take room of their own: the free pages of the heap go back first, so
  // that the peak is the larger of replay and ordering, not their sum.
#ifdef __GLIBC__
  malloc_trim(0);
#endif
  Minimize_alter(&r->vars, &r->steps, &r->var_steps, alter, r->block_count);
  const clock_t t_order = clock();
  if (alter) printf(" -- Min alternation.. OK! time: %7.2fs --\n", Seconds(t_replay, t_order));

  int written;
  if (rfao) {
    written = Write_model_aigmin(out, &r->vars, mode, &r->steps, &r->var_steps);
  } else {
    Write_model_blif(out, &r->vars, mode, &r->steps, &r->var_steps, &r->phases);
    Writer_sync(out);
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
  int compression = kPlain;
  // A pipe is read more than once (a raw trace's first pass): from a copy.
  std::string source, problem;
  if (!Rereadable_name(file_name, &source, &problem)) {
    printf(" -- ERROR:  Could not read input file: %s --\n", problem.c_str());
    return 0;
  }
  if (!Read_input(file_name, source.c_str(), mode, outer_limit, alter, &proof, &r, &compression))
    return 0;
  const clock_t t_read = clock();
  printf(" -- Reading input..   OK! time: %7.2fs --\n", Seconds(t_start, t_read));

  const std::string out_name = Output_name(file_name, compression, rfao, alter);
  text_writer_ out;
  if (!Writer_open(&out, out_name.c_str())) {
    Reader_close(&proof);
    printf(" -- ERROR:  Could not create output file: %s --\n", out_name.c_str());
    return 0;
  }
  if (!rfao) Init_blif(&out, &r.vars, mode);
  // Without -core a 'qrp' proof may be a raw trace: only its core is
  // replayed. A plain core read with -core gets the pass too, for the
  // clauses' last uses.
  if ((mode == 3 || mode == 4) && (!core || Pass_pays(&proof)) &&
      !Mark_trace_core(source.c_str(), &r, core)) {
    Writer_close(&out);
    Reader_close(&proof);
    return 0;
  }
  int ok = Replay_and_write(&r, &proof, mode, rfao, alter, &out, out_name.c_str(), t_read);
  Reader_close(&proof);
  return ok;
}
