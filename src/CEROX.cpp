#include <malloc.h>

#include <cstdio>
#include <ctime>

#include "records.h"

// Exit status: 0 after a certificate was written or -h, 1 after a failed run,
// 2 after the usage text for an invalid command line.
int main(int argc, char **argv) {
  clock_t start = clock();
  // Large working lists grow and shrink all through a run: kept in the
  // heap, their memory is reused instead of mapped and unmapped each time.
  mallopt(M_MMAP_THRESHOLD, 256 << 20);
  mallopt(M_TRIM_THRESHOLD, 512 << 20);
  Exit_on_out_of_memory(" -- ERROR:  Out of memory. --", 1);
  char *file_name;
  int mode, outer_limit, rfao, alter, core;
  int valid = Parse_options(argc, argv, &file_name, &mode, &outer_limit, &rfao, &alter, &core);
  if (valid != 1) {
    Print_help();
    return valid == -1 ? 0 : 2;
  }
  printf("\n------------ Cerox version: 2.0 ------------\n");
  int ok = Proof_to_model(file_name, mode, outer_limit, rfao, alter, core);
  if (ok) printf(" Finish!! Total execution time: %10.2fs\n", (clock() - start) / 1000000.0);
  printf("--------------------------------------------\n\n");
  return ok ? 0 : 1;
}
