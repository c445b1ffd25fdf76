// Compressed input: gzip, xz and zstd streams, recognised by their first
// bytes and decoded block by block under the buffered reader, so that every
// program reads compressed files the way it reads plain ones.
#ifndef CEROX_DECOMPRESS_H
#define CEROX_DECOMPRESS_H

#include <cstddef>

enum compression_ { kPlain = 0, kGzip = 1, kXz = 2, kZstd = 3 };

// The compression of a stream that begins with these bytes (at least 6 are
// looked at when there are that many).
int Compression_of(const char *head, size_t n);
// For a stream in another compression or archive format (bzip2, zip, lz4,
// 7-Zip, lzip, compress), why it is not read; else nullptr.
const char *Unread_compression(const char *head, size_t n);
// "gzip", "xz", "zstd"; ".gz", ".xz", ".zst".
const char *Compression_name(int kind);
const char *Compression_suffix(int kind);

// The size a compressed file of `file_size` bytes decodes to, as far as
// its format records it (gzip: the last member's length, modulo 4 GB;
// zstd: the first frame's content size; xz: the index), at least four and
// at most 1024 times its size; else 20 times its size. Only a hint for reserving memory. The file
// is fd (read with pread, its position unchanged) or the memory [mem, mem + file_size).
size_t Decoded_size_hint(int kind, int fd, const char *mem, size_t file_size);

struct decoder_;
struct decoder_deleter_ {
  void operator()(decoder_ *d) const;
};

// A decoder of `kind` over the file descriptor fd (when fd >= 0) or over
// [mem, mem + mem_size). The bytes [head, head + head_size) were already read
// from the file and come first.
decoder_ *Decoder_open(int kind, int fd, const char *mem, size_t mem_size, const char *head,
                       size_t head_size);
// A thread decodes ahead of the reader, block by block, where one can be
// had. Fills buf with up to cap decoded bytes. Returns their count, 0 at the end
// of the stream (every frame complete and checked), or -1 when the stream is
// truncated, corrupt or unreadable; *problem then says which.
long Decoder_read(decoder_ *d, char *buf, size_t cap, const char **problem);

#endif
