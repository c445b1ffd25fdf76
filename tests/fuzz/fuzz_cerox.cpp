// Fuzz target: a whole cerox run on an in-memory input: formula, proof
// replay in every dialect (text or binary, plain or compressed), step
// ordering and both writers. Bytes 0 to 3 pick the mode, -alter (0 to 4),
// -rfao (bit 0 of byte 2), the replay of a 'qrp' proof's core only (bit 1)
// and the outer limit (-1 to 3); in mode 0 the instance and the proof are
// separated by the first NUL byte.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "binary_trace.h"
#include "records.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 4) return 0;
  const int mode = data[0] % 5, alter = data[1] % 5, rfao = data[2] & 1, core = data[2] & 2;
  const int outer_limit = data[3] % 5 - 1;
  const char *text = reinterpret_cast<const char *>(data + 4);
  size_t length = size - 4;
  run_records_ r;
  text_reader_ instance, proof;
  if (mode == 0) {
    const char *nul = static_cast<const char *>(std::memchr(text, '\0', length));
    size_t split = nul ? size_t(nul - text) : length;
    Reader_memory(&instance, text, split);
    Reader_memory(&proof, text + std::min(split + 1, length), length - std::min(split + 1, length));
    if (!Parse_input(&instance, 0, outer_limit, &r.vars, &r.clauses, &r.step_id, &r.pending_id,
                     &r.block_count))
      return 0;
    std::string_view header;
    Read_word(&proof, &header);
  } else {
    Reader_memory(&proof, text, length);
    r.binary = mode >= 3 && Is_binary_trace(&proof);
    if (!Parse_input(&proof, mode, outer_limit, &r.vars, &r.clauses, &r.step_id, &r.pending_id,
                     &r.block_count))
      return 0;
    if (mode >= 3 && !core) {
      text_reader_ lines;
      Reader_memory(&lines, text, length);
      std::string problem;
      if (!Read_trace_lines(&lines, r.binary, 2, &r.lines, &problem)) return 0;
      Mark_core(&r.lines);
      r.core.lines = &r.lines;
    }
  }
  std::string sink;
  text_writer_ out;
  Writer_memory(&out, &sink);
  if (!rfao) Init_blif(&out, &r.vars, mode);
  Replay_and_write(&r, &proof, mode, rfao, alter, &out, "memory", clock());
  return 0;
}
