#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records.h"
#include "test_util.h"

namespace {

struct options_case_ {
  std::vector<std::string> words;
  int result;
  int mode, outer, rfao, alter, core;
  const char *file;
};

// The command line, as the test's name and in listings.
std::string Words(const options_case_ &c) {
  std::string line;
  for (const std::string &w : c.words) line += (line.empty() ? "" : " ") + w;
  return line;
}
void PrintTo(const options_case_ &c, std::ostream *os) { *os << '"' << Words(c) << '"'; }

class ParseOptions : public ::testing::TestWithParam<options_case_> {};

TEST_P(ParseOptions, ResultAndSettings) {
  const options_case_ &c = GetParam();
  std::vector<std::string> words = c.words;
  words.insert(words.begin(), "cerox");
  std::vector<char *> argv;
  for (std::string &w : words) argv.push_back(w.data());
  char *file = nullptr;
  int mode = -9, outer = -9, rfao = -9, alter = -9, core = -9;
  int r = Parse_options(int(argv.size()), argv.data(), &file, &mode, &outer, &rfao, &alter, &core);
  EXPECT_EQ(r, c.result);
  if (r != 1) return;
  EXPECT_EQ(mode, c.mode);
  EXPECT_EQ(outer, c.outer);
  EXPECT_EQ(rfao, c.rfao);
  EXPECT_EQ(alter, c.alter);
  EXPECT_EQ(core, c.core);
  EXPECT_STREQ(file, c.file);
}

// result: 1 valid, 0 usage for an invalid line, -1 usage asked for by -h.
INSTANTIATE_TEST_SUITE_P(
    Table, ParseOptions,
    ::testing::Values(options_case_{{}, 0, 0, 0, 0, 0, 0, nullptr},
                      options_case_{{"-h", "f"}, -1, 0, 0, 0, 0, 0, nullptr},
                      options_case_{{"f", "-h"}, -1, 0, 0, 0, 0, 0, nullptr},
                      options_case_{{"-p", "-h", "f"}, 1, 0, 0, 0, 0, 0, "f"},
                      options_case_{{"-m", "5", "f"}, 0, 0, 0, 0, 0, 0, nullptr},
                      options_case_{{"-m", "01", "f"}, 0, 0, 0, 0, 0, 0, nullptr},
                      options_case_{{"-m", "+1", "f"}, 0, 0, 0, 0, 0, 0, nullptr},
                      options_case_{{"-m", "", "f"}, 0, 0, 0, 0, 0, 0, nullptr},
                      options_case_{{"-p", "-2", "f"}, 0, 0, 0, 0, 0, 0, nullptr},
                      options_case_{{"-alter", "-1", "f"}, 0, 0, 0, 0, 0, 0, nullptr},
                      options_case_{{"-p", "-1", "f"}, 1, 0, -1, 0, 0, 0, "f"},
                      options_case_{{"-alter", "0", "f"}, 1, 0, 0, 0, 0, 0, "f"},
                      options_case_{{"-p", "3x", "f"}, 1, 0, 3, 0, 0, 0, "f"},
                      options_case_{{"-p", "x", "f"}, 1, 0, 0, 0, 0, 0, "f"},
                      options_case_{{"f", "g"}, 0, 0, 0, 0, 0, 0, nullptr},
                      options_case_{{"-x"}, 1, 0, 0, 0, 0, 0, "-x"},
                      options_case_{{"f", "-m"}, 0, 0, 0, 0, 0, 0, nullptr},
                      options_case_{{"f", "-p"}, 0, 0, 0, 0, 0, 0, nullptr},
                      options_case_{{"f", "-alter"}, 0, 0, 0, 0, 0, 0, nullptr},
                      options_case_{{"-m", "1", "-m", "3", "f"}, 1, 3, 0, 0, 0, 0, "f"},
                      options_case_{{"-rfao", "-core", "-rfao", "-alter", "7", "-m", "4", "-p", "2",
                                     "proof.qrp"},
                                    1,
                                    4,
                                    2,
                                    1,
                                    7,
                                    1,
                                    "proof.qrp"},
                      options_case_{{"-alter", "-rfao", "f"}, 1, 0, 0, 0, 0, 0, "f"},
                      options_case_{{"-p", " 5", "f"}, 1, 0, 5, 0, 0, 0, "f"}),
    [](const testing::TestParamInfo<options_case_> &info) {
      // Lines that differ only in spaces or signs would share a name.
      return Test_name(Words(info.param)) + "_" + std::to_string(info.index);
    });

TEST(GetIntVal, ConvertsLikeStrtol) {
  const std::pair<const char *, int> cases[] = {{"12", 12}, {"  -7", -7}, {"+3", 3}, {"3x", 3},
                                                {"x", 0},   {"", 0},      {"-0", 0}};
  for (const auto &c : cases) EXPECT_EQ(GetIntVal(c.first), c.second) << c.first;
}

TEST(PrintFileError, PrintsTheFixedLines) {
  const char *expected[] = {
      " --  ERROR:  Could not open input file.  --\n",
      " -- ERROR:   Could not open proof file.  --\n",
      " -- ERROR:  Input file format missmatch. --\n",
      " -- ERROR:  Proof file format missmatch. --\n",
      " -- ERROR:   Resolution inconsistency.   --\n",
      "-WARNING: Long distance resolution present.-\n",
  };
  for (int code = -1; code <= 6; ++code) {
    testing::internal::CaptureStdout();
    Print_file_error(code);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, code >= 0 && code <= 5 ? expected[code] : "") << code;
  }
}

TEST(CountLines, OpensFilesButNotDirectories) {
  int count = 5;
  EXPECT_EQ(Count_lines("/nonexistent/file", &count), 0);
  EXPECT_EQ(Count_lines("/tmp", &count), 0);
  EXPECT_EQ(Count_lines("/proc/self/status", &count), 1);
  EXPECT_EQ(count, 5);
}

}  // namespace
