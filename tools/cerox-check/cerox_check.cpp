// cerox-check [--engine auto|sim|sat|abc] FORMULA CERT.blif --true|--false
// cerox-check --formula FORMULA
//
// Checks a certificate of a QBF: a model (--true: a function for every
// existential variable) or a countermodel (--false: one for every universal
// variable), written as a BLIF network. First its structure (what it
// defines and reads, no cycle, every function reading only variables
// quantified before its own), then its meaning: with the functions put in,
// the matrix of a true formula must hold for every assignment of the
// universal variables, that of a false formula must fail for every
// assignment of the existential ones. One line per stage, then the verdict:
// VALID (exit 0), INVALID: <why> (exit 1) or FAILURE: <why> (exit 2).
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "network.h"

namespace {

const char kUsage[] =
    "usage: cerox-check [--engine auto|sim|sat|abc] FORMULA CERT.blif --true|--false\n"
    "       cerox-check --formula FORMULA   (reads the formula only)\n"
    "  FORMULA   QDIMACS, plain or compressed (gzip, xz, zstd)\n"
    "  CERT      the certificate: a BLIF network (.model, .inputs, .outputs, .names, .end)\n"
    "  --true    it is a model of a true formula (a function per existential variable)\n"
    "  --false   it is a countermodel of a false formula (one per universal variable)\n"
    "  --engine  how the meaning is checked once the structure holds:\n"
    "            sim    every assignment of the inputs, 256 at a time\n"
    "            sat    CaDiCaL (one solve per matrix clause for a true formula)\n"
    "            abc    the formula converter, blif-join and ABC's sat, as cerox-certify did\n"
    "            auto   (default) sim for few inputs, else sat\n"
    "  -h, --help  this text\n"
    "Exit status: 0 VALID, 1 INVALID, 2 FAILURE; the last line is the verdict.\n";

int Verdict(int status, const std::string &why = "") {
  if (status == 0) printf("VALID\n");
  if (status == 1) printf("INVALID: %s\n", why.c_str());
  if (status == 2) printf("FAILURE: %s\n", why.c_str());
  return status;
}

struct stage_clock_ {
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
  void Line(const char *stage, const std::string &details) {
    const auto now = std::chrono::steady_clock::now();
    printf("%-11s %7.2f s  %s\n", stage, std::chrono::duration<double>(now - start).count(),
           details.c_str());
    fflush(stdout);
    start = now;
  }
};

// The folder this program lives in: its siblings are found there.
std::string Own_folder() {
  char buf[4096];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  std::string path(buf, size_t(n));
  return path.substr(0, path.rfind('/'));
}

// Runs argv with its output into `log`; its exit status, 256 plus the
// signal that ended it, or -1.
int Run(const std::vector<std::string> &args, const std::string &log) {
  const pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) dup2(fd, 1), dup2(fd, 2);
    std::vector<char *> argv;
    for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status;
  if (waitpid(pid, &status, 0) < 0) return -1;
  if (WIFSIGNALED(status)) return 256 + WTERMSIG(status);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Copies the converter's network, giving its own signals (`cnf`,
// `clause_N`: every word that is no number, cover row or keyword) a prefix
// that begins none of the certificate's names, so that a certificate may
// name its nodes freely. 1, or 0 when a file fails.
int Rename_formula_signals(const std::string &from, const std::string &to, const network_ &n) {
  std::string prefix = "f_";
  for (bool clash = true; clash;) {
    clash = false;
    for (const std::string &name : n.names)
      clash = clash || name.compare(0, prefix.size(), prefix) == 0;
    if (clash) prefix += '_';
  }
  text_reader_ in;
  text_writer_ out;
  if (!Reader_open(&in, from.c_str())) return 0;
  if (!Writer_open(&out, to.c_str())) return Reader_close(&in), 0;
  std::string line;
  while (!Reader_at_end(&in)) {
    // A last line without a newline (the converter's `.end`) stays so: the
    // join leaves it out.
    const int complete = Read_line(&in, &line);
    const char *space = "";
    for (std::string_view rest = line, w; Next_word(&rest, &w); space = " ") {
      Put_str(&out, space);
      if (w[0] != '.' && w.find_first_not_of("0123456789-") != std::string_view::npos)
        Put_str(&out, prefix);
      Put_str(&out, w);
    }
    if (complete) Put_char(&out, '\n');
  }
  const int ok = !in.error;
  Reader_close(&in);
  return Writer_close(&out) && ok;
}

// The joined network of the formula converter and the certificate, decided
// by ABC. 1 valid, 0 invalid, -1 no answer (*reason says why).
int Abc_check(const char *formula, const char *certificate, const network_ &n, bool true_formula,
              std::string *reason) {
  std::string dir = Temp_dir() + "/cerox-check-XXXXXX";
  if (!mkdtemp(&dir[0])) return *reason = "cannot create a temporary folder in " + Temp_dir(), -1;
  const std::string work = dir, f = work + "/f.qdimacs";
  int result = -1;
  // The converter reads compressed formulas itself; a plain name is given.
  text_reader_ in;
  text_writer_ out;
  if (Reader_open(&in, formula) && Writer_open(&out, f.c_str())) {
    while (!Reader_at_end(&in)) {
      Put_long_str(&out, std::string_view(in.data + in.at, in.end - in.at));
      in.at = in.end;
    }
    Writer_close(&out);
  }
  Reader_close(&in);
  const std::string bin = Own_folder();
  const std::string converter = bin + (true_formula ? "/qdimacs-cnf-true" : "/qdimacs-cnf-false");
  if (Run({converter, f}, work + "/convert.out") != 0) {
    *reason = "the formula converter failed";
  } else if (!Rename_formula_signals(work + "/f.blif", work + "/formula.blif", n)) {
    *reason = "cannot write the formula network in " + work;
  } else if (Run({bin + "/blif-join", work + "/formula.blif", certificate, work + "/joined.blif"},
                 work + "/join.out") != 0) {
    *reason = "blif-join failed";
  } else {
    const int status =
        Run({"berkeley-abc", "-c", "read_blif " + work + "/joined.blif; strash; sat"},
            work + "/abc.out");
    // The verdict word, else ABC's first complaint (it refuses some legal
    // BLIF, such as a node with inputs and no cover rows). ABC that did not
    // run leaves no line at all.
    std::string line, complaint;
    text_reader_ abc;
    if (Reader_open(&abc, (work + "/abc.out").c_str()))
      while (!Reader_at_end(&abc)) {
        Read_line(&abc, &line);
        bool words = false;
        for (std::string_view rest = line, w; Next_word(&rest, &w); words = true) {
          if (w == "UNSATISFIABLE") result = 1;
          if (w == "SATISFIABLE") result = 0;
        }
        if (words && complaint.empty() && line.rfind("ABC command line", 0) != 0) complaint = line;
      }
    Reader_close(&abc);
    // ABC stopped by a signal (deep networks overflow its stack) has
    // decided nothing, whatever it printed.
    if (status > 255) result = -1;
    if (result == 0) *reason = "ABC found an assignment under which the certificate fails";
    if (result < 0 && status == 127)
      *reason = "berkeley-abc not found (install the Debian package berkeley-abc)";
    else if (result < 0 && status > 255)
      *reason = "ABC ended on signal " + std::to_string(status - 256) + " without an answer" +
                (status - 256 == SIGSEGV ? " (a network this deep may be past it: try --engine sat)"
                                         : "");
    else if (result < 0)
      *reason = complaint.empty() ? "ABC gave no answer" : "ABC gave no answer: " + complaint;
  }
  Run({"rm", "-rf", work}, "/dev/null");
  return result;
}

}  // namespace

int main(int argc, char **argv) {
  Exit_on_out_of_memory("FAILURE: out of memory", 2);
  std::string engine = "auto";
  std::vector<const char *> files;
  int answer = -1;
  bool formula_only = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "-h" || a == "--help") return fputs(kUsage, stdout), 0;
    if (a == "--formula") {
      formula_only = true;
    } else if (a == "--true" || a == "--false") {
      answer = a == "--true";
    } else if (a == "--engine" && i + 1 < argc) {
      engine = argv[++i];
      if (engine != "auto" && engine != "sim" && engine != "sat" && engine != "abc")
        return fputs(kUsage, stdout), Verdict(2, "unknown engine " + engine);
    } else if (a.size() > 1 && a[0] == '-') {
      return fputs(kUsage, stdout), Verdict(2, "unknown option " + a);
    } else {
      files.push_back(argv[i]);
    }
  }
  if (formula_only ? files.size() != 1 || answer >= 0 : files.size() != 2 || answer < 0)
    return fputs(kUsage, stdout),
           Verdict(2, formula_only ? "--formula takes one formula alone"
                                   : "give a formula, a certificate and --true or --false");
  stage_clock_ clock;
  check_formula_ f;
  std::string problem;
  if (!Read_formula(files[0], answer ? 0 : 1, &f, &problem)) return Verdict(2, problem);
  clock.Line("formula", std::to_string(f.vars.size()) + " variables, " +
                            std::to_string(f.clauses.size()) + " clauses");
  if (formula_only) return 0;
  network_ n;
  if (!Read_network(files[1], int(f.vars.size()), &n, &problem)) {
    // An unreadable file is a failure of the check; one that is no such
    // network is a certificate that is not one.
    return Verdict(problem.compare(0, 6, "cannot") == 0 ? 2 : 1, problem);
  }
  clock.Line("certificate", std::to_string(n.nodes.size()) + " nodes");
  std::vector<int> order;
  if (!Check_structure(f, n, &order, &problem)) return Verdict(1, problem);
  clock.Line("structure", "OK");
  const std::vector<int> inputs = Check_inputs(f, n, order);
  if (engine == "auto") {
    size_t rows = 0;
    for (int k : order) rows += n.nodes[size_t(k)].rows;
    // Simulation costs a mask test per row and batch of 256 assignments.
    const double batches =
        inputs.size() > 8 ? double(uint64_t(1) << std::min<size_t>(inputs.size() - 8, 60)) : 1;
    engine = inputs.size() <= 20 || (inputs.size() <= 28 && batches * double(rows) <= 4e9) ? "sim"
                                                                                           : "sat";
  }
  int result;
  std::string what;
  if (engine == "sim") {
    result = Simulate_check(f, &n, order, &problem);
    what = "simulation of 2^" + std::to_string(inputs.size()) + " assignments";
  } else if (engine == "sat") {
    result = Sat_check(f, n, order, &problem);
    what = "CaDiCaL" + std::string(answer ? ", one solve per clause" : "");
  } else {
    result = Abc_check(files[0], files[1], n, answer, &problem);
    what = "ABC";
  }
  clock.Line("semantics", what);
  if (result == 1) return Verdict(0);
  return Verdict(result == 0 ? 1 : 2, problem);
}
