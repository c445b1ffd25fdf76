// The input layer under the tokenizer: compressed streams, the skip of a
// literal list, varints and binary traces, a raw trace replayed through its
// core, free variables.
#include <gtest/gtest.h>
#include <lzma.h>
#include <unistd.h>
#include <zlib.h>
#include <zstd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "binary_trace.h"
#include "test_util.h"
#include "trace_core.h"

namespace {

std::string Gzip(const std::string &text) {
  z_stream z{};
  deflateInit2(&z, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, text.size()), '\0');
  z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(text.data()));
  z.avail_in = unsigned(text.size());
  z.next_out = reinterpret_cast<Bytef *>(out.data());
  z.avail_out = unsigned(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

std::string Xz(const std::string &text) {
  std::string out(lzma_stream_buffer_bound(text.size()), '\0');
  size_t n = 0;
  lzma_easy_buffer_encode(6, LZMA_CHECK_CRC64, nullptr,
                          reinterpret_cast<const uint8_t *>(text.data()), text.size(),
                          reinterpret_cast<uint8_t *>(out.data()), &n, out.size());
  out.resize(n);
  return out;
}

// With a checksum, as the zstd program writes it.
std::string Zstd(const std::string &text) {
  std::string out(ZSTD_compressBound(text.size()), '\0');
  ZSTD_CCtx *cctx = ZSTD_createCCtx();
  ZSTD_CCtx_setParameter(cctx, ZSTD_c_checksumFlag, 1);
  out.resize(ZSTD_compress2(cctx, out.data(), out.size(), text.data(), text.size()));
  ZSTD_freeCCtx(cctx);
  return out;
}

// Every word of a source, joined by single spaces; "!" and the reader's
// problem when a read failed.
std::string Words(text_reader_ *in) {
  std::string all;
  std::string_view w;
  while (Read_word(in, &w) == 1) all += (all.empty() ? "" : " ") + std::string(w);
  if (!Reader_intact(in)) all += std::string("!") + in->problem;
  return all;
}

std::string Words_of(const std::string &bytes) {
  text_reader_ in;
  Reader_memory(&in, bytes.data(), bytes.size());
  return Words(&in);
}

// A text long enough to cross the reader's 1 MB blocks.
std::string Long_text() {
  std::string text;
  for (int i = 0; text.size() < 3000000; ++i) text += std::to_string(i % 977) + " ";
  return text + "end";
}

struct compressed_case_ {
  const char *name;
  std::string (*pack)(const std::string &);
  const char *truncated;  // the problem a cut stream gives
};

void PrintTo(const compressed_case_ &c, std::ostream *os) { *os << c.name; }

class Compressed : public testing::TestWithParam<compressed_case_> {};

TEST_P(Compressed, DecodesWholeTruncatedAndCorruptStreams) {
  const std::string text = Long_text();
  const std::string packed = GetParam().pack(text);
  EXPECT_EQ(Words_of(packed), Words_of(text));
  // From a file as well, where the first bytes were read before the
  // decoder started.
  char path[] = "/tmp/cerox_packed_XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, packed.data(), packed.size()), ssize_t(packed.size()));
  close(fd);
  text_reader_ file;
  ASSERT_EQ(Reader_open(&file, path), 1);
  EXPECT_EQ(file.compression, Compression_of(packed.data(), packed.size()));
  EXPECT_EQ(Words(&file), Words_of(text));
  // Closed early, while the stream is decoded ahead of the reader.
  std::string_view word;
  ASSERT_EQ(Reader_open(&file, path), 1);
  EXPECT_EQ(Read_word(&file, &word), 1);
  Reader_close(&file);
  unlink(path);
  // Cut before the end: the words read so far, then the failure.
  const std::string cut = Words_of(packed.substr(0, packed.size() - 3));
  EXPECT_NE(cut.find(std::string("!") + GetParam().truncated), std::string::npos)
      << cut.substr(cut.size() - 40);
  std::string corrupt = packed;
  for (size_t i = packed.size() / 2; i < packed.size() / 2 + 8; ++i) corrupt[i] ^= 0x5a;
  EXPECT_NE(Words_of(corrupt).find("!corrupt"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Kinds, Compressed,
                         testing::Values(compressed_case_{"gzip", Gzip, "truncated gzip stream"},
                                         compressed_case_{"xz", Xz, "truncated xz stream"},
                                         compressed_case_{"zstd", Zstd, "truncated zstd stream"}),
                         [](const testing::TestParamInfo<compressed_case_> &info) {
                           return std::string(info.param.name);
                         });

TEST(Compressed, GzipMembersFollowOneAnother) {
  EXPECT_EQ(Words_of(Gzip("1 2 ") + Gzip("3 4")), "1 2 3 4");
  EXPECT_EQ(Words_of(Gzip("1 2 ") + "junk"), "1 2!corrupt gzip stream (data after its end)");
}

TEST(SkipToZeroWord, StopsAfterTheWordZeroOnly) {
  struct {
    const char *text, *rest;
    int result;
  } cases[] = {
      {" 1 -2 0 7", "7", 1},  {" 10 20 0 7", "7", 1},  {" 00 -0 0 7", "7", 1},
      {"\t30\n0\n7", "7", 1}, {"0 7", "7", 1},         {" 5 0", "", 1},
      {" 5 10 20", "", -1},   {" 501 0x 0 7", "7", 1}, {"", "", -1},
  };
  for (const auto &c : cases) {
    text_reader_ in;
    Reader_memory(&in, c.text, strlen(c.text));
    EXPECT_EQ(Skip_to_zero_word(&in), c.result) << c.text;
    EXPECT_EQ(Words(&in), c.rest) << c.text;
  }
  // Across block boundaries of a file-backed reader: a zero word after
  // every 100000 numbers.
  std::string text;
  for (int i = 1; i <= 400000; ++i) text += i % 100000 ? "12 " : "0 ";
  const std::string packed = Zstd(text + "7");
  text_reader_ in;
  Reader_memory(&in, packed.data(), packed.size());
  for (int k = 0; k < 4; ++k) ASSERT_EQ(Skip_to_zero_word(&in), 1) << k;
  EXPECT_EQ(Words(&in), "7");
}

TEST(Varint, ValuesLengthsAndEnds) {
  struct {
    std::string bytes;
    int result;
    uint32_t value;
  } cases[] = {
      {"\x05", 1, 5},
      {"\x80\x01", 1, 128},
      {"\xff\xff\xff\xff\x07", 1, INT32_MAX},
      {"\xff\xff\xff\xff\x08", 0, 0},      // beyond INT32_MAX
      {"\x80\x80\x80\x80\x80\x01", 0, 0},  // six bytes
      {"\x81\x82", -1, 0},                 // runs past the end
  };
  for (const auto &c : cases) {
    for (const std::string &tail : {std::string(), std::string(8, 'x')}) {
      // With and without bytes behind it (the fast and the slow path).
      const std::string bytes = c.bytes + tail;
      text_reader_ in;
      Reader_memory(&in, bytes.data(), bytes.size());
      uint32_t v = 0;
      const int got = Read_varint(&in, &v);
      EXPECT_EQ(got, tail.empty() || c.result != -1 ? c.result : 1)
          << testing::PrintToString(bytes);
      if (got == 1 && c.result == 1) {
        EXPECT_EQ(v, c.value);
      }
    }
  }
}

// The binary form of a text 'qrp' trace.
std::string To_binary(const std::string &text) {
  std::string out;
  text_writer_ w;
  Writer_memory(&w, &out);
  std::istringstream lines(text);
  std::string line;
  std::getline(lines, line);
  Put_str(&w, "p bqrp" + line.substr(5));
  Put_char(&w, '\0');
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string first;
    words >> first;
    if (first == "r") {
      Put_char(&w, '\0');
      Put_str(&w, line + "\n");
      break;
    }
    if (first == "a" || first == "e") {
      Put_char(&w, '\0');
      Put_str(&w, first);
    } else {
      Put_varint(&w, uint32_t(std::stoi(first)));
    }
    int zeros = 0;
    for (long v; words >> v;) {
      const bool literal = first != "a" && first != "e" && zeros == 0;
      Put_varint(&w, uint32_t(literal && v ? (v < 0 ? -2 * v + 1 : 2 * v) : v));
      zeros += v == 0;
    }
  }
  Writer_close(&w);
  return out;
}

// A false formula: e3 a2 e1 (positions 0, 1, 2). Line 7 refutes it from
// lines 1 and 2; lines 4 to 6 are learned and unused, and line 6 does not
// resolve (it clashes on two variables).
const char *kRaw =
    "p qrp 3 5\ne 3 0\na 2 0\ne 1 0\n1 1 2 0 0\n2 -1 2 0 0\n4 1 3 0 0\n5 -1 -3 0 0\n"
    "6 0 4 5 0\n7 0 1 2 0\nr UNSAT\n";
const char *kCore = "p qrp 3 5\ne 3 0\na 2 0\ne 1 0\n1 1 2 0 0\n2 -1 2 0 0\n7 0 1 2 0\nr UNSAT\n";

TEST(RawTrace, ReplaysItsCoreInTextAndBinary) {
  const std::string core = Replay_certificate(kCore, 3, true);
  ASSERT_NE(core, "");
  EXPECT_EQ(Replay_certificate(kCore, 3, false), core);
  EXPECT_EQ(Replay_certificate(kRaw, 3, false), core);
  EXPECT_EQ(Replay_certificate(To_binary(kRaw), 3, false), core);
  EXPECT_EQ(Replay_certificate(To_binary(kCore), 3, true), core);
  EXPECT_EQ(Replay_certificate(Gzip(To_binary(kRaw)), 3, false), core);
  // Every line replayed, the unused clause line 6 fails to resolve.
  EXPECT_EQ(Replay_certificate(kRaw, 3, true), "");
  // Replayed whole (taken as a core without the first pass, as a compressed
  // file is), a trace whose line 6 resolves but is read by none is no core.
  std::string raw = kRaw;
  raw.replace(raw.find("5 -1 -3"), 7, "5 -1 3");
  EXPECT_EQ(Replay_certificate(raw, 3, false), core);
  EXPECT_EQ(Replay_certificate(raw, 3, true), "");
}

TEST(RawTrace, BinaryLinesAreCheckedLikeText) {
  const std::string good = To_binary(kCore);
  EXPECT_NE(Replay_certificate(good, 3, false), "");
  // Variable 4 in a table of 3, the encoding of -0, a varint of six bytes.
  for (std::string bad : {"\x08", "\x01", "\x80\x80\x80\x80\x80\x01"}) {
    std::string line = good;
    line.replace(line.find("\x01\x02\x04", 15) + 1, 1, bad);
    EXPECT_EQ(Replay_certificate(line, 3, false), "") << testing::PrintToString(bad);
  }
  EXPECT_EQ(Replay_certificate(good.substr(0, good.size() - 10), 3, false), "");
}

// A core read for its last uses only has the last uses of one read with
// its antecedent lists, and tells whether it is a core: random traces, ids
// dense and sparse, text and binary, antecedents repeated.
TEST(RawTrace, LastUsesOfACoreNeedNoAntecedentLists) {
  std::mt19937 rng(5);
  int cores = 0;
  for (int trial = 0; trial < 40; ++trial) {
    std::string text = "p qrp 2 1\ne 1 2 0\n";
    std::vector<long> ids;
    for (int k = 0; k < 300; ++k) {
      ids.push_back((ids.empty() ? 0 : ids.back()) + 1 + long(trial % 2 ? rng() % 100000 : 0));
      text += std::to_string(ids.back()) + (k < 20 ? " 1 -2 0" : " 0");
      // In half the trials a derived line reads the one before it: a core.
      const bool chained = trial % 8 >= 4 && k > 20;
      for (int a = 0; k >= 20 && a < 2; ++a)
        text += " " + std::to_string(ids[a == 0 && chained ? size_t(k - 1) : rng() % size_t(k)]);
      text += " 0\n";
    }
    text += "r UNSAT\n";
    const std::string input = trial % 4 < 2 ? text : To_binary(text);
    trace_lines_ lines[3];  // antecedent lists, uses only, the core marked
    for (int k : {2, 0, 1}) {
      text_reader_ in;
      Reader_memory(&in, input.data(), input.size());
      std::string problem;
      lines[k].uses_only = k == 1;
      ASSERT_EQ(Read_trace_lines(&in, trial % 4 >= 2, 2, &lines[k], &problem), 1) << problem;
      // A core: every line with antecedents (the 21st on) is marked.
      if (k == 1) {
        const bool core =
            std::find(lines[2].keep.begin() + 20, lines[2].keep.end(), 0) == lines[2].keep.end();
        EXPECT_EQ(Is_core(lines[1]), core) << "trial " << trial;
        cores += core;
      }
      Mark_core(&lines[k], k != 2);
    }
    EXPECT_EQ(lines[1].last_use, lines[0].last_use) << "trial " << trial;
    EXPECT_EQ(lines[1].keep, lines[0].keep) << "trial " << trial;
    EXPECT_TRUE(lines[1].ants.empty() && lines[1].first.size() == 1);
  }
  EXPECT_TRUE(cores > 0 && cores < 40) << cores;
}

// Lines numbered one by one keep no ids; once a gap comes, the ids are
// kept (and mapped directly, or searched once they are sparse). Lookups
// must not tell the ways apart.
TEST(RawTrace, LineIdsReadTheSameCountedOrKept) {
  const struct {
    const char *name;
    std::vector<long long> ids;
  } cases[] = {
      {"counted", {1, 2, 3, 4, 5, 6}},
      {"gap later", {1, 2, 3, 7, 8, 9, 12}},
      {"gap first", {4, 5, 6}},
      {"sparse later", {1, 2, 3, 2000000, 2000001, 3000000}},
      {"gap then sparse", {1, 2, 4, 5, 9000000}},
  };
  for (const auto &c : cases) {
    trace_lines_ t;
    std::string problem;
    for (long long id : c.ids) {
      ASSERT_EQ(Trace_begin_line(&t, id, &problem), 1) << c.name;
      Trace_end_line(&t);
    }
    ASSERT_EQ(t.lines, c.ids.size()) << c.name;
    EXPECT_EQ(t.counted, c.ids.back() == (long long)c.ids.size()) << c.name;
    for (size_t k = 0; k < c.ids.size(); ++k) {
      EXPECT_EQ(Line_id(t, k), c.ids[k]) << c.name;
      EXPECT_EQ(Line_index(t, c.ids[k]), long(k)) << c.name;
      for (long long other : {c.ids[k] - 1, c.ids[k] + 1}) {
        if (std::find(c.ids.begin(), c.ids.end(), other) != c.ids.end()) continue;
        EXPECT_EQ(Line_index(t, other), -1) << c.name << ", id " << other;
      }
    }
    EXPECT_EQ(Line_index(t, 0), -1) << c.name;
    EXPECT_EQ(Trace_begin_line(&t, c.ids.back(), &problem), 0) << c.name;
  }
}

struct free_case_ {
  const char *name, *prefix;
  int mode, outer_limit;               // mode 0 (QDIMACS) or 4 ('qrp' true)
  std::vector<int> pos, level, quant;  // by variable 1..4
  int blocks;
};

void PrintTo(const free_case_ &c, std::ostream *os) { *os << c.name; }

class FreeVariables : public testing::TestWithParam<free_case_> {};

TEST_P(FreeVariables, AreOutermostExistentials) {
  const free_case_ &c = GetParam();
  const std::string text = c.mode == 0 ? std::string("p cnf 4 1\n") + c.prefix + "1 -2 3 4 0\n"
                                       : std::string("p qrp 4 1\n") + c.prefix + "1 0 0\nr SAT\n";
  run_state_ s(text, c.mode, c.outer_limit);
  ASSERT_EQ(s.parsed, 1);
  std::vector<int> pos, level, quant;
  for (const literal_short_ &e : s.vars) {
    pos.push_back(e.pos);
    level.push_back(e.level);
    quant.push_back(e.quant);
  }
  EXPECT_EQ(pos, c.pos);
  EXPECT_EQ(level, c.level);
  EXPECT_EQ(quant, c.quant);
  EXPECT_EQ(s.blocks, c.blocks);
  // Their literals stay in clauses.
  if (c.mode == 0) {
    EXPECT_EQ(s.At(0).lits.size(), 4u);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Prefixes, FreeVariables,
    testing::Values(
        free_case_{
            "none_free", "a 2 0\ne 1 3 4 0\n", 0, 0, {1, 0, 2, 3}, {2, 1, 2, 2}, {0, 1, 0, 0}, 2},
        free_case_{"two_free", "a 2 0\ne 3 0\n", 0, 0, {0, 2, 3, 1}, {1, 2, 3, 1}, {0, 1, 0, 0}, 3},
        free_case_{"no_prefix", "", 0, 0, {0, 1, 2, 3}, {1, 1, 1, 1}, {0, 0, 0, 0}, 1},
        free_case_{
            "listed_twice", "e 3 0\na 2 3 0\n", 0, 0, {0, 2, 3, 1}, {1, 3, 3, 1}, {0, 1, 1, 0}, 3},
        // -p 1 in a true mode: the free variable is the outermost existential.
        free_case_{"limit_counts_free_first",
                   "a 2 0\ne 3 1 0\n",
                   4,
                   1,
                   {3, 1, 2, 0},
                   {3, 2, 3, 1},
                   {-1, 1, -1, 0},
                   3}),
    [](const testing::TestParamInfo<free_case_> &info) { return std::string(info.param.name); });

}  // namespace
