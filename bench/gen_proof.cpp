// Seeded generator of large synthetic proofs that cerox replays, in every
// dialect, for the benchmarks.
//
//   gen_proof false STEPS WIDTH SEED DIR   writes DIR/f.qdimacs, DIR/f.qdimacs.qbc,
//                                          DIR/f.qube.txt, DIR/f.qrp
//   gen_proof true STEPS WIDTH SEED DIR    writes DIR/t.qube.txt, DIR/t.qrp
//   gen_proof core-false|core-true LINES WIDTH SEED DIR
//                                          writes DIR/cf.qrp or DIR/ct.qrp, a
//                                          core shaped like DepQBF's (Core_proof)
//
// False: exists x1..xn s1..sw, forall u1..u64. Clauses C0 = x1 S u, Ci = -xi
// x(i+1) S u, Cn = -xn S u, Dj = -sj u (S: the w side literals, u: a random
// universal literal). The refutation resolves C0 with C1, the result with C2,
// and so on, then with every Dj; every step reduces universal literals.
// True: forall u1..un, exists x1..x64. Initial cubes E0 = u1 X, Ei = -ui
// u(i+1) X, En = -un X (X: w random existential literals) resolved in a
// chain; every step reduces the existential literals. The w literals of X
// are drawn one by one, so a cube can repeat a literal or hold both of a
// variable's (DepQBF's never do): the ordering's cost then counts each
// occurrence, so per-step sets of signs cannot stand in for the literals.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

struct out_ {
  FILE *f;
  char buf[32];
  void Num(long long v) {
    int n = snprintf(buf, sizeof buf, "%lld ", v);
    fwrite(buf, 1, size_t(n), f);
  }
  void Str(const char *s) { fputs(s, f); }
};

FILE *Open(const std::string &path) {
  FILE *f = fopen(path.c_str(), "w");
  if (!f) {
    fprintf(stderr, "gen_proof: cannot create %s\n", path.c_str());
    exit(1);
  }
  return f;
}

// The prefix lines of the false proofs: "e" over 1..last_e, "a" over
// first_a..vars.
void Put_false_prefix(out_ *o, long long last_e, long long first_a, long long vars) {
  o->Str("e ");
  for (long long v = 1; v <= last_e; ++v) o->Num(v);
  o->Str("0\na ");
  for (long long v = first_a; v <= vars; ++v) o->Num(v);
  o->Str("0\n");
}

void Put_clause(out_ *o, const std::vector<long long> &lits) {
  for (long long l : lits) o->Num(l);
}

int False_proof(long long n, int w, unsigned seed, const std::string &dir) {
  std::mt19937 rng(seed);
  const long long x0 = 0, s0 = n, u0 = n + w, vars = n + w + 64;
  auto X = [&](long long i) { return x0 + i; };  // 1-based
  auto S = [&](int j) { return s0 + j; };
  auto U = [&]() { return (rng() % 2 ? 1 : -1) * (u0 + 1 + long(rng() % 64)); };
  // Clauses in order: C0..Cn, D1..Dw.
  std::vector<std::vector<long long>> clauses;
  for (long long i = 0; i <= n; ++i) {
    std::vector<long long> c;
    if (i > 0) c.push_back(-X(i));
    if (i < n) c.push_back(X(i + 1));
    for (int j = 1; j <= w; ++j) c.push_back(S(j));
    c.push_back(U());
    clauses.push_back(c);
  }
  for (int j = 1; j <= w; ++j) clauses.push_back({-S(j), U()});
  const long long m = (long long)clauses.size();
  std::string prefix_e = "e", prefix_a = "a";
  {
    out_ q{Open(dir + "/f.qdimacs"), {}};
    fprintf(q.f, "p cnf %lld %lld\n", vars, m);
    Put_false_prefix(&q, n + w, u0 + 1, vars);
    for (auto &c : clauses) {
      Put_clause(&q, c);
      q.Str("0\n");
    }
    fclose(q.f);
  }
  // Resolvents: R1 = C0 x C1 (id m+1), Ri = R(i-1) x Ci, then x each Dj.
  auto resolvent_lits = [&](long long k, std::vector<long long> *lits) {
    lits->clear();
    if (k < n) lits->push_back(X(k + 1));
    long long left = k < n ? w : w - (k - n) - 0;
    for (int j = int(k < n ? 1 : (k - n) + 1); j <= w && left > 0; ++j, --left)
      lits->push_back(S(j));
  };
  const long long derived = n + w;  // R1..Rn, then w more
  {
    out_ q{Open(dir + "/f.qdimacs.qbc"), {}};
    q.Str("qbc\n");
    for (long long k = 1; k <= derived; ++k) {
      long long a = k == 1 ? 1 : m + k - 1, b = k + 1;  // Ck has id k+1, Dj id n+1+j
      q.Num(m + k);
      q.Str("* ");
      q.Num(a);
      q.Num(b);
      q.Str("0\n");
    }
    q.Str("CONCLUDE\n");
    fclose(q.f);
  }
  {
    out_ q{Open(dir + "/f.qrp"), {}};
    fprintf(q.f, "p qrp %lld %lld\n", vars, m);
    Put_false_prefix(&q, n + w, u0 + 1, vars);
    for (long long i = 0; i < m; ++i) {
      q.Num(i + 1);
      Put_clause(&q, clauses[size_t(i)]);
      q.Str("0 0\n");
    }
    std::vector<long long> lits;
    for (long long k = 1; k <= derived; ++k) {
      q.Num(m + k);
      resolvent_lits(k, &lits);
      Put_clause(&q, lits);
      q.Str("0 ");
      q.Num(k == 1 ? 1 : m + k - 1);
      q.Num(k + 1);
      q.Str("0\n");
    }
    q.Str("r UNSAT\n");
    fclose(q.f);
  }
  {
    // One block per 100 chain steps, each starting from the last block's
    // clause.
    out_ q{Open(dir + "/f.qube.txt"), {}};
    fprintf(q.f, "QUBE trace header %lld %lld\n[BEGIN synthetic ]\n[FORMULA %lld %lld\n", vars + 1,
            m, vars + 1, m);
    Put_false_prefix(&q, n + w, u0 + 1, vars);
    q.Str("0 0\n");
    for (auto &c : clauses) {
      // Existential literals by falling position, then the universal one.
      std::vector<long long> sorted(c.begin(), c.end() - 1);
      std::sort(sorted.begin(), sorted.end(),
                [](long long p, long long q2) { return std::llabs(p) > std::llabs(q2); });
      sorted.push_back(c.back());
      Put_clause(&q, sorted);
      q.Str("0\n");
    }
    q.Str("]\n");
    long long start = 1, next_id = m + 1;
    for (long long k = 1; k <= derived; k += 100) {
      q.Str("[NOGOOD 0 0 0 ");
      q.Num(start);
      q.Str("0\n");
      for (long long j = k; j < k + 100 && j <= derived; ++j) {
        q.Num(j + 1);
        q.Num(j <= n ? X(j) : S(int(j - n)));
        q.Str("0\n");
      }
      q.Str("]\n");
      start = next_id++;
    }
    q.Str("[END\n");
    fclose(q.f);
  }
  return 0;
}

int True_proof(long long n, int w, unsigned seed, const std::string &dir) {
  std::mt19937 rng(seed);
  const long long vars = n + 64;
  auto U = [&](long long i) { return i; };  // 1-based
  auto X = [&]() { return (rng() % 2 ? 1 : -1) * (n + 1 + long(rng() % 64)); };
  std::vector<std::vector<long long>> cubes;
  for (long long i = 0; i <= n; ++i) {
    std::vector<long long> c;
    for (int j = 0; j < w; ++j) c.push_back(X());
    std::sort(c.begin(), c.end(),
              [](long long p, long long q) { return std::llabs(p) > std::llabs(q); });
    if (i < n) c.push_back(U(i + 1));
    if (i > 0) c.push_back(-U(i));
    cubes.push_back(c);
  }
  const long long m = 1;  // the formula section holds one clause
  {
    out_ q{Open(dir + "/t.qrp"), {}};
    fprintf(q.f, "p qrp %lld %lld\na ", vars, m);
    for (long long v = 1; v <= n; ++v) q.Num(v);
    q.Str("0\ne ");
    for (long long v = n + 1; v <= vars; ++v) q.Num(v);
    q.Str("0\n");
    for (long long i = 0; i <= n; ++i) {
      q.Num(i + 1);
      Put_clause(&q, cubes[size_t(i)]);
      q.Str("0 0\n");
    }
    for (long long k = 1; k <= n; ++k) {
      q.Num(n + 1 + k);
      if (k < n) q.Num(U(k + 1));
      q.Str("0 ");
      q.Num(k == 1 ? 1 : n + k);
      q.Num(k + 1);
      q.Str("0\n");
    }
    q.Str("r SAT\n");
    fclose(q.f);
  }
  {
    out_ q{Open(dir + "/t.qube.txt"), {}};
    fprintf(q.f, "QUBE trace header %lld %lld\n[BEGIN synthetic ]\n[FORMULA %lld %lld\na ",
            vars + 1, m, vars + 1, m);
    for (long long v = 1; v <= n; ++v) q.Num(v);
    q.Str("0\ne ");
    for (long long v = n + 1; v <= vars; ++v) q.Num(v);
    q.Str("0\n0 0\n1 0\n]\n");
    // Every initial cube in a block of its own (ids 2..n+2), then chains of
    // 100 steps over them.
    for (long long i = 0; i <= n; ++i) {
      q.Str("[GOOD 0 ");
      Put_clause(&q, cubes[size_t(i)]);
      q.Str("0 0 0 0 0\n]\n");
    }
    long long start = 0, next_id = m + n + 2;
    for (long long k = 0; k <= n; k += 100) {
      q.Str("[GOOD 0 0 0 0 0 0\n");
      if (start) {
        q.Num(start);
        q.Str("0 0\n");
      }
      for (long long j = k; j < k + 100 && j <= n; ++j) {
        q.Num(m + 1 + j);
        q.Str("0 0\n");
      }
      q.Str("]\n");
      start = next_id++;
    }
    q.Str("[END\n");
    fclose(q.f);
  }
  return 0;
}

// A 'qrp' core shaped like DepQBF's: input constraints first, then long
// runs of derived lines, each resolving the line before with an input
// constraint on the innermost variable of the pivot kind and reducing, the
// constraints some hundred literals long, and at the end a run that
// resolves everything away. False (clauses): existential pivots, universal
// reduction. True (cubes): the dual. Every variable has a sign of its own
// that every constraint uses, but for the pivot an input constraint is
// made for (the other sign), so that two constraints clash on their pivot
// only. Ids skip now and then, as in a trimmed core.
struct core_proof_ {
  std::mt19937 rng;
  bool cubes;
  int vars, width;
  std::vector<int> quant, sign;            // by variable (1-based): 1 = the reduced kind
  std::vector<std::vector<int>> by_pivot;  // input constraints (ids) by pivot variable
  std::vector<std::vector<int>> inputs;    // their literals
  long long next_id = 1;
  FILE *f;
  char buf[16];

  int Pick(int lo, int hi) { return lo + int(rng() % unsigned(hi - lo + 1)); }
  void Num(long long v) {
    int n = snprintf(buf, sizeof buf, "%lld ", v);
    fwrite(buf, 1, size_t(n), f);
  }
  long long Line(const std::vector<int> &lits, long long a1, long long a2) {
    if (rng() % 50 == 0) next_id += Pick(1, 3);  // a gap, as trimming leaves
    const long long id = next_id++;
    Num(id);
    for (int l : lits) Num(l);
    fputs("0 ", f);
    if (a1) Num(a1);
    if (a2) Num(a2);
    fputs("0\n", f);
    return id;
  }
  // The innermost variable of the pivot kind in a sorted constraint.
  int Pivot(const std::vector<int> &c) {
    int best = 0;
    for (int l : c)
      if (quant[size_t(std::abs(l))] == 0 && std::abs(l) > best) best = std::abs(l);
    return best;
  }
  // Resolvent of c (holding the pivot in its own sign) and input d on the
  // pivot, reduced: variables of the reduced kind beyond every one of the
  // pivot kind. Empty, with *clash set, when the two hold a variable of the
  // reduced kind in both signs that the reduction does not remove.
  std::vector<int> Resolve(const std::vector<int> &c, const std::vector<int> &d, int pivot,
                           bool *clash) {
    std::vector<int> r;
    std::set_union(c.begin(), c.end(), d.begin(), d.end(), std::back_inserter(r),
                   [](int x, int y) { return std::abs(x) < std::abs(y); });
    r.erase(std::remove_if(r.begin(), r.end(), [&](int l) { return std::abs(l) == pivot; }),
            r.end());
    const int inner = Pivot(r);
    *clash = false;
    for (size_t i = 0, j = 0; i < c.size() && j < d.size();) {
      const int x = std::abs(c[i]), y = std::abs(d[j]);
      if (x < y) {
        ++i;
      } else if (y < x) {
        ++j;
      } else {
        if (c[i] != d[j] && x != pivot && x < inner) *clash = true;
        ++i, ++j;
      }
    }
    r.erase(std::remove_if(
                r.begin(), r.end(),
                [&](int l) { return quant[size_t(std::abs(l))] == 1 && std::abs(l) > inner; }),
            r.end());
    return r;
  }
  // By variable, each variable once.
  std::vector<int> Sorted(std::vector<int> c) {
    std::stable_sort(c.begin(), c.end(), [](int x, int y) { return std::abs(x) < std::abs(y); });
    c.erase(
        std::unique(c.begin(), c.end(), [](int x, int y) { return std::abs(x) == std::abs(y); }),
        c.end());
    return c;
  }
};

int Core_proof(bool cubes, long long lines, int width, unsigned seed, const std::string &dir) {
  core_proof_ g;
  g.rng.seed(seed);
  g.cubes = cubes;
  g.width = width;
  // 24 blocks alternating, the outermost and innermost of the pivot kind.
  const int blocks = 25, per_block = std::max(8, width / 2);
  g.vars = blocks * per_block;
  g.quant.assign(size_t(g.vars) + 1, 0);
  g.sign.assign(size_t(g.vars) + 1, 1);
  for (int v = 1; v <= g.vars; ++v) {
    g.quant[size_t(v)] = ((v - 1) / per_block) % 2;
    g.sign[size_t(v)] = g.rng() % 2 ? 1 : -1;
  }
  const std::string path = dir + (cubes ? "/ct.qrp" : "/cf.qrp");
  g.f = Open(path);
  // Inputs: per variable of the pivot kind a unit (its pivot alone) and two
  // constraints of width/4 more literals, and a few seeds without pivot.
  std::vector<std::vector<int>> inputs;
  std::vector<int> pivots;
  for (int v = 1; v <= g.vars; ++v) {
    if (g.quant[size_t(v)] != 0) continue;
    for (int k = 0; k < 3; ++k) {
      // Variables of the reduced kind in either sign, so that their
      // functions change sign along their lists.
      std::vector<int> c = {-g.sign[size_t(v)] * v};
      for (int i = k == 0 ? 0 : width / 4; i > 0; --i) {
        const int x = g.Pick(1, g.vars);
        const int sign = g.quant[size_t(x)] == 1 && g.rng() % 2 ? -1 : 1;
        if (x != v) c.push_back(sign * g.sign[size_t(x)] * x);
      }
      inputs.push_back(g.Sorted(c));
      pivots.push_back(v);
    }
  }
  for (int k = 0; k < 16; ++k) {
    std::vector<int> c;
    for (int i = 0; i < width; ++i) {
      const int x = g.Pick(1, g.vars);
      if (g.quant[size_t(x)] == 0) c.push_back(g.sign[size_t(x)] * x);
    }
    inputs.push_back(g.Sorted(c));
    pivots.push_back(0);
  }
  fprintf(g.f, "p qrp %d %zu\n", g.vars, inputs.size());
  for (int b = 0; b < blocks; ++b) {
    // The pivot kind: existential for clauses, universal for cubes.
    fputs((b % 2 == 0) != cubes ? "e " : "a ", g.f);
    for (int v = b * per_block + 1; v <= (b + 1) * per_block; ++v) g.Num(v);
    fputs("0\n", g.f);
  }
  std::vector<long long> ids;
  std::vector<std::vector<long long>> units(size_t(g.vars) + 1), more(size_t(g.vars) + 1);
  for (size_t i = 0; i < inputs.size(); ++i) {
    ids.push_back(g.Line(inputs[i], 0, 0));
    if (pivots[i])
      (inputs[i].size() == 1 ? units : more)[size_t(pivots[i])].push_back((long long)i);
  }
  // Runs: from a seed, resolve with a wide input on the innermost pivot
  // variable while the constraint is short, with its unit once it is long.
  std::vector<int> c;
  long long at = 0, written = 0;
  auto start = [&]() {
    const size_t seed_index = inputs.size() - 1 - size_t(g.rng() % 16);
    c = inputs[seed_index];
    at = ids[seed_index];
  };
  start();
  while (written < lines) {
    const int p = g.Pivot(c);
    if (!p) {
      start();
      continue;
    }
    // While short, a wide input that clashes on nothing else; else the unit.
    size_t pick = size_t(units[size_t(p)][0]);
    bool clash = true;
    std::vector<int> r;
    if (int(c.size()) < g.width) {
      const std::vector<long long> &wide = more[size_t(p)];
      pick = size_t(wide[size_t(g.rng()) % wide.size()]);
      r = g.Resolve(c, inputs[pick], p, &clash);
      if (clash) pick = size_t(units[size_t(p)][0]);
    }
    if (clash) r = g.Resolve(c, inputs[pick], p, &clash);
    c = r;
    at = g.Line(c, at, ids[pick]);
    ++written;
  }
  // The end: units until nothing is left.
  while (!c.empty()) {
    const int p = g.Pivot(c);
    const size_t pick = size_t(units[size_t(p)][0]);
    bool clash;
    c = g.Resolve(c, inputs[pick], p, &clash);
    at = g.Line(c, at, ids[pick]);
  }
  fputs(cubes ? "r SAT\n" : "r UNSAT\n", g.f);
  fclose(g.f);
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 6) {
    fprintf(stderr, "usage: gen_proof false|true|core-false|core-true STEPS WIDTH SEED DIR\n");
    return 2;
  }
  const std::string kind = argv[1];
  const long long n = atoll(argv[2]);
  const int w = atoi(argv[3]);
  const unsigned seed = unsigned(strtoul(argv[4], nullptr, 10));
  if (n < 1 || w < 1) return 2;
  if (kind == "core-false" || kind == "core-true")
    return Core_proof(kind == "core-true", n, w, seed, argv[5]);
  return kind == "false" ? False_proof(n, w, seed, argv[5]) : True_proof(n, w, seed, argv[5]);
}
