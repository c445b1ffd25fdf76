#include "text_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "helper_thread.h"
#include "large_store.h"

namespace {

const size_t kReadBlock = size_t(1) << 18;
const size_t kWriteBlock = size_t(1) << 18;
// A number or short word is always parsed from one contiguous stretch once
// this many bytes are in the block.
const size_t kLookahead = 64;

// 1 when all n bytes went into the file.
int Write_all(int fd, const char *p, size_t n) {
  size_t done = 0;
  while (done < n) {
    ssize_t k = write(fd, p + done, n - done);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) return 0;
    done += size_t(k);
  }
  return 1;
}

// Moves the unread tail to the front and reads more behind it.
void Fill(text_reader_ *r) {
  if (r->eof) return;
  size_t left = r->end - r->at;
  if (left && r->at) std::memmove(r->block.get(), r->block.get() + r->at, left);
  r->consumed += r->at;
  r->at = 0;
  r->end = left;
  while (r->end < r->block_size) {
    char *to = r->block.get() + r->end;
    const size_t room = r->block_size - r->end;
    long n;
    if (r->decoder) {
      n = Decoder_read(r->decoder.get(), to, room, &r->problem);
    } else {
      ssize_t got = read(r->fd, to, room);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) r->problem = "read error";
      n = long(got);
    }
    if (n <= 0) {
      if (n < 0) r->error = 1;
      r->eof = 1;
      break;
    }
    r->end += size_t(n);
    if (r->end - left >= kLookahead) break;
  }
  r->data = r->block.get();
}

// Skips white space; returns 0 when the input ends first.
int Skip_space(text_reader_ *r) {
  for (;;) {
    const char *p = r->data + r->at, *lim = r->data + r->end;
    while (p < lim && Is_space(*p)) ++p;
    r->at = size_t(p - r->data);
    if (p < lim) return 1;
    if (r->eof) return 0;
    Fill(r);
  }
}

// Parses [s, e) as a whole int word.
int Parse_int(const char *s, const char *e, int *value) {
  bool neg = false;
  if (s < e && (*s == '-' || *s == '+')) neg = *s++ == '-';
  if (s == e) return 0;
  uint64_t v = 0;
  for (; s < e; ++s) {
    unsigned d = unsigned(*s - '0');
    if (d > 9) return 0;
    v = v * 10 + d;
    if (v > uint64_t(INT_MAX) + 1) return 0;
  }
  if (!neg && v > uint64_t(INT_MAX)) return 0;
  *value = neg ? int(-int64_t(v)) : int(v);
  return 1;
}

// The common number: one to seven digits followed by white space, read
// eight bytes at a time. Returns 1 with the value and the end of the digits,
// or 0 when [p, lim) does not start that way.
int Eight_digits_at_most(const char *p, const char *lim, uint32_t *value, const char **end) {
  if (lim - p < 8) return 0;
  uint64_t chunk;
  std::memcpy(&chunk, p, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  const uint64_t t = chunk - 0x3030303030303030ull;
  // High bit set in every byte from the first non-digit on (a borrow or
  // carry can only disturb bytes after it).
  const uint64_t bad = ((t + 0x7676767676767676ull) | t) & 0x8080808080808080ull;
  if (!bad) return 0;
  const int len = __builtin_ctzll(bad) >> 3;
  if (len == 0 || !Is_space(p[len])) return 0;
  // The digits moved to the top bytes, zeros in front, then combined in
  // pairs, fours and eights.
  uint64_t d = t << (8 * (8 - len));
  d = d * 10 + (d >> 8);
  d = (((d & 0x000000FF000000FFull) * 0x000F424000000064ull) +
       (((d >> 16) & 0x000000FF000000FFull) * 0x0000271000000001ull)) >>
      32;
  *value = uint32_t(d);
  *end = p + len;
  return 1;
#else
  (void)chunk;
  (void)value;
  (void)end;
  return 0;
#endif
}

// A stream in a format that is not read is an input that fails at once,
// with the reason, rather than text that fails to parse.
int Refuse_unread(text_reader_ *r) {
  const char *why = Unread_compression(r->data + r->at, r->end - r->at);
  if (!why) return 0;
  r->error = 1;
  r->eof = 1;
  r->at = r->end = 0;
  r->problem = why;
  return 1;
}

// Puts a decoder under the reader: the bytes read so far are the start of
// the compressed stream.
void Start_decoder(text_reader_ *r, int kind, const char *mem, size_t mem_size) {
  r->decoder.reset(
      Decoder_open(kind, r->fd, mem, mem_size, r->data + r->at, mem ? 0 : r->end - r->at));
  r->compression = kind;
  r->decoded_size = Decoded_size_hint(kind, r->fd, mem, r->size);
  r->at = r->end = 0;
  r->eof = 0;
  if (!r->decoder) {
    r->error = 1;
    r->eof = 1;
    r->problem = "cannot start the decoder";
  }
}

}  // namespace

int Reader_open(text_reader_ *r, const char *path) {
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  struct stat st;
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    close(fd);
    return 0;
  }
  *r = text_reader_();
  r->fd = fd;
  r->size = S_ISREG(st.st_mode) ? size_t(st.st_size) : 0;
  r->decoded_size = r->size;
  r->block.reset(new char[kReadBlock]);
  r->block_size = kReadBlock;
  r->data = r->block.get();
  // A plain file fills as much of the block as it has.
  Populate(r->block.get(), std::min(r->size, kReadBlock));
  // The first bytes tell a compressed file.
  Fill(r);
  const int kind = Compression_of(r->data + r->at, r->end - r->at);
  if (kind != kPlain)
    Start_decoder(r, kind, nullptr, 0);
  else
    Refuse_unread(r);
  return 1;
}

std::string Temp_dir() {
  const char *dir = getenv("TMPDIR");
  return dir && *dir ? dir : "/tmp";
}

int Same_file(const char *a, const char *b) {
  struct stat x, y;
  return stat(a, &x) == 0 && stat(b, &y) == 0 && x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

int Rereadable_name(const char *path, std::string *name, std::string *problem) {
  *name = path;
  struct stat st;
  // Only pipes: a device such as /dev/zero may never end.
  if (stat(path, &st) != 0 || !S_ISFIFO(st.st_mode)) return 1;
  // Copies by path, so that the pipe is read once however often its
  // program opens it (a second open would wait for a writer that is gone).
  static std::vector<std::pair<std::string, int>> copies;
  for (const auto &c : copies)
    if (c.first == path) return *name = "/proc/self/fd/" + std::to_string(c.second), 1;
  const int in = open(path, O_RDONLY | O_CLOEXEC);
  if (in < 0) return 1;  // the caller's open fails as well and says so
  std::string copy = Temp_dir() + "/cerox-pipe-XXXXXX";
  const int fd = mkostemp(&copy[0], O_CLOEXEC);
  if (fd < 0) {
    *problem = "cannot keep a copy of the pipe in " + copy.substr(0, copy.rfind('/'));
    close(in);
    return 0;
  }
  unlink(copy.c_str());
  std::unique_ptr<char[]> buffer(new char[kReadBlock]);
  const char *failure = nullptr;
  for (;;) {
    const ssize_t got = read(in, buffer.get(), kReadBlock);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) failure = strerror(errno);
    if (got <= 0) break;
    errno = 0;  // a write that takes nothing leaves it unset
    if (!Write_all(fd, buffer.get(), size_t(got))) {
      failure = errno ? strerror(errno) : "nothing written";
      break;
    }
  }
  close(in);
  if (failure) {
    *problem = std::string("cannot keep a copy of the pipe: ") + failure;
    close(fd);
    return 0;
  }
  copies.emplace_back(path, fd);
  *name = "/proc/self/fd/" + std::to_string(fd);
  return 1;
}

void Reader_memory(text_reader_ *r, const char *data, size_t size) {
  *r = text_reader_();
  r->data = data;
  r->end = size;
  r->size = size;
  r->decoded_size = size;
  r->eof = 1;
  const int kind = Compression_of(data, size);
  if (kind == kPlain && Refuse_unread(r)) r->data = "";
  if (kind == kPlain) return;
  r->block.reset(new char[kReadBlock]);
  r->block_size = kReadBlock;
  Start_decoder(r, kind, data, size);
  r->data = r->block.get();
}

size_t Reader_budget(const text_reader_ *r) {
  const size_t floor = size_t(1) << 22;
  // Pipes have no known size; they get the ceiling.
  if (r->fd >= 0 && r->size == 0) return size_t(1) << 28;
  // A compressed source may decode to about a thousand times its size.
  const size_t size =
      r->compression != kPlain ? std::min(r->size, size_t(1) << 26) * 1024 : r->size;
  return std::max(floor, std::min(size, size_t(1) << 26) * 64);
}

int Reader_intact(text_reader_ *r) {
  while (r->decoder && !r->eof) {
    r->at = r->end;
    Fill(r);
  }
  return !r->error;
}

size_t Reader_ensure(text_reader_ *r, size_t n) {
  while (r->end - r->at < n && !r->eof) Fill(r);
  return r->end - r->at;
}

void Reader_close(text_reader_ *r) {
  r->decoder.reset();
  if (r->fd >= 0) close(r->fd);
  r->fd = -1;
  r->block.reset();
  r->block_size = 0;
  r->data = nullptr;
  r->at = r->end = 0;
  r->eof = 1;
}

int Read_word(text_reader_ *r, std::string_view *word) {
  if (!Skip_space(r)) return -1;
  if (r->end - r->at < kLookahead) Fill(r);
  const char *s = r->data + r->at, *lim = r->data + r->end, *p = s;
  while (p < lim && !Is_space(*p)) ++p;
  if (p < lim || r->eof) {
    r->at = size_t(p - r->data);
    *word = std::string_view(s, size_t(p - s));
    return 1;
  }
  // A long word reaching the end of the block: collect it piece by piece.
  r->spill.assign(s, p);
  r->at = r->end;
  for (;;) {
    Fill(r);
    s = r->data + r->at;
    lim = r->data + r->end;
    p = s;
    while (p < lim && !Is_space(*p)) ++p;
    r->spill.append(s, p);
    r->at = size_t(p - r->data);
    if (p < lim || r->eof) break;
  }
  *word = r->spill;
  return 1;
}

namespace {

// The common number with its sign, if any: 1 with the value and the end of
// the digits, or 0 when [p, lim) does not start that way.
inline int Short_int(const char *p, const char *lim, int *value, const char **end) {
  bool neg = false;
  if (p < lim && (*p == '-' || *p == '+')) neg = *p++ == '-';
  uint32_t v;
  if (!Eight_digits_at_most(p, lim, &v, end)) return 0;
  *value = neg ? -int(v) : int(v);
  return 1;
}

}  // namespace

int Read_int(text_reader_ *r, int *value) {
  if (!Skip_space(r)) return -1;
  if (r->end - r->at < kLookahead) Fill(r);
  const char *end;
  if (Short_int(r->data + r->at, r->data + r->end, value, &end)) {
    r->at = size_t(end - r->data);
    return 1;
  }
  // Slow path: long numbers, the end of input, and words that are no numbers.
  std::string_view word;
  Read_word(r, &word);
  return Parse_int(word.data(), word.data() + word.size(), value);
}

int Parse_int_word(std::string_view word, int *value) {
  return Parse_int(word.data(), word.data() + word.size(), value);
}

int Next_int_word(std::string_view *rest, int *value) {
  const char *p = rest->data(), *lim = p + rest->size();
  while (p < lim && Is_space(*p)) ++p;
  const char *end;
  if (Short_int(p, lim, value, &end)) {
    *rest = std::string_view(end, size_t(lim - end));
    return 1;
  }
  std::string_view word;
  return Next_word(rest, &word) && Parse_int_word(word, value);
}

int Reader_at_end(text_reader_ *r) {
  if (r->at == r->end) Fill(r);
  return r->at == r->end;
}

int Read_char(text_reader_ *r) {
  if (r->at == r->end) {
    Fill(r);
    if (r->at == r->end) return -1;
  }
  return static_cast<unsigned char>(r->data[r->at++]);
}

void Skip_line_rest(text_reader_ *r) {
  for (;;) {
    const char *s = r->data + r->at;
    const void *nl = std::memchr(s, '\n', r->end - r->at);
    if (nl) {
      r->at = size_t(static_cast<const char *>(nl) - r->data);
      return;
    }
    r->at = r->end;
    if (r->eof) return;
    Fill(r);
  }
}

void Read_line_rest(text_reader_ *r, std::string *line) {
  line->clear();
  for (;;) {
    const char *s = r->data + r->at;
    const void *nl = std::memchr(s, '\n', r->end - r->at);
    if (nl) {
      line->append(s, static_cast<const char *>(nl));
      r->at = size_t(static_cast<const char *>(nl) - r->data);
      return;
    }
    line->append(s, r->end - r->at);
    r->at = r->end;
    if (r->eof) return;
    Fill(r);
  }
}

namespace {

// The first q in [from, lim) with q[0] == '0' and white space at q[-1] and
// q[1]; q[-1] and q[1] must be readable for every q tested. lim when there
// is none.
const char *Find_zero_word(const char *from, const char *lim) {
  const char *q = from;
#if defined(__SSE2__)
  const __m128i zero = _mm_set1_epi8('0'), blank = _mm_set1_epi8(' ');
  const __m128i nine = _mm_set1_epi8(9), four = _mm_set1_epi8(4);
  auto space = [&](__m128i v) {
    const __m128i t = _mm_sub_epi8(v, nine);  // 0..4 for \t..\r
    return _mm_or_si128(_mm_cmpeq_epi8(v, blank), _mm_cmpeq_epi8(_mm_min_epu8(t, four), t));
  };
  for (; lim - q >= 16; q += 16) {
    const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i *>(q - 1));
    const __m128i at = _mm_loadu_si128(reinterpret_cast<const __m128i *>(q));
    const __m128i after = _mm_loadu_si128(reinterpret_cast<const __m128i *>(q + 1));
    const __m128i hit =
        _mm_and_si128(_mm_cmpeq_epi8(at, zero), _mm_and_si128(space(before), space(after)));
    const int mask = _mm_movemask_epi8(hit);
    if (mask) return q + __builtin_ctz(unsigned(mask));
  }
#endif
  for (; q < lim; ++q)
    if (*q == '0' && Is_space(q[-1]) && Is_space(q[1])) return q;
  return lim;
}

}  // namespace

int Skip_to_zero_word(text_reader_ *r) {
  // A "0" word directly at the reader's position.
  if (Reader_ensure(r, 2) == 0) return -1;
  if (r->data[r->at] == '0' && (r->end - r->at == 1 || Is_space(r->data[r->at + 1]))) {
    ++r->at;
    return 1;
  }
  for (;;) {
    // Candidates q in [at + 1, end - 1) have both neighbours in the block.
    const char *s = r->data + r->at, *lim = r->data + r->end;
    if (lim - s >= 3) {
      const char *q = Find_zero_word(s + 1, lim - 1);
      if (q < lim - 1) {
        r->at = size_t(q + 1 - r->data);
        return 1;
      }
    }
    if (r->eof) {
      // The last byte, followed by the end of input.
      if (lim - s >= 2 && lim[-1] == '0' && Is_space(lim[-2])) {
        r->at = r->end;
        return 1;
      }
      r->at = r->end;
      return -1;
    }
    // Keep the last two bytes: a candidate and the byte before it.
    r->at = r->end - std::min<size_t>(2, r->end - r->at);
    Fill(r);
  }
}

int Read_line(text_reader_ *r, std::string *line) {
  Read_line_rest(r, line);
  return Read_char(r) == '\n';
}

int Writer_open(text_writer_ *w, const char *path) {
  int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return 0;
  *w = text_writer_();
  w->fd = fd;
  w->buf.reset(new char[kWriteBlock]);
  w->size = kWriteBlock;
  return 1;
}

void Writer_memory(text_writer_ *w, std::string *sink) {
  *w = text_writer_();
  w->sink = sink;
  w->buf.reset(new char[kWriteBlock]);
  w->size = kWriteBlock;
}

// One buffer in flight: the writer fills its own while this one is written.
struct write_behind_ {
  std::mutex lock;
  std::condition_variable changed;
  int fd = -1;
  std::unique_ptr<char[]> buf;  // being written while busy, else the spare
  size_t len = 0;
  bool busy = false, stop = false;
  int failed = 0;
  pthread_t thread;
  bool started = false;  // else the writer writes its buffers itself

  void Run() {
    std::unique_lock<std::mutex> hold(lock);
    for (;;) {
      changed.wait(hold, [&] { return busy || stop; });
      if (!busy) return;
      hold.unlock();
      const int ok = failed ? 0 : Write_all(fd, buf.get(), len);
      hold.lock();
      if (!ok) failed = 1;
      busy = false;
      changed.notify_all();
    }
  }
  static void *Main(void *self) {
    static_cast<write_behind_ *>(self)->Run();
    return nullptr;
  }
  // Returns 0 when an earlier buffer did not go through.
  int Wait() {
    std::unique_lock<std::mutex> hold(lock);
    changed.wait(hold, [&] { return !busy; });
    return !failed;
  }
};

void write_behind_deleter_::operator()(write_behind_ *b) const {
  if (b->started) {
    {
      std::lock_guard<std::mutex> hold(b->lock);
      b->stop = true;
    }
    b->changed.notify_all();
    pthread_join(b->thread, nullptr);
  }
  delete b;
}

void Writer_flush(text_writer_ *w) {
  w->flushed += w->len;
  if (w->sink) {
    w->sink->append(w->buf.get(), w->len);
  } else if (w->fd >= 0 && w->len) {
    if (!w->behind) {
      w->behind.reset(new write_behind_);
      w->behind->fd = w->fd;
      w->behind->started = Start_helper(&w->behind->thread, &write_behind_::Main, w->behind.get());
      // The spare; the thread reads it only once handed a buffer.
      if (w->behind->started) w->behind->buf.reset(new char[w->size]);
    }
    write_behind_ *b = w->behind.get();
    if (!b->started) {
      if (!Write_all(w->fd, w->buf.get(), w->len)) w->failed = 1;
    } else {
      {
        std::unique_lock<std::mutex> hold(b->lock);
        b->changed.wait(hold, [&] { return !b->busy; });
        std::swap(b->buf, w->buf);
        b->len = w->len;
        b->busy = true;
      }
      b->changed.notify_all();
    }
  }
  w->len = 0;
}

void Writer_sync(text_writer_ *w) {
  Writer_flush(w);
  if (w->behind && !w->behind->Wait()) w->failed = 1;
}

void Writer_truncate(text_writer_ *w, uint64_t size) {
  if (size >= w->flushed) {
    w->len = size_t(std::min<uint64_t>(size - w->flushed, w->len));
    return;
  }
  if (w->behind && !w->behind->Wait()) w->failed = 1;
  w->len = 0;
  w->flushed = size;
  if (w->sink) {
    w->sink->resize(size_t(size));
  } else if (w->fd >= 0 && (ftruncate(w->fd, off_t(size)) != 0 ||
                            lseek(w->fd, off_t(size), SEEK_SET) != off_t(size))) {
    w->failed = 1;
  }
}

int Writer_close(text_writer_ *w) {
  Writer_sync(w);
  w->behind.reset();
  if (w->fd >= 0 && close(w->fd) != 0) w->failed = 1;
  w->fd = -1;
  w->sink = nullptr;
  w->buf.reset();
  w->size = 0;
  return !w->failed;
}

void Put_long_str(text_writer_ *w, std::string_view s) {
  while (!s.empty()) {
    if (w->len == w->size) Writer_flush(w);
    size_t n = std::min(s.size(), w->size - w->len);
    std::memcpy(w->buf.get() + w->len, s.data(), n);
    w->len += n;
    s.remove_prefix(n);
  }
}

namespace {
const char *out_of_memory_line = "out of memory";
int out_of_memory_status = 1;

void Out_of_memory() {
  // stdout's buffer exists already: flushing it allocates nothing.
  fflush(stdout);
  fputs(out_of_memory_line, stdout);
  fputc('\n', stdout);
  fflush(stdout);
  _exit(out_of_memory_status);
}
}  // namespace

void Exit_on_out_of_memory(const char *line, int status) {
  out_of_memory_line = line;
  out_of_memory_status = status;
  std::set_new_handler(Out_of_memory);
}
