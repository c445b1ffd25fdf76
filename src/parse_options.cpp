#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "records.h"

// Returns 1 for a valid command line, 0 when the usage text is due because
// the command line is invalid, -1 when it is due because -h was asked for.
int Parse_options(int argc, char **argv, char **file_name, int *mode, int *outer_limit, int *rfao,
                  int *alter, int *core) {
  *mode = *outer_limit = *rfao = *alter = *core = 0;
  *file_name = nullptr;
  if (argc <= 1) return 0;
  for (int i = 1; i < argc; ++i) {
    const char *w = argv[i];
    if (!strcmp(w, "-h")) return -1;
    if (!strcmp(w, "-rfao")) {
      *rfao = 1;
    } else if (!strcmp(w, "-core")) {
      *core = 1;
    } else if (!strcmp(w, "-alter") || !strcmp(w, "-p") || !strcmp(w, "-m")) {
      if (i + 1 >= argc) return 0;
      const char *value = argv[++i];
      if (w[1] == 'a') {
        *alter = GetIntVal(value);
        if (*alter < 0) return 0;
      } else if (w[1] == 'p') {
        *outer_limit = GetIntVal(value);
        if (*outer_limit < -1) return 0;
      } else {
        if (value[0] < '0' || value[0] > '4' || value[1] != '\0') return 0;
        *mode = value[0] - '0';
      }
    } else {
      if (*file_name) return 0;
      *file_name = argv[i];
    }
  }
  return *file_name != nullptr;
}

void Print_help() {
  printf("\n");
  printf("--------------- Cerox version: 2.0 --------------\n");
  printf("  Usage: ./Cerox [-h] [-m {0,1,2,3,4}] [-p N] [-alter N] [-rfao] [-core] file_name\n");
  printf("    -h:  print this usage command;\n");
  printf("    -m {0,1,2,3,4}: choose mode (default: 0)\n");
  printf("       -m 0: proof in 'qbc' format;\n");
  printf("       -m 1 (resp 2): proof in 'qube' false (resp true) format;\n");
  printf("       -m 3 (resp 4): proof in 'qrp' false (resp true) format;\n");
  printf("    -p N: find (counter)models for only outer most N (univ)exist vars;\n");
  printf("       NOTE: N=-1 skip construction for the whole innermost exist layer;\n");
  printf("    -alter N: use different alternation minimization heuristics (default: OFF);\n");
  printf("       NOTE: N=1 directly minimize alternations (suggested);\n");
  printf("             N=2 use quantifier level weights for minimization;\n");
  printf("    -rfao: enable output in RFAO format (default: OFF);\n");
  printf("    -core: this option must be specified when using 'qrp' core proof;\n");
  printf("    file_name:\n");
  printf("      - for 'qbc': name of the QBF instance;\n");
  printf("          NOTE: Cerox (under -m 0) will actually read in two files:\n");
  printf("                QBF instance and its proof. For convenience\n");
  printf("                only the instance's filename, say 'name.ext',\n");
  printf("                should be specified, and the proof's name on disk\n");
  printf("                should be 'name.ext.qbc';\n");
  printf("      - for 'qube' and 'qrp': name of the proof;\n");
  printf("          NOTE: Cerox (under -m 1,2,3,4) will read in a single proof file;\n");
  printf("  Example1: ./Cerox qbc_example.qdimacs\n");
  printf("  Example2: ./Cerox -m 1 -p 5 -rfao qube_proof.txt\n");
  printf("  Example3: ./Cerox -m 3 -alter 1 -core depqbf_proof.core.qrp\n");
  printf("--------------------------------------------------\n");
  printf("\n");
}

// strtol in base 10, narrowed to int.
int GetIntVal(std::string text) { return static_cast<int>(strtol(text.c_str(), nullptr, 10)); }

// Checks that the file can be opened for reading. The newline count is used
// nowhere, so a large proof is not read an extra time for it: *count is left
// as it was. A directory does not count as a readable file.
int Count_lines(const char *path, int *count) {
  (void)count;
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  struct stat st;
  int ok = fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
  close(fd);
  return ok;
}

void Print_file_error(int code) {
  static const char *const kLines[] = {
      " --  ERROR:  Could not open input file.  --\n",
      " -- ERROR:   Could not open proof file.  --\n",
      " -- ERROR:  Input file format missmatch. --\n",
      " -- ERROR:  Proof file format missmatch. --\n",
      " -- ERROR:   Resolution inconsistency.   --\n",
      "-WARNING: Long distance resolution present.-\n",
  };
  if (code >= 0 && code <= 5) fputs(kLines[code], stdout);
}
