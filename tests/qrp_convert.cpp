// Test tool: rewrites a trimmed QRP proof in the 'qbc' or 'qube' dialect, so
// that modes 0, 1 and 2 replay the derivations the solver wrote.
//
//   qrp_convert qbc  CORE.qrp FORMULA.qdimacs OUT.qbc
//   qrp_convert qube CORE.qrp FORMULA.qdimacs OUT.qube.txt
//
// 'qbc': the formula's clauses keep ids 1..m; id m+1 is left free so that it
// becomes an empty placeholder, and derived lines get the ids m+2, m+3, ...;
// a line with one antecedent resolves it with the placeholder. The
// placeholder exists only after the first step is stored: a first line with
// one antecedent resolves that clause with itself instead, which gives the
// same resolvent and reduction when the clause has an existential literal
// (else the proof cannot be written: exit 3).
// 'qube': the formula section ("[FORMULA n C", n = variables + 1, clauses
// with existential literals by falling position, then universal ones), then
// one "[NOGOOD" (false) or "[GOOD" (true) block per proof line. A block's
// constraint takes the next id when it is not empty.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct line_ {
  int id;
  std::vector<int> lits, ants;
};

struct formula_ {
  int vars = 0;
  std::vector<std::string> prefix_lines;
  std::vector<int> quant, pos;  // by variable number
  std::vector<std::vector<int>> clauses;
};

int Fail(const std::string &why, int status = 1) {
  fprintf(stderr, "qrp_convert: %s\n", why.c_str());
  return status;
}

bool Read_formula(const char *path, formula_ *f) {
  std::ifstream in(path);
  std::string line;
  int count = -1, position = 0;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string w;
    if (!(words >> w) || w == "c") continue;
    if (w == "p") {
      std::string cnf;
      words >> cnf >> f->vars >> count;
      f->quant.assign(size_t(f->vars) + 1, -1);
      f->pos.assign(size_t(f->vars) + 1, 0);
    } else if (w == "a" || w == "e") {
      f->prefix_lines.push_back(line);
      int v;
      while (words >> v && v != 0) {
        f->quant[size_t(v)] = w == "a";
        f->pos[size_t(v)] = position++;
      }
    } else {
      std::istringstream all(line);
      std::vector<int> clause;
      int v;
      while (all >> v && v != 0) clause.push_back(v);
      f->clauses.push_back(clause);
    }
  }
  // Variables no prefix line lists are existential, outermost, in
  // ascending order.
  int free_count = 0;
  for (int v = 1; v <= f->vars; ++v) free_count += f->quant[size_t(v)] < 0;
  for (int v = 1, k = 0; v <= f->vars; ++v)
    if (f->quant[size_t(v)] < 0) f->quant[size_t(v)] = 0, f->pos[size_t(v)] = k++ - free_count;
  return count == int(f->clauses.size());
}

bool Read_core(const char *path, std::vector<line_> *lines, bool *true_formula) {
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string w;
    if (!(words >> w) || w == "p" || w == "a" || w == "e") continue;
    if (w == "r") {
      words >> w;
      *true_formula = w == "SAT";
      return true;
    }
    line_ l;
    l.id = std::stoi(w);
    int v;
    while (words >> v && v != 0) l.lits.push_back(v);
    while (words >> v && v != 0) l.ants.push_back(v);
    lines->push_back(l);
  }
  return false;
}

// Existential literals by falling position, then universal ones.
std::vector<int> Sorted(const formula_ &f, std::vector<int> lits) {
  std::sort(lits.begin(), lits.end(), [&](int x, int y) {
    int qx = f.quant[size_t(std::abs(x))], qy = f.quant[size_t(std::abs(y))];
    if (qx != qy) return qx < qy;
    return f.pos[size_t(std::abs(x))] > f.pos[size_t(std::abs(y))];
  });
  return lits;
}

std::vector<int> Key(std::vector<int> lits) {
  std::sort(lits.begin(), lits.end());
  return lits;
}

int Pivot(const std::vector<int> &a, const std::vector<int> &b) {
  for (int x : a)
    if (std::find(b.begin(), b.end(), -x) != b.end()) return std::abs(x);
  return 0;
}

void Put_list(std::string *out, const std::vector<int> &lits) {
  for (int x : lits) *out += std::to_string(x) + " ";
  *out += "0";
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 5) return Fail("usage: qrp_convert qbc|qube CORE.qrp FORMULA.qdimacs OUT", 2);
  const std::string dialect = argv[1];
  formula_ f;
  std::vector<line_> lines;
  bool true_formula = false;
  if (!Read_formula(argv[3], &f)) return Fail("cannot read the formula");
  if (!Read_core(argv[2], &lines, &true_formula)) return Fail("cannot read the proof");
  std::map<std::vector<int>, int> clause_id;
  for (size_t i = 0; i < f.clauses.size(); ++i) clause_id.emplace(Key(f.clauses[i]), int(i) + 1);
  const int m = int(f.clauses.size());
  std::map<int, const line_ *> by_id;
  for (const line_ &l : lines) by_id[l.id] = &l;

  // New ids: formula clauses keep theirs; other lines are numbered below.
  std::map<int, int> new_id;
  // An input line of a refutation is a formula clause and keeps its id.
  auto Map_input = [&](const line_ &l) {
    auto it = clause_id.find(Key(l.lits));
    if (it == clause_id.end()) return false;
    new_id[l.id] = it->second;
    return true;
  };
  std::string out;
  if (dialect == "qbc") {
    if (true_formula) return Fail("'qbc' holds refutations only", 3);
    out = "qbc\n";
    int next = m + 2;
    bool first_step = true;
    for (const line_ &l : lines) {
      if (l.ants.empty()) {
        if (!Map_input(l)) return Fail("input line " + std::to_string(l.id) + " is no clause");
        continue;
      }
      int a1 = new_id.at(l.ants[0]), a2 = l.ants.size() > 1 ? new_id.at(l.ants[1]) : m + 1;
      if (l.ants.size() == 1 && first_step) {
        bool existential = false;
        for (int x : by_id.at(l.ants[0])->lits) existential |= f.quant[size_t(std::abs(x))] == 0;
        if (!existential) return Fail("first step reduces a clause without existentials", 3);
        a2 = a1;
      }
      first_step = false;
      new_id[l.id] = next;
      out +=
          std::to_string(next++) + " * " + std::to_string(a1) + " " + std::to_string(a2) + " 0\n";
    }
    out += "CONCLUDE\n";
  } else if (dialect == "qube") {
    out = "QUBE trace header " + std::to_string(f.vars + 1) + " " + std::to_string(m) + "\n";
    out += "[BEGIN converted from a QRP proof ]\n[FORMULA " + std::to_string(f.vars + 1) + " " +
           std::to_string(m) + "\n";
    for (const std::string &p : f.prefix_lines) out += p + "\n";
    out += "0 0\n";
    for (const std::vector<int> &c : f.clauses) {
      Put_list(&out, Sorted(f, c));
      out += "\n";
    }
    out += "]\n";
    int next = m + 1;
    for (const line_ &l : lines) {
      bool has_universal = false, has_existential = false;
      for (int x : l.lits) {
        has_universal = has_universal || f.quant[size_t(std::abs(x))] == 1;
        has_existential = has_existential || f.quant[size_t(std::abs(x))] == 0;
      }
      if (!true_formula) {
        if (l.ants.empty()) {
          if (!Map_input(l)) return Fail("input line " + std::to_string(l.id) + " is no clause");
          continue;
        }
        if (!new_id.count(l.ants[0])) return Fail("antecedent without an id", 3);
        out += "[NOGOOD 0 0 0 " + std::to_string(new_id.at(l.ants[0])) + " 0\n";
      } else if (l.ants.empty()) {
        // An initial cube: the block starts from its literals.
        out += "[GOOD 0 ";
        Put_list(&out, Sorted(f, l.lits));
        out += " 0 0 0 0\n";
      } else {
        // A derived cube starts from its first antecedent's literals when
        // that is an initial cube (which depends on no step); otherwise from
        // nothing, resolving with each antecedent by id, so that cerox sees
        // which steps it depends on (a header cube given by its literals
        // carries no dependencies).
        const line_ &a1 = *by_id.at(l.ants[0]);
        size_t from = 0;
        if (a1.ants.empty()) {
          out += "[GOOD 0 ";
          Put_list(&out, Sorted(f, a1.lits));
          out += " 0 0 0 0\n";
          from = 1;
        } else {
          out += "[GOOD 0 0 0 0 0 0\n";
        }
        for (size_t k = from; k < l.ants.size(); ++k) {
          int a = l.ants[k];
          if (!new_id.count(a)) return Fail("antecedent without an id", 3);
          out += std::to_string(new_id.at(a)) + " " +
                 std::to_string(Pivot(a1.lits, by_id.at(a)->lits)) + " 0\n";
        }
      }
      if (!true_formula && l.ants.size() > 1) {
        const line_ &a = *by_id.at(l.ants[0]), &b = *by_id.at(l.ants[1]);
        if (!new_id.count(l.ants[1])) return Fail("antecedent without an id", 3);
        out += std::to_string(new_id.at(l.ants[1])) + " " + std::to_string(Pivot(a.lits, b.lits)) +
               " 0\n";
      }
      out += "]\n";
      // A clause keeps a literal after universal reduction only if it has an
      // existential one, a cube after existential reduction only if it has a
      // universal one; only then does its block file it under the next id.
      // An empty constraint ends the proof: the lines after it are left out.
      if (true_formula ? has_universal : has_existential)
        new_id[l.id] = next++;
      else if (!l.ants.empty() || true_formula)
        break;
    }
    out += "[END\n";
  } else {
    return Fail("unknown dialect " + dialect, 2);
  }
  std::ofstream(argv[4]) << out;
  return 0;
}
