// Buffered text input and output shared by every program of the toolset.
//
// The reader hands out whitespace-separated words and decimal numbers the way
// formatted input does ("%s", "%d", "%c", "%[^\n]"), but from large blocks and
// without a call per character. Words of any length are read whole. A number
// must be a whole word: an optional sign, decimal digits and nothing else, and
// it must fit an int; anything else is reported so the caller can fail.
#ifndef CEROX_TEXT_IO_H
#define CEROX_TEXT_IO_H

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "decompress.h"

struct text_reader_ {
  int fd = -1;                 // -1 for an in-memory source
  const char *data = nullptr;  // unread bytes are data[at, end)
  size_t at = 0;
  size_t end = 0;
  int eof = 0;                    // the source has no more bytes beyond data[end)
  int error = 0;                  // a read from the file failed
  size_t size = 0;                // bytes in the source when known (regular files, memory)
  size_t decoded_size = 0;        // bytes it reads as: size, or a compressed source's hint
  std::unique_ptr<char[]> block;  // file-backed sources read into this
  size_t block_size = 0;
  std::string spill;         // a word that crosses a block boundary
  int compression = kPlain;  // of the source; its bytes are decoded on the way in
  std::unique_ptr<decoder_, decoder_deleter_> decoder;
  const char *problem = nullptr;  // why a read failed, when error is set
  size_t consumed = 0;            // bytes of the (decoded) source before data[0]
};

// Opens a file for reading. Returns 1, or 0 when it cannot be opened or is a
// directory. A gzip, xz or zstd file (by its first bytes) is decoded on the
// way in: the words read are those of the decompressed text.
int Reader_open(text_reader_ *r, const char *path);
// A name under which `path` can be opened and read to its end any number of
// times: `path` itself, or for a pipe (a FIFO: also /dev/stdin or a shell's
// <(...) when they are one) the name of a copy of everything it delivers,
// made in $TMPDIR (else /tmp) at the first call for that path and kept,
// nameless, for the life of the process. Returns 1, or 0 with the reason in
// *problem when the copy cannot be made.
int Rereadable_name(const char *path, std::string *name, std::string *problem);
// Where scratch files go: $TMPDIR, else /tmp.
std::string Temp_dir();
// 1 when both names exist and are one file (also through links): an output
// opened under one would truncate the input read under the other.
int Same_file(const char *a, const char *b);
// Reads from memory that outlives the reader (tests, fuzzing); compressed
// data is decoded as from a file.
void Reader_memory(text_reader_ *r, const char *data, size_t size);
void Reader_close(text_reader_ *r);
// 1 when every read went through. A compressed source is first decoded to
// its end, so that a truncated or corrupt stream is found even when the
// reader stopped before it (its checksums come last); a plain source is not
// read further.
int Reader_intact(text_reader_ *r);
// Makes at least n bytes readable at data[at] unless the input ends first;
// returns how many are.
size_t Reader_ensure(text_reader_ *r, size_t n);
// How many table entries or skipped ids an input of this size may ask for:
// far more than any real input uses, so a few bytes cannot claim gigabytes.
size_t Reader_budget(const text_reader_ *r);

// "%s": skips white space and returns the next word in *word, valid until
// the next read. Returns 1, or -1 at the end of input.
int Read_word(text_reader_ *r, std::string_view *word);
// "%d": 1 with the number in *value; 0 when the next word is not a number
// that fits an int (that word is consumed); -1 at the end of input.
int Read_int(text_reader_ *r, int *value);
// Parses a whole word as an int: optional sign, decimal digits, in range.
int Parse_int_word(std::string_view word, int *value);
// 1 when no byte is left to read.
int Reader_at_end(text_reader_ *r);
// "%c": the next character, white space included, or -1 at the end of input.
int Read_char(text_reader_ *r);
// "%[^\n]": consumes the rest of the line, not its newline.
void Skip_line_rest(text_reader_ *r);
// "%[^\n]" with the text kept (any length).
void Read_line_rest(text_reader_ *r, std::string *line);
// Skips words up to and including the next word "0" (the end of a literal
// list), without parsing the words in between. Returns 1, or -1 when the
// input ends first.
int Skip_to_zero_word(text_reader_ *r);
// Reads up to and including the next newline into *line, without the
// newline. Returns 1 when a newline ended the line, 0 when the input ended
// first (then *line holds what was left, possibly nothing).
int Read_line(text_reader_ *r, std::string *line);

inline bool Is_space(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The words of a line already in memory (line-oriented readers that copy or
// number their lines): 1 with the next word, *rest then starting after it;
// 0 when only white space is left.
inline int Next_word(std::string_view *rest, std::string_view *word) {
  size_t i = 0;
  while (i < rest->size() && Is_space((*rest)[i])) ++i;
  size_t j = i;
  while (j < rest->size() && !Is_space((*rest)[j])) ++j;
  *word = rest->substr(i, j - i);
  rest->remove_prefix(j);
  return i < j;
}

// The next word of a line in memory as an int: 1 with its value, 0 when it
// is no int word or only white space is left (as Next_word and
// Parse_int_word together; short numbers are read eight bytes at a time).
int Next_int_word(std::string_view *rest, int *value);

// A thread that writes a file's full buffers while the next one fills.
struct write_behind_;
struct write_behind_deleter_ {
  void operator()(write_behind_ *b) const;
};

struct text_writer_ {
  int fd = -1;                  // -1 writes into *sink instead
  std::string *sink = nullptr;  // in-memory destination
  std::unique_ptr<char[]> buf;  // may change at a flush: read it anew after one
  size_t size = 0;
  size_t len = 0;
  int failed = 0;        // some write did not go through (known after Writer_sync)
  uint64_t flushed = 0;  // bytes handed on before buf
  std::unique_ptr<write_behind_, write_behind_deleter_> behind;  // from the first flush
};

// Creates or truncates the file. Returns 1, or 0 when it cannot be created.
int Writer_open(text_writer_ *w, const char *path);
void Writer_memory(text_writer_ *w, std::string *sink);
// Flushes and closes. Returns 1 when every byte was written, else 0.
int Writer_close(text_writer_ *w);
// Hands the buffer on. A file's buffers are written by a thread of their
// own, so that the next buffer's text is made while the system copies the
// last one.
void Writer_flush(text_writer_ *w);
// Flushes and waits until every byte handed on is in the file; `failed` is
// then final.
void Writer_sync(text_writer_ *w);
// Bytes written so far.
inline uint64_t Writer_position(const text_writer_ *w) { return w->flushed + w->len; }
// Cuts what was written back to its first `size` bytes.
void Writer_truncate(text_writer_ *w, uint64_t size);

inline void Put_char(text_writer_ *w, char c) {
  if (w->len == w->size) Writer_flush(w);
  w->buf[w->len++] = c;
}
void Put_long_str(text_writer_ *w, std::string_view s);

// When an allocation fails (a memory limit, say), print `line` on standard
// output and exit with `status`, instead of aborting without a word.
void Exit_on_out_of_memory(const char *line, int status);
// Inline so that the copy of a short constant text is inlined too.
inline void Put_str(text_writer_ *w, std::string_view s) {
  if (s.size() > w->size - w->len) return Put_long_str(w, s);
  std::memcpy(w->buf.get() + w->len, s.data(), s.size());
  w->len += s.size();
}
// Writes v in decimal at p (at most 20 bytes) and returns the end. The
// digits are counted first and then written back to front two at a time.
inline char *Format_int(char *p, long long v) {
  static const char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  unsigned long long u =
      v < 0 ? 0ull - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
  if (v < 0) *p++ = '-';
  // The digit count from the bit length (log10 2 ~ 1233 / 4096), one
  // comparison correcting it.
  // clang-format off
  static const unsigned long long kPowers[] = {
      0, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000,
      10000000000ull, 100000000000ull, 1000000000000ull, 10000000000000ull,
      100000000000000ull, 1000000000000000ull, 10000000000000000ull,
      100000000000000000ull, 1000000000000000000ull, 10000000000000000000ull};
  // clang-format on
  const int guess = (64 - __builtin_clzll(u | 1)) * 1233 >> 12;
  const int digits = guess + 1 - (u < kPowers[guess]);
  char *const end = p + digits;
  char *q = end;
  while (u >= 100) {
    const char *pair = kPairs + 2 * (u % 100);
    u /= 100;
    *--q = pair[1];
    *--q = pair[0];
  }
  if (u >= 10) {
    *--q = kPairs[2 * u + 1];
    *--q = kPairs[2 * u];
  } else {
    *--q = char('0' + u);
  }
  return end;
}

// A text of at most 7 bytes prepared once, that Put_packed writes with one
// 8-byte store.
struct packed_text_ {
  char bytes[7];
  uint8_t len;
};
inline packed_text_ Packed_text(std::string_view s) {
  assert(s.size() <= 7);
  packed_text_ p = {};
  std::memcpy(p.bytes, s.data(), s.size());
  p.len = uint8_t(s.size());
  return p;
}
inline void Put_packed(text_writer_ *w, const packed_text_ &p) {
  if (w->size - w->len < sizeof p) Writer_flush(w);
  std::memcpy(w->buf.get() + w->len, &p, sizeof p);
  w->len += p.len;
}

inline void Put_int(text_writer_ *w, long long v) {
  if (w->size - w->len < 24) Writer_flush(w);
  // Through a local pointer: stores through the writer's own would make
  // every digit reload it.
  char *start = w->buf.get() + w->len;
  w->len += size_t(Format_int(start, v) - start);
}

// Writes through a local pointer into the writer's buffer: a store through
// the writer's own pointer makes every later one reload it. The room is
// checked once per item (Room), an item being at most kItem bytes.
struct put_cursor_ {
  static constexpr size_t kItem = 64;
  text_writer_ *w;
  char *base, *p, *last;
  explicit put_cursor_(text_writer_ *out)
      : w(out), base(out->buf.get()), p(base + out->len), last(base + out->size - kItem) {
    assert(out->size >= kItem);
  }
  void Room() {
    if (p <= last) return;
    w->len = size_t(p - base);
    Writer_flush(w);
    Resume();
  }
  void Str(std::string_view s) {
    assert(s.size() <= kItem);
    std::memcpy(p, s.data(), s.size());
    p += s.size();
  }
  // n <= 16 bytes of s, which has 32 readable: one fixed-size copy.
  void Short(const char *s, size_t n) {
    assert(n <= 16);
    std::memcpy(p, s, 16);
    p += n;
  }
  // A prepared text: one 8-byte store, as Put_packed.
  void Packed(const packed_text_ &t) {
    std::memcpy(p, &t, sizeof t);
    p += t.len;
  }
  void Char(char c) { *p++ = c; }
  void Int(long long v) { p = Format_int(p, v); }
  // The room left: at least kItem after Room.
  size_t Free() const { return size_t(last + kItem - p); }
  // n copies of c, in as many items as it takes.
  void Fill(char c, size_t n) {
    while (n) {
      Room();
      const size_t k = std::min(n, Free());
      std::memset(p, c, k);
      p += k, n -= k;
    }
  }
  // Hands the position to the writer before it is used directly, and takes
  // it up again after.
  void Sync() { w->len = size_t(p - base); }
  void Resume() {
    base = w->buf.get();
    p = base + w->len;
    last = base + w->size - kItem;
  }
};

#endif
