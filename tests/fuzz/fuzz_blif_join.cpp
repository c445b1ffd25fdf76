// Fuzz target: blif-join. The formula network and the certificate are
// separated by the first NUL byte.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "join.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const char *text = reinterpret_cast<const char *>(data);
  const char *nul = static_cast<const char *>(std::memchr(text, '\0', size));
  size_t split = nul ? size_t(nul - text) : size;
  size_t rest = split < size ? split + 1 : size;
  text_reader_ formula, certificate;
  Reader_memory(&formula, text, split);
  Reader_memory(&certificate, text + rest, size - rest);
  std::string sink;
  text_writer_ out;
  Writer_memory(&out, &sink);
  Join_blif(&formula, &certificate, &out, "formula", "certificate");
  Writer_close(&out);
  return 0;
}
