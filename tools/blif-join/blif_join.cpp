// blif-join: one BLIF file from a formula network (1) and a certificate
// network (2): the header and nodes of (1), then the nodes of (2).
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "text_io.h"

namespace {

long started;

int Finish(int status) {
  printf("OK! Working time is: %ld\n", long(time(nullptr)) - started);
  return status;
}

// Skips words up to and including `until`; 0 when the input ends first.
int Skip_to_word(text_reader_ *in, std::string_view until, text_writer_ *copy) {
  std::string_view w;
  bool any = false;
  while (Read_word(in, &w) == 1) {
    if (w == until) {
      if (copy) Put_char(copy, '\n');
      return 1;
    }
    if (copy) {
      if (any) Put_char(copy, ' ');
      Put_str(copy, w);
      any = true;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  started = long(time(nullptr));
  if (argc != 4) {
    printf("usage: blif-join FORMULA.blif CERTIFICATE.blif OUTPUT.blif\n");
    return 2;
  }
  text_reader_ formula, certificate;
  text_writer_ out;
  const char *out_name = argv[3];
  if (!Reader_open(&formula, argv[1])) {
    printf("cannot open formula (1) file %s\n", argv[1]);
    return Finish(1);
  }
  if (!Reader_open(&certificate, argv[2])) {
    Reader_close(&formula);
    printf("cannot open certificate (2) file %s\n", argv[2]);
    return Finish(1);
  }
  auto fail = [&](const char *what, const char *name) {
    Writer_close(&out);
    unlink(out_name);
    Reader_close(&formula);
    Reader_close(&certificate);
    printf("%s %s\n", what, name);
    return Finish(1);
  };
  if (!Writer_open(&out, out_name)) {
    Reader_close(&formula);
    Reader_close(&certificate);
    printf("cannot create output file %s\n", out_name);
    return Finish(1);
  }
  printf("reading proof (1) file..\n");
  std::string line;
  Read_line(&formula, &line);
  Put_str(&out, line);
  Put_char(&out, '\n');
  // The words up to ".outputs" (the .inputs list) are joined on one line.
  if (!Skip_to_word(&formula, ".outputs", &out)) return fail("no .outputs in formula (1) file", argv[1]);
  Put_str(&out, ".outputs ");
  // Lines of (1) that end without a newline (its ".end") are left out.
  while (Read_line(&formula, &line)) {
    Put_str(&out, line);
    Put_char(&out, '\n');
  }
  printf("reading certificate (2) file..\n");
  if (!Skip_to_word(&certificate, ".names", nullptr))
    return fail("no .names in certificate (2) file", argv[2]);
  Put_str(&out, ".names");
  if (!Reader_at_end(&certificate)) {
    for (;;) {
      int complete = Read_line(&certificate, &line);
      Put_str(&out, line);
      Put_char(&out, '\n');
      if (!complete) break;
    }
  }
  Reader_close(&formula);
  Reader_close(&certificate);
  if (!Writer_close(&out)) {
    unlink(out_name);
    printf("cannot write output file %s\n", out_name);
    return Finish(1);
  }
  return Finish(0);
}
