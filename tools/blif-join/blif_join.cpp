// blif-join: one BLIF file from a formula network (1) and a certificate
// network (2): the header and nodes of (1), then the nodes of (2).
#include <unistd.h>

#include <cstdio>
#include <ctime>

#include "join.h"

namespace {

long started;

int Finish(int status) {
  printf("OK! Working time is: %ld\n", long(time(nullptr)) - started);
  return status;
}

}  // namespace

int main(int argc, char **argv) {
  started = long(time(nullptr));
  Exit_on_out_of_memory("out of memory", 1);
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
  // Opening the output would empty an input of the same file.
  for (int k = 1; k <= 2; ++k)
    if (Same_file(out_name, argv[k])) {
      Reader_close(&formula);
      Reader_close(&certificate);
      printf("output file %s is the %s file\n", out_name,
             k == 1 ? "formula (1)" : "certificate (2)");
      return Finish(1);
    }
  if (!Writer_open(&out, out_name)) {
    Reader_close(&formula);
    Reader_close(&certificate);
    printf("cannot create output file %s\n", out_name);
    return Finish(1);
  }
  int joined = Join_blif(&formula, &certificate, &out, argv[1], argv[2]);
  // Compressed inputs must also decode cleanly to their ends.
  for (text_reader_ *in : {&formula, &certificate})
    if (!Reader_intact(in)) {
      printf("cannot read %s file %s: %s\n", in == &formula ? "formula (1)" : "certificate (2)",
             in == &formula ? argv[1] : argv[2], in->problem);
      joined = 0;
    }
  Reader_close(&formula);
  Reader_close(&certificate);
  int written = Writer_close(&out);
  if (joined && !written) printf("cannot write output file %s\n", out_name);
  if (!joined || !written) {
    unlink(out_name);
    return Finish(1);
  }
  return Finish(0);
}
