// Seeded random QBF in QDIMACS for the end-to-end tests: 20 to 40 variables
// in 2 to 6 alternating blocks with the innermost one existential (universal
// blocks kept small), clauses of 2 to 4 literals (mostly 3) on distinct
// variables, each with at least one existential literal (so no clause is
// empty after universal reduction on its own). About half of them are true.
// With "free", about a third of the variables (drawn apart from the rest,
// so the matrix stays that of the plain formula) are left out of the
// prefix: free variables, existential and outermost.
// With "ld", a ladder formula instead (see Ladder), on which DepQBF's
// long-distance mode merges literals.
// With "kbkf", the ladder KBKF(SEED) as it stands.
// Usage: gen_qbf SEED [VARIABLES (0: random) [free|ld|kbkf]] > FILE.qdimacs
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

// A false formula on which long-distance resolution pays: the ladder of
// Kleine Buening, Karpinski and Floegel, KBKF(t) (prefix E d0 d1 e1 A x1
// E d2 e2 A x2 ... A xt E f1..ft), with every variable's sign flipped at
// random, some random clauses added (which keeps it false) and the clauses
// shuffled.
int Ladder(std::mt19937 &rng, int t, bool plain) {
  auto pick = [&](int lo, int hi) { return lo + int(rng() % unsigned(hi - lo + 1)); };
  // Variables: d0, then per j = 1..t: d_j, e_j, x_j; then f_1..f_t.
  auto d = [&](int j) { return j == 0 ? 1 : 3 * j - 1; };
  auto e = [&](int j) { return 3 * j; };
  auto x = [&](int j) { return 3 * j + 1; };
  auto f = [&](int j) { return 3 * t + 1 + j; };
  const int n = 4 * t + 1;
  std::vector<int> flip(size_t(n) + 1);
  for (int &s : flip) s = plain || rng() % 2 ? 1 : -1;
  std::vector<std::vector<int>> clauses = {{-d(0)}, {d(0), -d(1), -e(1)}};
  for (int j = 1; j <= t; ++j) {
    std::vector<int> next;
    if (j < t) {
      next = {-d(j + 1), -e(j + 1)};
    } else {
      for (int i = 1; i <= t; ++i) next.push_back(-f(i));
    }
    std::vector<int> c0 = {d(j), x(j)}, c1 = {e(j), -x(j)};
    c0.insert(c0.end(), next.begin(), next.end());
    c1.insert(c1.end(), next.begin(), next.end());
    clauses.push_back(c0);
    clauses.push_back(c1);
    clauses.push_back({x(j), f(j)});
    clauses.push_back({-x(j), f(j)});
  }
  for (int k = plain ? 0 : pick(0, t); k > 0; --k) {
    std::vector<int> c;
    for (int i = 0; i < 3; ++i) c.push_back((rng() % 2 ? 1 : -1) * pick(1, n));
    clauses.push_back(c);
  }
  if (!plain) std::shuffle(clauses.begin(), clauses.end(), rng);
  printf("c KBKF(%d)%s\np cnf %d %zu\ne 1 2 3 0\n", t,
         plain ? "" : ", signs flipped and clauses added at random", n, clauses.size());
  for (int j = 1; j <= t; ++j) {
    printf("a %d 0\n", x(j));
    if (j < t) printf("e %d %d 0\n", d(j + 1), e(j + 1));
  }
  printf("e");
  for (int i = 1; i <= t; ++i) printf(" %d", f(i));
  printf(" 0\n");
  for (const std::vector<int> &c : clauses) {
    for (int l : c) printf("%d ", l * flip[size_t(std::abs(l))]);
    printf("0\n");
  }
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: gen_qbf SEED [VARIABLES (0: random) [free|ld]]\n");
    return 2;
  }
  const unsigned seed = unsigned(strtoul(argv[1], nullptr, 10));
  std::mt19937 rng(seed);
  if (argc > 3 && std::string(argv[3]) == "ld") return Ladder(rng, 2 + int(rng() % 7), false);
  // KBKF(SEED) itself: hard for plain Q-resolution (DepQBF takes seconds
  // from about 16 on).
  if (argc > 3 && std::string(argv[3]) == "kbkf") return Ladder(rng, int(seed), true);
  auto pick = [&](int lo, int hi) { return lo + int(rng() % unsigned(hi - lo + 1)); };
  const int n = argc > 2 && atoi(argv[2]) > 0 ? atoi(argv[2]) : pick(20, 40);
  const bool free_vars = argc > 3 && std::string(argv[3]) == "free";
  std::mt19937 free_rng(seed + 1000003u);
  const int blocks = std::min(pick(2, 6), n);
  // Block sizes: every block gets at least one variable.
  std::vector<int> block_of(static_cast<size_t>(n));
  std::vector<int> size(static_cast<size_t>(blocks), 1);
  std::vector<int> quant(static_cast<size_t>(blocks));
  for (int b = 0; b < blocks; ++b) quant[size_t(b)] = (blocks - 1 - b) % 2 == 0 ? 0 : 1;
  for (int v = blocks; v < n; ++v) {
    int b = pick(0, blocks - 1);
    if (quant[size_t(b)] == 1 && pick(0, 2) != 0) b = blocks - 1;
    ++size[size_t(b)];
  }
  int v = 0;
  for (int b = 0; b < blocks; ++b)
    for (int k = 0; k < size[size_t(b)]; ++k) block_of[size_t(v++)] = b;
  // Near the threshold of these clause lengths and prefixes.
  const int m = int(n * (1.8 + 0.4 * (rng() % 1000) / 1000.0));
  printf("c random QBF, seed %u\np cnf %d %d\n", seed, n, m);
  v = 0;
  for (int b = 0; b < blocks; ++b) {
    std::string line;
    for (int k = 0; k < size[size_t(b)]; ++k) {
      ++v;
      if (!free_vars || free_rng() % 3 != 0) line += " " + std::to_string(v);
    }
    if (!line.empty()) printf("%c%s 0\n", quant[size_t(b)] ? 'a' : 'e', line.c_str());
  }
  for (int c = 0; c < m; ++c) {
    const int roll = pick(0, 9);
    const int len = std::min(roll == 0 ? 2 : roll <= 6 ? 3 : 4, n);
    std::vector<int> lits;
    bool has_existential = false;
    while (int(lits.size()) < len) {
      int x = pick(1, n);
      bool seen = false;
      for (int l : lits) seen = seen || std::abs(l) == x;
      if (seen) continue;
      // The last literal must be existential if none is yet.
      bool existential = quant[size_t(block_of[size_t(x - 1)])] == 0;
      if (int(lits.size()) == len - 1 && !has_existential && !existential) continue;
      has_existential = has_existential || existential;
      lits.push_back(rng() % 2 ? x : -x);
    }
    for (int l : lits) printf("%d ", l);
    printf("0\n");
  }
  return 0;
}
