#include "decompress.h"

#include <lzma.h>
#include <unistd.h>
#include <zlib.h>
#include <zstd.h>

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>

#include "helper_thread.h"

namespace {

const size_t kInputBlock = size_t(1) << 18;

}  // namespace

// Decoding ahead: a thread decodes the next blocks into a ring of slots
// while the reader parses the last ones. A slot whose count is 0 or -1 ends
// the stream and stays.
struct decode_ahead_ {
  static constexpr int kSlots = 3;
  static constexpr size_t kSlot = size_t(1) << 18;
  struct slot_ {
    std::unique_ptr<char[]> bytes;
    long n = 0;
    const char *problem = nullptr;
  };
  std::mutex lock;
  std::condition_variable changed;
  slot_ slots[kSlots];
  int first = 0, filled = 0;  // slots[first] is read next; `filled` are ready
  size_t taken = 0;           // bytes of slots[first] handed out
  bool stop = false;
  pthread_t thread;
  bool started = false;
};

struct decoder_ {
  int kind = kPlain;
  int fd = -1;
  // Compressed bytes not yet decoded: in[at, end).
  const unsigned char *in = nullptr;
  size_t at = 0, end = 0;
  std::unique_ptr<unsigned char[]> block;  // what was read from fd
  const char *mem = nullptr;               // the rest of a memory source
  size_t mem_left = 0;
  int in_eof = 0;  // no compressed byte beyond in[end)
  int done = 0;    // the stream ended cleanly
  const char *failure = nullptr;
  z_stream z{};
  lzma_stream x = LZMA_STREAM_INIT;
  ZSTD_DStream *zs = nullptr;
  size_t zstd_pending = 0;  // ZSTD_decompressStream's hint: 0 between frames
  // Once started, only its thread touches the fields above.
  std::unique_ptr<decode_ahead_> ahead;
};

namespace {

// Reads more compressed bytes once the current ones are used up. Returns 0
// when there is nothing more, -1 on a read error.
int More_input(decoder_ *d) {
  if (d->at < d->end) return 1;
  if (d->in_eof) return 0;
  if (d->fd < 0) {
    if (!d->mem_left) return d->in_eof = 1, 0;
    d->in = reinterpret_cast<const unsigned char *>(d->mem);
    d->at = 0;
    d->end = d->mem_left;
    d->mem_left = 0;
    return 1;
  }
  for (;;) {
    ssize_t n = read(d->fd, d->block.get(), kInputBlock);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return d->failure = "read error", -1;
    if (n == 0) return d->in_eof = 1, 0;
    d->in = d->block.get();
    d->at = 0;
    d->end = size_t(n);
    return 1;
  }
}

long Fail(decoder_ *d, const char *why) {
  d->failure = why;
  return -1;
}

long Read_gzip(decoder_ *d, char *buf, size_t cap) {
  z_stream &z = d->z;
  z.next_out = reinterpret_cast<Bytef *>(buf);
  z.avail_out = unsigned(cap);
  while (z.avail_out == cap) {
    int more = More_input(d);
    if (more < 0) return -1;
    if (d->done) {
      // Between members the stream may end; another member may follow.
      if (!more) return 0;
      if (d->in[d->at] != 0x1f) return Fail(d, "corrupt gzip stream (data after its end)");
      inflateReset(&z);
      d->done = 0;
    }
    const size_t given = more ? std::min(d->end - d->at, size_t(1) << 30) : 0;
    z.next_in = const_cast<Bytef *>(d->in + d->at);
    z.avail_in = unsigned(given);
    int ret = inflate(&z, Z_NO_FLUSH);
    d->at += given - z.avail_in;
    if (ret == Z_STREAM_END) {
      d->done = 1;
    } else if (ret == Z_BUF_ERROR) {
      // No progress: at the end of the input the member is incomplete.
      if (!more) return Fail(d, "truncated gzip stream");
    } else if (ret != Z_OK) {
      return Fail(d, ret == Z_MEM_ERROR ? "out of memory decoding gzip" : "corrupt gzip stream");
    }
  }
  return long(cap - z.avail_out);
}

long Read_xz(decoder_ *d, char *buf, size_t cap) {
  lzma_stream &x = d->x;
  x.next_out = reinterpret_cast<uint8_t *>(buf);
  x.avail_out = cap;
  while (x.avail_out == cap && !d->done) {
    int more = More_input(d);
    if (more < 0) return -1;
    x.next_in = d->in + d->at;
    x.avail_in = d->end - d->at;
    lzma_ret ret = lzma_code(&x, more ? LZMA_RUN : LZMA_FINISH);
    d->at = d->end - x.avail_in;
    if (ret == LZMA_STREAM_END) {
      d->done = 1;
    } else if (ret == LZMA_BUF_ERROR) {
      return Fail(d, "truncated xz stream");
    } else if (ret == LZMA_MEM_ERROR || ret == LZMA_MEMLIMIT_ERROR) {
      return Fail(d, "out of memory decoding xz");
    } else if (ret != LZMA_OK) {
      return Fail(d, "corrupt xz stream");
    }
  }
  return long(cap - x.avail_out);
}

long Read_zstd(decoder_ *d, char *buf, size_t cap) {
  ZSTD_outBuffer out = {buf, cap, 0};
  while (out.pos == 0) {
    int more = More_input(d);
    if (more < 0) return -1;
    if (more == 0 && d->zstd_pending == 0) return 0;
    ZSTD_inBuffer in = {d->in + d->at, d->end - d->at, 0};
    size_t ret = ZSTD_decompressStream(d->zs, &out, &in);
    d->at += in.pos;
    if (ZSTD_isError(ret)) return Fail(d, "corrupt zstd stream");
    d->zstd_pending = ret;
    // Everything read and decoded, a frame still open, nothing produced.
    if (more == 0 && out.pos == 0) return Fail(d, "truncated zstd stream");
  }
  return long(out.pos);
}

}  // namespace

int Compression_of(const char *head, size_t n) {
  const unsigned char *h = reinterpret_cast<const unsigned char *>(head);
  if (n >= 2 && h[0] == 0x1f && h[1] == 0x8b) return kGzip;
  if (n >= 6 && std::memcmp(h,
                            "\xfd"
                            "7zXZ\0",
                            6) == 0)
    return kXz;
  if (n >= 4 && std::memcmp(h, "\x28\xb5\x2f\xfd", 4) == 0) return kZstd;
  return kPlain;
}

const char *Unread_compression(const char *head, size_t n) {
  const unsigned char *h = reinterpret_cast<const unsigned char *>(head);
  auto starts = [&](const char *magic, size_t k) {
    return n >= k && std::memcmp(h, magic, k) == 0;
  };
  // bzip2: "BZh", the block size, then a block's or the end's first byte.
  if (starts("BZh", 3) && n >= 5 && h[3] >= '1' && h[3] <= '9' && (h[4] == 0x31 || h[4] == 0x17))
    return "compressed with bzip2, which is not read (gzip, xz and zstd are): decompress it first";
  if (starts("PK\x03\x04", 4))
    return "a zip archive, which is not read (gzip, xz and zstd are): unpack it first";
  if (starts("\x04\x22\x4d\x18", 4))
    return "compressed with lz4, which is not read (gzip, xz and zstd are): decompress it first";
  if (starts("7z\xbc\xaf\x27\x1c", 6))
    return "a 7-Zip archive, which is not read (gzip, xz and zstd are): unpack it first";
  if (starts("LZIP", 4))
    return "compressed with lzip, which is not read (gzip, xz and zstd are): decompress it first";
  if (starts("\x1f\x9d", 2))
    return "compressed with compress (.Z), which is not read "
           "(gzip, xz and zstd are): decompress it first";
  return nullptr;
}

namespace {

// n bytes at offset `at` of the file or memory; 0 when they cannot be read.
int Read_at(int fd, const char *mem, size_t file_size, size_t at, unsigned char *out, size_t n) {
  if (at > file_size || n > file_size - at) return 0;
  if (mem) return std::memcpy(out, mem + at, n), 1;
  return pread(fd, out, n, off_t(at)) == ssize_t(n);
}

size_t Xz_size(int fd, const char *mem, size_t file_size) {
  // The stream footer names the index's size; the index records the
  // uncompressed size. Only the last stream is looked at.
  unsigned char footer[LZMA_STREAM_HEADER_SIZE];
  lzma_stream_flags flags;
  if (file_size < sizeof footer ||
      !Read_at(fd, mem, file_size, file_size - sizeof footer, footer, sizeof footer) ||
      lzma_stream_footer_decode(&flags, footer) != LZMA_OK ||
      flags.backward_size > file_size - sizeof footer)
    return 0;
  std::unique_ptr<unsigned char[]> index(new unsigned char[flags.backward_size]);
  const size_t at = file_size - sizeof footer - flags.backward_size;
  if (!Read_at(fd, mem, file_size, at, index.get(), flags.backward_size)) return 0;
  lzma_index *i = nullptr;
  // An index lists a block in two bytes at least: what it claims beyond
  // that is not allocated for.
  uint64_t limit = lzma_index_memusage(1, flags.backward_size / 2);
  size_t pos = 0;
  if (lzma_index_buffer_decode(&i, &limit, nullptr, index.get(), &pos, flags.backward_size) !=
      LZMA_OK)
    return 0;
  const size_t size = size_t(lzma_index_uncompressed_size(i));
  lzma_index_end(i, nullptr);
  return size;
}

}  // namespace

size_t Decoded_size_hint(int kind, int fd, const char *mem, size_t file_size) {
  size_t size = 0;
  if (kind == kGzip) {
    unsigned char isize[4];
    if (file_size >= 4 && Read_at(fd, mem, file_size, file_size - 4, isize, 4))
      size = size_t(isize[0]) | size_t(isize[1]) << 8 | size_t(isize[2]) << 16 |
             size_t(isize[3]) << 24;
  } else if (kind == kZstd) {
    unsigned char head[18];
    const size_t n = std::min(file_size, sizeof head);
    if (Read_at(fd, mem, file_size, 0, head, n)) {
      const unsigned long long content = ZSTD_getFrameContentSize(head, n);
      if (content != ZSTD_CONTENTSIZE_UNKNOWN && content != ZSTD_CONTENTSIZE_ERROR)
        size = size_t(content);
    }
  } else if (kind == kXz) {
    size = Xz_size(fd, mem, file_size);
  }
  // A gzip length is modulo 4 GB: never below what the file could hold. A
  // header may claim anything: never above a thousand times the file.
  return size ? std::min(std::max(size, 4 * file_size), 1024 * file_size) : 20 * file_size;
}

const char *Compression_name(int kind) {
  switch (kind) {
    case kGzip: return "gzip";
    case kXz: return "xz";
    case kZstd: return "zstd";
    default: return "plain";
  }
}

const char *Compression_suffix(int kind) {
  switch (kind) {
    case kGzip: return ".gz";
    case kXz: return ".xz";
    case kZstd: return ".zst";
    default: return "";
  }
}

void decoder_deleter_::operator()(decoder_ *d) const {
  if (!d) return;
  if (d->ahead && d->ahead->started) {
    decode_ahead_ &a = *d->ahead;
    {
      std::lock_guard<std::mutex> hold(a.lock);
      a.stop = true;
    }
    a.changed.notify_all();
    pthread_join(a.thread, nullptr);
  }
  if (d->kind == kGzip) inflateEnd(&d->z);
  if (d->kind == kXz) lzma_end(&d->x);
  if (d->zs) ZSTD_freeDStream(d->zs);
  delete d;
}

namespace {

long Decode(decoder_ *d, char *buf, size_t cap, const char **problem) {
  if (d->failure) return *problem = d->failure, -1;
  long n;
  switch (d->kind) {
    case kGzip: n = Read_gzip(d, buf, cap); break;
    case kXz: n = Read_xz(d, buf, cap); break;
    default: n = Read_zstd(d, buf, cap); break;
  }
  if (n < 0) *problem = d->failure;
  return n;
}

void *Decode_ahead(void *arg) {
  decoder_ *d = static_cast<decoder_ *>(arg);
  decode_ahead_ &a = *d->ahead;
  std::unique_lock<std::mutex> hold(a.lock);
  for (;;) {
    a.changed.wait(hold, [&] { return a.stop || a.filled < a.kSlots; });
    if (a.stop) return nullptr;
    decode_ahead_::slot_ &s = a.slots[(a.first + a.filled) % a.kSlots];
    hold.unlock();
    s.n = Decode(d, s.bytes.get(), a.kSlot, &s.problem);
    hold.lock();
    ++a.filled;
    a.changed.notify_all();
    if (s.n <= 0) return nullptr;
  }
}

// Without a thread the reader decodes as it reads.
void Start_ahead(decoder_ *d) {
  d->ahead.reset(new decode_ahead_);
  for (decode_ahead_::slot_ &s : d->ahead->slots) s.bytes.reset(new char[decode_ahead_::kSlot]);
  d->ahead->started = Start_helper(&d->ahead->thread, &Decode_ahead, d);
  if (!d->ahead->started) d->ahead.reset();
}

}  // namespace

decoder_ *Decoder_open(int kind, int fd, const char *mem, size_t mem_size, const char *head,
                       size_t head_size) {
  assert(kind != kPlain);
  std::unique_ptr<decoder_, decoder_deleter_> d(new decoder_);
  d->kind = kind;
  d->fd = fd;
  d->block.reset(new unsigned char[std::max(kInputBlock, head_size)]);
  std::memcpy(d->block.get(), head, head_size);
  d->in = d->block.get();
  d->end = head_size;
  d->mem = mem;
  d->mem_left = mem ? mem_size : 0;
  if (kind == kGzip && inflateInit2(&d->z, 15 + 16) != Z_OK) return nullptr;
  if (kind == kXz && lzma_stream_decoder(&d->x, UINT64_MAX, LZMA_CONCATENATED) != LZMA_OK)
    return nullptr;
  if (kind == kZstd) {
    d->zs = ZSTD_createDStream();
    if (!d->zs || ZSTD_isError(ZSTD_initDStream(d->zs))) return nullptr;
    d->zstd_pending = 1;  // a frame must come
  }
  Start_ahead(d.get());
  return d.release();
}

long Decoder_read(decoder_ *d, char *buf, size_t cap, const char **problem) {
  if (!d->ahead) return Decode(d, buf, cap, problem);
  decode_ahead_ &a = *d->ahead;
  std::unique_lock<std::mutex> hold(a.lock);
  a.changed.wait(hold, [&] { return a.filled > 0; });
  const decode_ahead_::slot_ &s = a.slots[a.first];
  hold.unlock();
  if (s.n <= 0) {
    if (s.n < 0) *problem = s.problem;
    return s.n;
  }
  const size_t k = std::min(cap, size_t(s.n) - a.taken);
  std::memcpy(buf, s.bytes.get() + a.taken, k);
  a.taken += k;
  if (a.taken == size_t(s.n)) {
    hold.lock();
    a.first = (a.first + 1) % a.kSlots;
    --a.filled;
    a.taken = 0;
    hold.unlock();
    a.changed.notify_all();
  }
  return long(k);
}
