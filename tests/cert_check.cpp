// Test tool for certificates.
//
//   cert_check substitute FORMULA.qdimacs CERT.blif OUT.qdimacs
//     The formula with the certificate's functions built in: every certified
//     variable becomes existential at its place in the prefix and is tied to
//     its function by clauses over fresh existential variables (one per node,
//     innermost). The result has the formula's answer exactly when the
//     (possibly partial) certificate is right.
//   cert_check rfao CERT.txt CERT.blif
//     Rebuilds every function from the RFAO text as a decision list over the
//     step nodes and compares it with the BLIF network on every assignment of
//     the network's inputs (a fixed sample of 65536 when there are more than
//     16). Exit 0 when they agree.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

int Fail(const std::string &why) {
  fprintf(stderr, "cert_check: %s\n", why.c_str());
  return 1;
}

// One .names node: its cover rows, all for the same output value.
struct node_ {
  std::vector<std::string> inputs;
  std::vector<std::string> rows;  // one digit ('0', '1', '-') per input
  int out = 1;                    // value when a row matches (else the complement)
};

struct blif_ {
  std::vector<std::string> inputs, outputs;
  std::map<std::string, node_> nodes;  // by output signal
};

bool Read_blif(const char *path, blif_ *b) {
  std::ifstream in(path);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string w;
    if (!(words >> w)) continue;
    if (w == ".inputs" || w == ".outputs") {
      std::vector<std::string> &list = w == ".inputs" ? b->inputs : b->outputs;
      while (words >> w) list.push_back(w);
    } else if (w == ".names") {
      std::vector<std::string> signals;
      while (words >> w) signals.push_back(w);
      if (signals.empty()) return false;
      node_ n;
      n.inputs.assign(signals.begin(), signals.end() - 1);
      // Rows up to the next line that begins with a dot.
      while (in.peek() != '.' && in.peek() != EOF && std::getline(in, line)) {
        std::istringstream row(line);
        std::string a, c;
        if (!(row >> a)) continue;
        if (n.inputs.empty()) {
          n.out = a == "1";
          n.rows.push_back("");
        } else {
          row >> c;
          n.out = c == "1";
          if (a.size() != n.inputs.size()) return false;
          n.rows.push_back(a);
        }
      }
      b->nodes[signals.back()] = n;
    }
  }
  return true;
}

struct formula_ {
  int vars = 0;
  std::vector<std::pair<char, std::vector<int>>> blocks;
  std::vector<std::vector<int>> clauses;
};

bool Read_formula(const char *path, formula_ *f) {
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string w;
    if (!(words >> w) || w == "c") continue;
    if (w == "p") {
      words >> w >> f->vars;
    } else if (w == "a" || w == "e") {
      std::vector<int> vs;
      int v;
      while (words >> v && v != 0) vs.push_back(v);
      f->blocks.emplace_back(w[0], vs);
    } else {
      std::istringstream all(line);
      std::vector<int> clause;
      int v;
      while (all >> v && v != 0) clause.push_back(v);
      f->clauses.push_back(clause);
    }
  }
  return f->vars > 0;
}

bool Is_number(const std::string &s) {
  return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

int Substitute(const char *formula_path, const char *cert_path, const char *out_path) {
  formula_ f;
  blif_ b;
  if (!Read_formula(formula_path, &f)) return Fail("cannot read the formula");
  if (!Read_blif(cert_path, &b)) return Fail("cannot read the certificate");
  std::map<std::string, int> var_of;
  int next = f.vars;
  auto var = [&](const std::string &s) {
    auto it = var_of.find(s);
    if (it != var_of.end()) return it->second;
    int v = Is_number(s) && std::stoi(s) <= f.vars ? std::stoi(s) : ++next;
    var_of[s] = v;
    return v;
  };
  std::vector<std::vector<int>> clauses = f.clauses;
  for (const auto &[signal, n] : b.nodes) {
    int t = var(signal);
    // s <-> the rows' disjunction; s is t, or not t for rows of output 0.
    const int s = n.out ? t : -t;
    std::vector<int> any = {-s};
    for (const std::string &row : n.rows) {
      std::vector<int> lits;
      for (size_t j = 0; j < n.inputs.size(); ++j)
        if (row[j] != '-') lits.push_back(row[j] == '1' ? var(n.inputs[j]) : -var(n.inputs[j]));
      // r <-> the row's cube.
      const int r = ++next;
      std::vector<int> back = {r};
      for (int l : lits) {
        clauses.push_back({-r, l});
        back.push_back(-l);
      }
      clauses.push_back(back);
      clauses.push_back({s, -r});
      any.push_back(r);
    }
    clauses.push_back(any);
  }
  std::map<int, bool> certified;
  for (const std::string &o : b.outputs) certified[var(o)] = true;
  std::ofstream out(out_path);
  out << "p cnf " << next << " " << clauses.size() << "\n";
  for (const auto &[q, vs] : f.blocks) {
    // A certified universal becomes existential where it stands.
    char current = 0;
    for (int v : vs) {
      char qv = certified.count(v) ? 'e' : q;
      if (qv != current) {
        if (current) out << " 0\n";
        out << qv;
        current = qv;
      }
      out << " " << v;
    }
    if (current) out << " 0\n";
  }
  if (next > f.vars) {
    out << "e";
    for (int v = f.vars + 1; v <= next; ++v) out << " " << v;
    out << " 0\n";
  }
  for (const std::vector<int> &c : clauses) {
    for (int l : c) out << l << " ";
    out << "0\n";
  }
  return 0;
}

struct rfao_ {
  bool model = false;
  std::map<int, int> var_of_name;         // name (position + 1) -> variable
  std::vector<std::vector<int>> steps;    // named literals
  std::map<int, std::vector<int>> lists;  // variable -> references
};

bool Read_rfao(const char *path, rfao_ *r) {
  std::ifstream in(path);
  std::string w;
  int count, x;
  if (!(in >> w)) return false;
  r->model = w == "sat";
  if (!(in >> w >> count) || w != "vars") return false;
  // Name pairs, then block pairs; entries no prefix line lists have the
  // variable -1.
  for (;;) {
    int name, v;
    if (!(in >> name)) return false;
    if (name == 0) break;
    in >> v;
    if (v > 0) r->var_of_name[name] = v;
  }
  for (;;) {
    int name, level;
    if (!(in >> name)) return false;
    if (name == 0) break;
    in >> level;
  }
  if (!(in >> w >> count) || w != "nodes") return false;
  r->steps.resize(size_t(count));
  for (auto &s : r->steps)
    while (in >> x && x != 0) s.push_back(x);
  if (!(in >> w >> count) || w != "rfao") return false;
  for (int k = 0; k < count; ++k) {
    int name;
    in >> name;
    std::vector<int> &list = r->lists[r->var_of_name[name]];
    while (in >> x && x != 0) list.push_back(x);
  }
  return bool(in) || in.eof();
}

// Both certificates over signal indices, evaluated once per assignment.
struct evaluator_ {
  const rfao_ *r;
  std::map<std::string, int> index;  // signal name -> index
  std::vector<int> node_of;          // signal -> BLIF node, -1 for an input
  std::vector<const node_ *> nodes;
  std::vector<std::vector<int>> node_inputs;
  std::vector<int> blif_value, rfao_value;  // -1 unknown, -2 being computed
  bool cyclic = false;

  int Signal(const std::string &s) {
    auto it = index.emplace(s, int(index.size()));
    if (it.second) {
      node_of.push_back(-1);
      blif_value.push_back(-1);
      rfao_value.push_back(-1);
    }
    return it.first->second;
  }

  void Build(const blif_ &b) {
    for (const auto &[out, n] : b.nodes) {
      int s = Signal(out);
      node_of[size_t(s)] = int(nodes.size());
      nodes.push_back(&n);
      std::vector<int> ins;
      for (const std::string &i : n.inputs) ins.push_back(Signal(i));
      node_inputs.push_back(ins);
    }
    int top = 0;
    for (const auto &[name, v] : r->var_of_name) top = std::max(top, v);
    for (const auto &[v, list] : r->lists) top = std::max(top, v);
    signal_of_var.assign(size_t(top) + 1, 0);
    for (const auto &[name, v] : r->var_of_name)
      if (v > 0) signal_of_var[size_t(v)] = Signal(std::to_string(v));
    for (const auto &[v, list] : r->lists) signal_of_var[size_t(v)] = Signal(std::to_string(v));
    for (const std::vector<int> &step : r->steps) {
      std::vector<int> sig;
      for (int named : step) {
        int v = r->var_of_name.at(std::abs(named));
        sig.push_back(named > 0 ? v : -v);
      }
      step_signals.push_back(sig);
    }
  }

  int Blif(int s) {
    int &val = blif_value[size_t(s)];
    if (val >= 0) return val;
    if (val == -2 || node_of[size_t(s)] < 0) return cyclic = true, 0;
    val = -2;
    const node_ &n = *nodes[size_t(node_of[size_t(s)])];
    const std::vector<int> &ins = node_inputs[size_t(node_of[size_t(s)])];
    bool any = false;
    for (const std::string &row : n.rows) {
      bool match = true;
      for (size_t j = 0; j < ins.size() && match; ++j)
        match = row[j] == '-' || Blif(ins[j]) == (row[j] == '1');
      any = any || match;
    }
    return val = any ? n.out : !n.out;
  }

  // The decision list of a certified variable, in model terms; a
  // countermodel is its complement over falsified clauses.
  std::vector<int> signal_of_var;              // variable -> signal index
  std::vector<std::vector<int>> step_signals;  // signed signal index + 1

  int Rfao(int v) {
    const int s = signal_of_var[size_t(v)];
    int &val = rfao_value[size_t(s)];
    if (val >= 0) return val;
    auto list_it = r->lists.find(v);
    if (val == -2 || list_it == r->lists.end()) return cyclic = true, 0;
    val = -2;
    const std::vector<int> &list = list_it->second;
    bool pos = false, neg = false;
    for (int ref : list) (ref > 0 ? pos : neg) = true;
    int value;
    if (!(pos && neg)) {
      value = !neg;
    } else {
      value = list.back() > 0 ? 0 : 1;
      for (int ref : list)
        if (Active(std::abs(ref) - 1)) {
          value = ref > 0;
          break;
        }
    }
    return rfao_value[size_t(s)] = r->model ? value : !value;
  }

  // A step is active when its cube holds (model) or its clause fails.
  bool Active(int step) {
    for (int v : step_signals[size_t(step)]) {
      bool lit = Rfao(std::abs(v)) == (v > 0);
      if (lit != r->model) return false;
    }
    return true;
  }
};

int Compare_rfao(const char *rfao_path, const char *blif_path) {
  rfao_ r;
  blif_ b;
  if (!Read_rfao(rfao_path, &r)) return Fail("cannot read the RFAO text");
  if (!Read_blif(blif_path, &b)) return Fail("cannot read the BLIF certificate");
  if (r.lists.size() != b.outputs.size()) return Fail("different certified variables");
  evaluator_ e;
  e.r = &r;
  e.Build(b);
  std::vector<int> inputs;
  for (const std::string &i : b.inputs) inputs.push_back(e.Signal(i));
  const size_t n = inputs.size();
  // Every assignment when they are few enough for the size of the
  // functions, else a fixed sample.
  long long work = long(e.nodes.size());
  for (const auto &[v, list] : r.lists) work += long(list.size());
  for (const auto &step : r.steps) work += long(step.size());
  const long long budget = std::max<long long>(64, 10000000 / (1 + work));
  const bool all = n <= 16 && (1LL << n) <= budget;
  const long long total = all ? 1LL << n : std::min<long long>(budget, 65536);
  std::mt19937_64 rng(1);
  for (long long k = 0; k < total; ++k) {
    std::fill(e.blif_value.begin(), e.blif_value.end(), -1);
    std::fill(e.rfao_value.begin(), e.rfao_value.end(), -1);
    unsigned long long bits = all ? (unsigned long long)k : rng();
    for (size_t j = 0; j < n; ++j) {
      if (j % 64 == 0 && j && !all) bits = rng();
      e.blif_value[size_t(inputs[j])] = e.rfao_value[size_t(inputs[j])] = int(bits >> (j % 64) & 1);
    }
    for (const std::string &o : b.outputs) {
      int want = e.Blif(e.index.at(o)), got = e.Rfao(std::stoi(o));
      if (e.cyclic) return Fail("a signal without a driver, or functions in a cycle");
      if (want != got) return Fail("variable " + o + " differs on assignment " + std::to_string(k));
    }
  }
  printf("cert_check: %lld assignments agree\n", total);
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  const std::string what = argc > 1 ? argv[1] : "";
  if (argc == 5 && what == "substitute") return Substitute(argv[2], argv[3], argv[4]);
  if (argc == 4 && what == "rfao") return Compare_rfao(argv[2], argv[3]);
  return Fail("usage: cert_check substitute FORMULA CERT OUT | cert_check rfao CERT.txt CERT.blif");
}
