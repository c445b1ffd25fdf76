// Fuzz target: the formula reader of every mode. Byte 0 picks the mode,
// byte 1 the outer limit (-1 to 3); the rest is the input text.
#include <cstddef>
#include <cstdint>

#include "records.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 2) return 0;
  const int mode = data[0] % 5, outer_limit = data[1] % 5 - 1;
  text_reader_ in;
  Reader_memory(&in, reinterpret_cast<const char *>(data + 2), size - 2);
  std::vector<literal_short_> vars;
  clause_db_ clauses;
  int step_id = 0, pending_id = 0, blocks = 0;
  Parse_input(&in, mode, outer_limit, &vars, &clauses, &step_id, &pending_id, &blocks);
  return 0;
}
