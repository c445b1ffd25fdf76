// Binary QRP traces ('bqrp'), as DepQBF writes them with --trace=bqrp: the
// text line "p bqrp V C" and a NUL; each prefix line a NUL, 'a' or 'e', the
// variables and a NUL; each step its id, its literals, a NUL, its antecedent
// ids, a NUL; at the end a NUL and the text line "r SAT" or "r UNSAT".
// Numbers are unsigned LEB128 varints (seven bits a byte, low bits first,
// the high bit set on every byte but the last); the literal v is written as
// 2v and -v as 2v + 1, so that a 0 byte ends every list as the word "0"
// does in the text form.
#ifndef CEROX_BINARY_TRACE_H
#define CEROX_BINARY_TRACE_H

#include <cstdint>

#include "text_io.h"

// Whether the input starts with "p bqrp " (nothing is consumed).
int Is_binary_trace(text_reader_ *r);
// Reads the header line and its NUL: 1 with the two counts, else 0.
int Bin_read_header(text_reader_ *r, int *vars, int *clauses);
// What follows the header, a prefix line or a step: 'a' or 'e' for a prefix
// line (its NUL and letter consumed), 's' for a step (nothing consumed), 'r'
// for the end marker (its NUL and "r" consumed), 0 for anything else or the
// end of input.
int Bin_next_section(text_reader_ *r);
// Skips varints up to and including the next 0. 1, or -1 at the end of
// input.
int Bin_skip_list(text_reader_ *r);

namespace bqrp_detail {
int Read_varint_slow(text_reader_ *r, uint32_t *value);
}

// One varint from p, where at least 5 bytes remain: the bytes it takes
// with its value (at most INT32_MAX), 0 when it is larger or longer than
// five bytes.
inline size_t Decode_varint(const unsigned char *p, uint32_t *value) {
  if (p[0] < 0x80) {
    *value = p[0];
    return 1;
  }
  uint32_t v = p[0] & 0x7fu;
  for (int i = 1; i < 5; ++i) {
    v |= uint32_t(p[i] & 0x7fu) << (7 * i);
    if (p[i] < 0x80) {
      // The fifth byte carries bits 28 to 34; only 28 to 30 may be set.
      if (i == 4 && p[i] > 7) return 0;
      *value = v;
      return size_t(i) + 1;
    }
  }
  return 0;
}

// One varint: 1 with its value (at most INT32_MAX), 0 when it is larger or
// longer than five bytes, -1 when the input ends before it does.
inline int Read_varint(text_reader_ *r, uint32_t *value) {
  if (r->end - r->at >= 5) {
    const size_t n = Decode_varint(reinterpret_cast<const unsigned char *>(r->data + r->at), value);
    r->at += n;
    return n > 0;
  }
  return bqrp_detail::Read_varint_slow(r, value);
}

// The signed variable number of an encoded literal; 0 for the encoded 0 and
// 1, which name no variable.
inline int Varint_literal(uint32_t x) {
  const int v = int(x >> 1);
  return x & 1 ? -v : v;
}

// Writes v as a varint.
inline void Put_varint(text_writer_ *w, uint32_t v) {
  while (v >= 0x80) {
    Put_char(w, char(0x80 | (v & 0x7f)));
    v >>= 7;
  }
  Put_char(w, char(v));
}

#endif
