// The formula and the certificate network, as cerox-check reads them.
#include <sys/stat.h>

#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "network.h"

std::string Signal_name(const network_ &n, int s) {
  if (s >= 1 && s <= n.vars) return std::to_string(s);
  return n.names[size_t(s - n.vars - 1)];
}

namespace {

// The words of a file with the numbers of their lines.
struct word_stream_ {
  text_reader_ in;
  std::string line;
  std::string_view rest;
  long line_no = 0;
  bool first = false;  // the word begins its line
  int Next(std::string_view *w) {
    first = false;
    while (!Next_word(&rest, w)) {
      if (Reader_at_end(&in)) return 0;
      Read_line(&in, &line);
      ++line_no;
      rest = line;
      first = true;
    }
    return 1;
  }
};

// Why the reader refused a formula, found as a person would look for it:
// the first word that breaks a rule the reader keeps (it reads words, not
// lines: a prefix line may go on over several), or where the input ends. A
// problem line is one only as 'p cnf' (the reader takes any two words).
// Empty when none of these is found (the plain refusal then stands). A pipe
// cannot be read twice and gets none.
std::string Formula_problem(const char *path) {
  struct stat st;
  word_stream_ s;
  if (stat(path, &st) != 0 || !S_ISREG(st.st_mode) || !Reader_open(&s.in, path)) return "";
  std::string why;
  std::string_view w;
  auto at = [&](const std::string &what) {
    why = "line " + std::to_string(s.line_no) + ": " + what;
  };
  auto number = [&](bool prefix, int vars, int *x) {
    if (s.first && w == "c")
      at("a comment line after the problem line");
    else if (s.first && !prefix && (w[0] == 'a' || w[0] == 'e'))
      at("a quantifier line after the first clause");
    else if (!Parse_int_word(w, x))
      at("'" + std::string(w) + "' is not a number");
    else if (*x == INT32_MIN || (*x < 0 ? -*x : *x) > vars)
      at("variable " + std::string(w[0] == '-' ? w.substr(1) : w) + " is above the " +
         std::to_string(vars) + " that the problem line declares");
    else if (prefix && *x < 0)
      at("a negative number in a quantifier line");
    return why.empty();
  };
  int vars = 0, declared = 0, clauses = 0, listed = 0, x = 0;
  bool more;
  while ((more = s.Next(&w)) && s.first && w[0] == 'c') s.rest = {};
  std::string_view kind;
  if (!more)
    why = "no problem line 'p cnf VARIABLES CLAUSES'";
  else if (w != "p" || !s.Next(&kind) || kind != "cnf" || !s.Next(&w) ||
           !Parse_int_word(w, &vars) || !s.Next(&w) || !Parse_int_word(w, &declared))
    at("no problem line 'p cnf VARIABLES CLAUSES' before it");
  else if (vars > 0 && size_t(vars) > Reader_budget(&s.in))
    at("the problem line declares " + std::to_string(vars) +
       " variables, more than a file of its size can use");
  // The prefix: lines of 'a' or 'e' and variables up to a 0, until as many
  // variables are listed as declared or another word comes.
  more = why.empty() && s.Next(&w);
  while (more && why.empty() && (w[0] == 'a' || w[0] == 'e')) {
    for (x = 1; why.empty() && x != 0;) {
      if (!s.Next(&w)) return Reader_close(&s.in), "it ends inside a quantifier line";
      if (!number(true, vars, &x) || x == 0) break;
      if (listed++ == vars)
        at("the prefix lists more than the " + std::to_string(vars) +
           " variables that the problem line declares");
    }
    more = why.empty() && s.Next(&w);
    if (listed == vars) break;
  }
  // The clauses, up to the number declared.
  for (; more && why.empty() && clauses < declared; more = s.Next(&w))
    if (number(false, vars, &x) && x == 0) ++clauses;
  if (more && why.empty() && declared <= 0) at("a clause where the problem line declares none");
  Reader_close(&s.in);
  if (!why.empty() || clauses >= declared) return why;
  return "it ends after " + std::to_string(clauses) + " of the " + std::to_string(declared) +
         " clauses that its problem line declares (cut short?)";
}

}  // namespace

int Read_formula(text_reader_ *in, const char *path, int certified, check_formula_ *f,
                 std::string *problem) {
  int ok = Parse_formula(in, &f->vars, &f->clauses, &f->blocks);
  // Solvers read on after the declared clauses (DepQBF takes an extra empty
  // clause as one, and the formula is then false): a check of the declared
  // clauses alone would not be a check of what was solved. Comment lines
  // may follow.
  bool more = false;
  std::string why;
  for (std::string_view w; ok && !more && Read_word(in, &w) == 1; Skip_line_rest(in))
    more = w != "c";
  if (!Reader_intact(in))
    *problem = std::string("cannot read formula ") + path + ": " + in->problem, ok = 0;
  else if (!ok)
    *problem = std::string(path) + " is not a QDIMACS formula", why = Formula_problem(path);
  if (!why.empty())
    *problem += ": " + why;
  else if (more)
    *problem = std::string(path) + " goes on after its last clause (its problem line declares " +
               std::to_string(f->clauses.size()) + ")",
    ok = 0;
  if (!ok) return 0;
  f->certified = certified;
  f->occurs.assign(f->vars.size() + 1, 0);
  for (int32_t l : f->clauses.lits) f->occurs[size_t(l < 0 ? -l : l)] = 1;
  return 1;
}

int Read_formula(const char *path, int certified, check_formula_ *f, std::string *problem) {
  text_reader_ in;
  if (!Reader_open(&in, path)) return *problem = std::string("cannot open formula ") + path, 0;
  const int ok = Read_formula(&in, path, certified, f, problem);
  Reader_close(&in);
  return ok;
}

namespace {

struct blif_reader_ {
  explicit blif_reader_(text_reader_ *reader, network_ *network, std::string *why)
      : in(*reader), n(network), problem(why) {}
  text_reader_ &in;
  network_ *n;
  std::unordered_map<std::string, int> ids;
  std::string line, more;
  long line_no = 0;
  std::string *problem;

  int Fail(const std::string &why) {
    *problem = "certificate line " + std::to_string(line_no) + ": " + why;
    return 0;
  }

  // The next logical line: comments cut off, continuation lines joined.
  // 0 at the end of the input.
  int Next_line() {
    line.clear();
    for (;;) {
      if (Reader_at_end(&in)) return line.find_first_not_of(" \t\r\f\v") != std::string::npos;
      Read_line(&in, &more);
      ++line_no;
      const size_t hash = more.find('#');
      if (hash != std::string::npos) more.resize(hash);
      while (!more.empty() && Is_space(more.back())) more.pop_back();
      if (!more.empty() && more.back() == '\\') {
        more.back() = ' ';
        line += more;
        continue;
      }
      // Most lines stand alone: taken over, not copied.
      if (line.empty())
        line.swap(more);
      else
        line += more;
      if (line.find_first_not_of(" \t\r\f\v") != std::string::npos) return 1;
      line.clear();
    }
  }

  // A signal id by name: a formula variable by its number, any other name
  // its own id. A number that names no variable is noted.
  int Signal(std::string_view w) {
    if (!w.empty() && w[0] >= '1' && w[0] <= '9' && w.size() <= 10) {
      long long v = 0;
      size_t i = 0;
      for (; i < w.size() && w[i] >= '0' && w[i] <= '9'; ++i) v = v * 10 + (w[i] - '0');
      if (i == w.size()) {
        if (v <= n->vars) return int(v);
        if (!n->unknown_variable_line) n->unknown_variable_line = line_no;
      }
    } else if (w == "0" && !n->unknown_variable_line) {
      n->unknown_variable_line = line_no;
    }
    auto it = ids.find(std::string(w));
    if (it != ids.end()) return it->second;
    const int id = int(n->Signals());
    n->names.emplace_back(w);
    ids.emplace(std::string(w), id);
    return id;
  }
};

// Splits a line into words.
void Words(std::string_view line, std::vector<std::string_view> *words) {
  words->clear();
  for (std::string_view w; Next_word(&line, &w);) words->push_back(w);
}

}  // namespace

int Read_network(const char *path, int vars, network_ *n, std::string *problem) {
  text_reader_ in;
  if (!Reader_open(&in, path)) return *problem = std::string("cannot open certificate ") + path, 0;
  const int ok = Read_network(&in, path, vars, n, problem);
  Reader_close(&in);
  return ok;
}

int Read_network(text_reader_ *in, const char *path, int vars, network_ *n, std::string *problem) {
  blif_reader_ r(in, n, problem);
  n->vars = vars;
  // A literal takes three bytes at least (its name, a space, its cover digit).
  Reserve_large(&n->lits, Reserve_basis(r.in.decoded_size) / 3);
  // `line` holds the next line, read ahead; `current` the one at hand.
  std::vector<std::string_view> words;
  std::vector<int> signals;
  std::string current;
  bool model = false, ended = false, pending = r.Next_line();
  int ok = 1;
  while (ok && pending && !ended) {
    current.swap(r.line);
    pending = r.Next_line();
    // Words are taken one by one where a line may hold many (the inputs of
    // a node), so that none is kept beyond its use.
    std::string_view rest = current, key, w;
    Next_word(&rest, &key);
    if (key == ".model") {
      if (model) ok = r.Fail("a second .model (only one network is read)");
      model = true;
    } else if (key == ".inputs" || key == ".outputs") {
      std::vector<int> &list = key == ".inputs" ? n->declared_inputs : n->declared_outputs;
      while (Next_word(&rest, &w)) list.push_back(r.Signal(w));
    } else if (key == ".end") {
      ended = true;
    } else if (key == ".names") {
      signals.clear();
      while (Next_word(&rest, &w)) signals.push_back(r.Signal(w));
      if (signals.empty()) {
        ok = r.Fail(".names without an output");
        break;
      }
      node_ node;
      node.first_row = n->row_start.size() - 1;
      node.out = signals.back();
      signals.pop_back();
      // The cover: rows up to the next line that begins with a dot.
      int out_value = -1;
      while (ok && pending && r.line[r.line.find_first_not_of(" \t")] != '.') {
        current.swap(r.line);
        pending = r.Next_line();
        Words(current, &words);
        const bool constant = signals.empty();
        if (words.size() != (constant ? 1u : 2u) ||
            (!constant && words[0].size() != signals.size())) {
          ok =
              r.Fail("a cover row of " + std::to_string(signals.size()) + " inputs and one output");
          break;
        }
        const std::string_view out = words.back();
        if (out != "0" && out != "1") {
          ok = r.Fail("a cover row ends in " + std::string(out) + ", not 0 or 1");
          break;
        }
        if (out_value >= 0 && out_value != out[0] - '0') {
          ok = r.Fail("a cover mixes rows for 1 and rows for 0");
          break;
        }
        out_value = out[0] - '0';
        for (size_t i = 0; !constant && i < signals.size(); ++i) {
          const char c = words[0][i];
          if (c == '1' || c == '0') {
            n->lits.push_back(signals[i] * 2 + (c == '0'));
          } else if (c != '-') {
            ok = r.Fail(std::string("'") + c + "' in a cover row");
            break;
          }
        }
        n->row_start.push_back(n->lits.size());
        ++node.rows;
      }
      node.on_set = out_value != 0;
      n->nodes.push_back(node);
    } else if (key[0] == '.') {
      ok = r.Fail(std::string(key) + " is not part of a combinational certificate");
    } else {
      ok = r.Fail("a cover row outside a .names");
    }
  }
  if (ok && !Reader_intact(&r.in))
    ok = 0, *problem = std::string("cannot read certificate ") + path + ": " + r.in.problem;
  if (!ok) return 0;
  // A second definition is kept out of `driver`; the structure check
  // reports it.
  n->driver.assign(n->Signals(), -1);
  for (size_t k = 0; k < n->nodes.size(); ++k) {
    int &d = n->driver[size_t(n->nodes[k].out)];
    if (d >= 0 && n->twice < 0) n->twice = n->nodes[k].out;
    if (d < 0) d = int(k);
  }
  return 1;
}
