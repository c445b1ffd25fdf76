#include "text_io.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "large_store.h"

namespace {

std::string Temp_file(const std::string &content) {
  char path[] = "/tmp/cerox_io_XXXXXX";
  int fd = mkstemp(path);
  EXPECT_GE(fd, 0);
  EXPECT_EQ(write(fd, content.data(), content.size()), ssize_t(content.size()));
  close(fd);
  return path;
}

TEST(Reader, IntsAndWords) {
  const std::string text = " 12\t-7\n+3 x9 9x 2147483647 -2147483648 2147483648 -2147483649 - 007";
  text_reader_ r;
  Reader_memory(&r, text.data(), text.size());
  const struct {
    int result, value;
  } expected[] = {{1, 12},      {1, -7}, {1, 3}, {0, 0}, {0, 0}, {1, INT_MAX},
                  {1, INT_MIN}, {0, 0},  {0, 0}, {0, 0}, {1, 7}, {-1, 0}};
  for (const auto &e : expected) {
    int v = 0;
    ASSERT_EQ(Read_int(&r, &v), e.result);
    if (e.result == 1) {
      EXPECT_EQ(v, e.value);
    }
  }
}

// Random words (numbers of every length with and without signs, numbers
// run into other characters) between random white space, over more than
// one read block: every word gives what a whole-word reading gives.
TEST(Reader, RandomNumbersMatchWholeWords) {
  std::mt19937 rng(5);
  const char *spaces[] = {" ", "\n", "\t", "  ", "\r\n", "\v", "\f", " \n "};
  const char *tails[] = {"", "", "", "x", "-", "0", "+1"};
  std::vector<std::string> words;
  std::string text;
  while (text.size() < (3u << 20)) {
    std::string w = rng() % 5 ? "" : (rng() % 2 ? "-" : "+");
    const int digits = rng() % 4 ? 1 + int(rng() % 7) : int(rng() % 13);
    for (int k = 0; k < digits; ++k) w += char('0' + rng() % 10);
    w += tails[rng() % 7];
    if (w.empty()) w = "7";
    words.push_back(w);
    text += w + spaces[rng() % 8];
  }
  const std::string path = Temp_file(text);
  text_reader_ file, memory;
  ASSERT_EQ(Reader_open(&file, path.c_str()), 1);
  Reader_memory(&memory, text.data(), text.size());
  std::string_view line = text;  // the same words read as a line in memory
  for (const std::string &w : words) {
    int expected = 0;
    const int ok = Parse_int_word(w, &expected);
    size_t digits_from = w[0] == '-' || w[0] == '+' ? 1 : 0;
    const bool whole = w.size() > digits_from &&
                       w.find_first_not_of("0123456789", digits_from) == std::string::npos;
    ASSERT_EQ(ok, whole && std::stoll(w) >= INT_MIN && std::stoll(w) <= INT_MAX) << w;
    for (text_reader_ *r : {&file, &memory}) {
      int v = -12345;
      ASSERT_EQ(Read_int(r, &v), ok) << w;
      if (ok) {
        ASSERT_EQ(v, expected) << w;
      }
    }
    int v = -12345;
    ASSERT_EQ(Next_int_word(&line, &v), ok) << w;
    if (ok) {
      ASSERT_EQ(v, expected) << w;
    }
  }
  int v;
  EXPECT_EQ(Read_int(&file, &v), -1);
  EXPECT_EQ(Read_int(&memory, &v), -1);
  EXPECT_EQ(Next_int_word(&line, &v), 0);
  Reader_close(&file);
  unlink(path.c_str());
}

TEST(Reader, CharactersAndLines) {
  const std::string text = "c first line\nc\nabc def\nlast";
  text_reader_ r;
  Reader_memory(&r, text.data(), text.size());
  std::string_view w;
  ASSERT_EQ(Read_word(&r, &w), 1);
  EXPECT_EQ(w, "c");
  std::string rest;
  Read_line_rest(&r, &rest);
  EXPECT_EQ(rest, " first line");
  EXPECT_EQ(Read_char(&r), '\n');
  EXPECT_EQ(Read_char(&r), 'c');
  Skip_line_rest(&r);  // nothing left on the line but its newline
  EXPECT_EQ(Read_char(&r), '\n');
  std::string line;
  EXPECT_EQ(Read_line(&r, &line), 1);
  EXPECT_EQ(line, "abc def");
  EXPECT_EQ(Read_line(&r, &line), 0);
  EXPECT_EQ(line, "last");
  EXPECT_EQ(Reader_at_end(&r), 1);
  EXPECT_EQ(Read_char(&r), -1);
  EXPECT_EQ(Read_word(&r, &w), -1);
}

// Words and lines longer than a read block arrive whole, numbers split by a
// block boundary are read correctly.
TEST(Reader, LongWordsAndBlockBoundaries) {
  std::string big(5u << 20, 'w');
  std::string text = "start " + big + " 123";
  for (int i = 0; i < 300000; ++i) text += " " + std::to_string(i * 7 - 5);
  text += "\n" + big + big + "\nend";
  std::string path = Temp_file(text);
  text_reader_ r;
  ASSERT_EQ(Reader_open(&r, path.c_str()), 1);
  std::string_view w;
  ASSERT_EQ(Read_word(&r, &w), 1);
  EXPECT_EQ(w, "start");
  ASSERT_EQ(Read_word(&r, &w), 1);
  EXPECT_EQ(w.size(), big.size());
  EXPECT_EQ(w, big);
  int v;
  ASSERT_EQ(Read_int(&r, &v), 1);
  EXPECT_EQ(v, 123);
  for (int i = 0; i < 300000; ++i) {
    ASSERT_EQ(Read_int(&r, &v), 1);
    ASSERT_EQ(v, i * 7 - 5);
  }
  std::string line;
  Read_char(&r);
  ASSERT_EQ(Read_line(&r, &line), 1);
  EXPECT_EQ(line.size(), 2 * big.size());
  ASSERT_EQ(Read_word(&r, &w), 1);
  EXPECT_EQ(w, "end");
  EXPECT_EQ(Read_word(&r, &w), -1);
  Reader_close(&r);
  unlink(path.c_str());
}

TEST(Reader, RefusesMissingFilesAndDirectories) {
  text_reader_ r;
  EXPECT_EQ(Reader_open(&r, "/nonexistent/file"), 0);
  EXPECT_EQ(Reader_open(&r, "/tmp"), 0);
}

// A pipe is read once, whole, and then opened as often as a file (each
// open from the start); a file keeps its own name.
TEST(Reader, PipeIsKeptForEveryOpen) {
  const std::string text(700000, '7');  // beyond the pipe's and the reader's buffers
  char dir[] = "/tmp/cerox_fifo_XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string fifo = std::string(dir) + "/p";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::thread writer([&] {
    if (FILE *f = fopen(fifo.c_str(), "w")) fwrite(text.data(), 1, text.size(), f), fclose(f);
  });
  std::string name, again, problem;
  EXPECT_EQ(Rereadable_name(fifo.c_str(), &name, &problem), 1);
  writer.join();
  ASSERT_NE(name, fifo);
  // The second call finds the copy: the pipe has no writer any more.
  EXPECT_EQ(Rereadable_name(fifo.c_str(), &again, &problem), 1);
  EXPECT_EQ(again, name);
  for (int pass = 0; pass < 2; ++pass) {
    std::ifstream in(name);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), text) << pass;
  }
  unlink(fifo.c_str());
  rmdir(dir);
  const std::string file = Temp_file("1");
  EXPECT_EQ(Rereadable_name(file.c_str(), &name, &problem), 1);
  EXPECT_EQ(name, file);
  unlink(file.c_str());
}

TEST(Writer, WritesNumbersAndTextInOrder) {
  std::string sink;
  text_writer_ w;
  Writer_memory(&w, &sink);
  Put_str(&w, ".names");
  Put_char(&w, ' ');
  Put_int(&w, -2147483648LL);
  Put_char(&w, ' ');
  Put_int(&w, 0);
  Put_char(&w, ' ');
  Put_int(&w, 9876543210LL);
  std::string big(3u << 20, 'x');
  Put_str(&w, big);
  EXPECT_EQ(Writer_close(&w), 1);
  EXPECT_EQ(sink, ".names -2147483648 0 9876543210" + big);
}

TEST(Writer, NumbersOfEveryLength) {
  std::vector<long long> values = {
      0,  1,  9,   10,  11,   99,           100,           101,       999,      1000,
      -1, -9, -10, -99, -100, 2147483647LL, -2147483648LL, LLONG_MAX, LLONG_MIN};
  for (long long p = 1; p < LLONG_MAX / 10; p *= 10) values.insert(values.end(), {p - 1, p, -p});
  std::string sink, expected;
  text_writer_ w;
  Writer_memory(&w, &sink);
  for (long long v : values) {
    Put_int(&w, v);
    Put_char(&w, ' ');
    expected += std::to_string(v) + ' ';
  }
  EXPECT_EQ(Writer_close(&w), 1);
  EXPECT_EQ(sink, expected);
}

TEST(Writer, ReportsAFailedWrite) {
  text_writer_ w;
  ASSERT_EQ(Writer_open(&w, "/dev/full"), 1);
  Put_str(&w, "data");
  EXPECT_EQ(Writer_close(&w), 0);
  // Failures of buffers written behind are known once synced.
  ASSERT_EQ(Writer_open(&w, "/dev/full"), 1);
  Put_str(&w, std::string(size_t(1) << 20, 'x'));
  Writer_sync(&w);
  EXPECT_EQ(w.failed, 1);
  EXPECT_EQ(Writer_close(&w), 0);
  EXPECT_EQ(Writer_open(&w, "/nonexistent/dir/out"), 0);
}

// A file's buffers are written behind by a thread, so the writer's buffer
// changes at each flush: the cursor must follow it, and a cut (the item
// kept, or none) must wait for the write in flight, even right after it.
TEST(Writer, FileKeepsEveryByteAcrossBuffersAndCuts) {
  const std::string path = Temp_file("");
  for (size_t cut_at : {size_t(0), size_t(1), size_t(1000), size_t(199990), SIZE_MAX}) {
    text_writer_ w;
    ASSERT_EQ(Writer_open(&w, path.c_str()), 1);
    std::string expected;
    put_cursor_ cur(&w);
    for (size_t i = 0; i < 200000; ++i) {
      cur.Room();
      cur.Str(" cl");
      cur.Int(long(i));
      expected += " cl" + std::to_string(i);
      cur.Sync();
      Put_str(&w, std::string(i % 41, 'x'));  // i 0: one piece, a hand-on at once
      expected += std::string(i % 41, 'x') + (i ? "" : std::string(size_t(1) << 20, 'y'));
      if (i == 0) Put_str(&w, std::string(size_t(1) << 20, 'y'));
      if (i == cut_at) break;
      cur.Resume();
    }
    if (cut_at != SIZE_MAX) {
      Writer_truncate(&w, 3);
      expected.resize(3);
    }
    EXPECT_EQ(Writer_close(&w), 1);
    std::string got(expected.size() + 1, '\0');
    FILE *f = fopen(path.c_str(), "rb");
    got.resize(fread(&got[0], 1, got.size(), f));
    fclose(f);
    EXPECT_TRUE(got == expected) << "cut after item " << cut_at << ": " << got.size();
  }
  unlink(path.c_str());
}

// Populating is only a hint, but where the system takes it every whole page
// of the range is mapped in afterwards, and no page outside it.
TEST(LargeStore, PopulateMapsInTheWholePagesOfItsRange) {
  const size_t page = 4096, pages = 64;
  void *m = mmap(nullptr, pages * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(m, MAP_FAILED);
  char *base = static_cast<char *>(m);
  if (!Populate_pages(base + 2 * page + 100, 38 * page)) {
    munmap(m, pages * page);
    GTEST_SKIP() << "this system does not populate on request";
  }
  unsigned char resident[pages];
  ASSERT_EQ(mincore(m, pages * page, resident), 0);
  for (size_t i = 0; i < pages; ++i) EXPECT_EQ(resident[i] & 1, i >= 3 && i < 40) << "page " << i;
  munmap(m, pages * page);
}

// A store that grows into a new 2 MB window gets the window after the next
// one mapped in by another thread, and no page past it.
TEST(LargeStore, GrowthMapsInTheWindowAfterTheNext) {
  const size_t window = size_t(1) << 21;
  // Earlier tests' windows are mapped in first, and the room is made fresh:
  // the heap may hand out pages that earlier tests wrote.
  Populate_ahead_wait();
  std::vector<char> v;
  v.reserve(16 * window);
  const uintptr_t base = uintptr_t(v.data()), end = base + v.capacity();
  const uintptr_t inner = (base + 4095) & ~uintptr_t(4095);
  madvise(reinterpret_cast<void *>(inner), (end & ~uintptr_t(4095)) - inner, MADV_DONTNEED);
  if (!Populate_pages(v.data(), 3 * 4096))
    GTEST_SKIP() << "this system does not populate on request";
  Map_ahead(v, 3 * window + window / 5);
  const uintptr_t ahead = (((base + 3 * window + window / 5) >> 21) + 2) << 21;
  std::vector<unsigned char> resident(v.capacity() / 4096 + 1);
  auto count = [&](uintptr_t from, uintptr_t to) {
    const uintptr_t page0 = base & ~uintptr_t(4095);
    EXPECT_EQ(mincore(reinterpret_cast<void *>(page0), end - page0, resident.data()), 0);
    size_t n = 0;
    for (uintptr_t p = from & ~uintptr_t(4095); p < to; p += 4096)
      n += resident[(p - page0) / 4096] & 1;
    return n;
  };
  for (int i = 0; i < 200 && count(ahead, ahead + window) < window / 4096; ++i) usleep(10000);
  EXPECT_EQ(count(ahead, ahead + window), window / 4096);
  EXPECT_EQ(count(base + 3 * 4096, ahead), 0u);
  // The page that holds the end may hold the allocator's next header.
  EXPECT_EQ(count(ahead + window, end & ~uintptr_t(4095)), 0u);
}

}  // namespace
