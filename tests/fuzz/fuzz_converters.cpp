// Fuzz target: the four formula converters. Byte 0 picks the trace or the
// QDIMACS converter and the polarity; the rest is the input text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "formula_blif.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1) return 0;
  converter_ c;
  c.input_name = "memory";
  Reader_memory(&c.in, reinterpret_cast<const char *>(data + 1), size - 1);
  std::string sink;
  Writer_memory(&c.out, &sink);
  const bool true_formula = data[0] & 1;
  if (data[0] & 2)
    Convert_trace(&c, true_formula);
  else
    Convert_qdimacs(&c, true_formula);
  return 0;
}
