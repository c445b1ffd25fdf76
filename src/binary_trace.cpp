#include "binary_trace.h"

#include <cstring>
#include <string>

namespace bqrp_detail {

// Near the end of a block or of the input: byte by byte.
int Read_varint_slow(text_reader_ *r, uint32_t *value) {
  uint32_t v = 0;
  for (int i = 0; i < 5; ++i) {
    const int c = Read_char(r);
    if (c < 0) return -1;
    v |= uint32_t(c & 0x7f) << (7 * i);
    if (c < 0x80) {
      if (i == 4 && c > 7) return 0;
      *value = v;
      return 1;
    }
  }
  return 0;
}

}  // namespace bqrp_detail

int Is_binary_trace(text_reader_ *r) {
  static const char kMagic[] = "p bqrp ";
  const size_t n = sizeof kMagic - 1;
  return Reader_ensure(r, n) >= n && std::memcmp(r->data + r->at, kMagic, n) == 0;
}

int Bin_read_header(text_reader_ *r, int *vars, int *clauses) {
  // "p bqrp V C": a short line, so bytes are read one by one.
  std::string line;
  for (;;) {
    const int c = Read_char(r);
    if (c < 0 || line.size() > 100) return 0;
    if (c == 0) break;
    line.push_back(char(c));
  }
  text_reader_ words;
  Reader_memory(&words, line.data(), line.size());
  std::string_view w;
  return Read_word(&words, &w) == 1 && Read_word(&words, &w) == 1 && Read_int(&words, vars) == 1 &&
         Read_int(&words, clauses) == 1 && Read_word(&words, &w) == -1;
}

int Bin_next_section(text_reader_ *r) {
  const size_t n = Reader_ensure(r, 2);
  if (n == 0) return 0;
  if (r->data[r->at] != 0) return 's';
  if (n < 2) return 0;
  const char c = r->data[r->at + 1];
  if (c != 'a' && c != 'e' && c != 'r') return 0;
  r->at += 2;
  return c;
}

int Bin_skip_list(text_reader_ *r) {
  // A 0 byte ends the list unless it ends a longer varint, that is, unless
  // the byte before it has the high bit set.
  bool continued = false;  // the byte before data[at] has the high bit set
  for (;;) {
    if (r->at == r->end && Reader_ensure(r, 1) == 0) return -1;
    const char *s = r->data + r->at, *lim = r->data + r->end;
    const char *q = static_cast<const char *>(std::memchr(s, 0, size_t(lim - s)));
    if (!q) {
      continued = (lim[-1] & 0x80) != 0;
      r->at = r->end;
      continue;
    }
    const bool ends_varint = q == s ? continued : (q[-1] & 0x80) != 0;
    r->at = size_t(q + 1 - r->data);
    if (!ends_varint) return 1;
    continued = false;
  }
}
