// Seeded generator of large synthetic proofs that cerox replays, in every
// dialect, for the benchmarks.
//
//   gen_proof false STEPS WIDTH SEED DIR   writes DIR/f.qdimacs, DIR/f.qdimacs.qbc,
//                                          DIR/f.qube.txt, DIR/f.qrp
//   gen_proof true STEPS WIDTH SEED DIR    writes DIR/t.qube.txt, DIR/t.qrp
//
// False: exists x1..xn s1..sw, forall u1..u64. Clauses C0 = x1 S u, Ci = -xi
// x(i+1) S u, Cn = -xn S u, Dj = -sj u (S: the w side literals, u: a random
// universal literal). The refutation resolves C0 with C1, the result with C2,
// and so on, then with every Dj; every step reduces universal literals.
// True: forall u1..un, exists x1..x64. Initial cubes E0 = u1 X, Ei = -ui
// u(i+1) X, En = -un X (X: w random existential literals) resolved in a
// chain; every step reduces the existential literals.
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

}  // namespace

int main(int argc, char **argv) {
  if (argc != 6) {
    fprintf(stderr, "usage: gen_proof false|true STEPS WIDTH SEED DIR\n");
    return 2;
  }
  const std::string kind = argv[1];
  const long long n = atoll(argv[2]);
  const int w = atoi(argv[3]);
  const unsigned seed = unsigned(strtoul(argv[4], nullptr, 10));
  if (n < 1 || w < 1) return 2;
  return kind == "false" ? False_proof(n, w, seed, argv[5]) : True_proof(n, w, seed, argv[5]);
}
