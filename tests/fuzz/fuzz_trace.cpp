// Fuzz target: the input layer on its own. The bytes (plain, or a gzip, xz
// or zstd stream) are read as a 'qrp' trace, text or binary by its first
// bytes, for its lines' ids and antecedents, and the core is marked; then
// the whole input is read again word by word and checked to its end.
#include <cstddef>
#include <cstdint>
#include <string>

#include "binary_trace.h"
#include "trace_core.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const char *text = reinterpret_cast<const char *>(data);
  text_reader_ in;
  Reader_memory(&in, text, size);
  trace_lines_ lines;
  std::string problem;
  if (Read_trace_lines(&in, Is_binary_trace(&in), 2, &lines, &problem)) Mark_core(&lines);
  Reader_intact(&in);
  Reader_memory(&in, text, size);
  std::string_view w;
  while (Read_word(&in, &w) == 1) {
    if (w == "0") Skip_to_zero_word(&in);
  }
  Reader_intact(&in);
  return 0;
}
